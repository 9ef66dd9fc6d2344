#include "publish/publish_status.h"

QString publishStatusText(const PublishStatus& s)
{
    const QString dropped = s.dropped == 0 ? QString()
                            : s.dropped == 1 ? QStringLiteral("; 1 reading dropped")
                                             : QStringLiteral("; %1 readings dropped").arg(s.dropped);
    switch (s.state) {
    case PublishStatus::State::Connecting:
        return QStringLiteral("MQTT: connecting to %1").arg(s.broker) + dropped;
    case PublishStatus::State::Connected:
        return QStringLiteral("MQTT: publishing to %1").arg(s.broker) + dropped;
    case PublishStatus::State::Unreachable:
        return QStringLiteral("MQTT: broker %1 unreachable (%2); trying again").arg(s.broker, s.reason) + dropped;
    case PublishStatus::State::Refused:
        return QStringLiteral("MQTT: broker %1 refused: %2").arg(s.broker, s.reason) + dropped;
    }
    return QString();
}
