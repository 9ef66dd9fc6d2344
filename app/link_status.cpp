#include "app/link_status.h"

#include "log/log_time_text.h"

namespace {
QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s.at(0).toUpper();
    return s;
}
} // namespace

LinkStatus::Change LinkStatus::receiving(const QString& source, bool receiving, const QDateTime& at,
                                         long long droppedSoFar)
{
    const bool thisOne = open_ && source_ == source;
    if (receiving == thisOne)
        return Change::None;   // unchanged, or the close of a link that is not the open one
    open_ = receiving;
    silent_ = lost_ = false;
    dropped_ = 0;
    if (!receiving)
        return Change::Closed;
    source_ = source;
    lastData_ = at;
    droppedBase_ = droppedSoFar;
    return Change::Opened;
}

bool LinkStatus::frameArrived(const QDateTime& at)
{
    lastData_ = at;
    const bool wasSilent = silent_;
    silent_ = false;
    return wasSilent;
}

void LinkStatus::lost(const QDateTime& at)
{
    if (!open_ || lost_)
        return;
    lost_ = true;
    lostAt_ = at;
}

void LinkStatus::regained(const QDateTime& at)
{
    if (!lost_)
        return;
    lost_ = false;
    lastData_ = at;   // silent until its first frame, counted from its return
}

bool LinkStatus::droppedBytes(long long total)
{
    const long long dropped = open_ ? total - droppedBase_ : 0;
    if (dropped == dropped_)
        return false;
    dropped_ = dropped;
    return true;
}

QString LinkStatus::text(const QString& timeSeparator) const
{
    if (!open_)
        return QString();
    QString state;
    if (lost_)
        state = QStringLiteral("%1 was lost at %2; waiting for it to return")
                    .arg(capitalised(source_), readingTimeText(lostAt_.time(), timeSeparator));
    else if (silent_)
        state = QStringLiteral("No data from %1 since %2").arg(source_, readingTimeText(lastData_.time(), timeSeparator));
    if (dropped_ == 0)
        return state;
    const QString overrun = dropped_ == 1 ? QStringLiteral("1 byte dropped: sent faster than it was read")
                                          : QStringLiteral("%1 bytes dropped: sent faster than they were read").arg(dropped_);
    return state.isEmpty() ? QStringLiteral("%1: %2").arg(source_, overrun) : state + QStringLiteral("; ") + overrun;
}
