#include "tools/meter-read/silence_notice.h"

namespace {
QString clockTime(const QDateTime& t) { return t.toString(QStringLiteral("HH:mm:ss")); }
} // namespace

void SilenceNotice::restart(const QDateTime& now)
{
    frames_ = -1;
    lastFrameAt_ = now;
    said_ = false;
}

QString SilenceNotice::check(long long frames, const QDateTime& now)
{
    if (frames_ < 0)
        frames_ = frames;
    if (frames != frames_) {
        frames_ = frames;
        lastFrameAt_ = now;
        if (!said_)
            return {};
        said_ = false;
        return QStringLiteral("data from %1 again at %2").arg(port_, clockTime(now));
    }
    if (said_ || lastFrameAt_.msecsTo(now) < kSilenceMs)
        return {};
    said_ = true;
    return QStringLiteral("no data from %1 since %2").arg(port_, clockTime(lastFrameAt_));
}
