#include "tools/meter-read/publish_notice.h"

#include "publish/channel_publisher.h"

PublishNotice::PublishNotice(ChannelPublisher& publisher, std::FILE* err) : err_(err)
{
    QObject::connect(&publisher, &ChannelPublisher::statusChanged, &publisher, [this](const PublishStatus& s) { said(s); });
}

void PublishNotice::said(const PublishStatus& s)
{
    const bool changed = !saidOnce_ || s.state != last_.state || s.reason != last_.reason;
    const bool firstDrop = last_.dropped == 0 && s.dropped > 0;
    last_ = s;
    if (!changed && !firstDrop)
        return;
    saidOnce_ = true;
    std::fprintf(err_, "meter-read: %s\n", publishStatusText(s).toLocal8Bit().constData());
    std::fflush(err_);
}

void PublishNotice::sayEnding(const BrokerConnection::Ending& e) const
{
    // The broker's state was said as it changed; what is left to say is what it never got.
    if (e.dropped == 0)
        return;
    std::fprintf(err_, "meter-read: MQTT: %llu readings did not reach the broker\n", static_cast<unsigned long long>(e.dropped));
    std::fflush(err_);
}
