#pragma once
// The publisher beside a session of several meters: every channel's readings, the inputs' and
// the computed ones, each on PREFIX/<channel>/reading with its latest retained on
// PREFIX/<channel>/state, one availability for the session, and a discovery configuration per
// channel. A computed value that is stale or has no number is published as such (null value,
// its state and why), never as a number.
#include "publish/channel_publisher.h"

#include <map>

class LocaleClock;
class MeterSession;

class SessionPublisher : public ChannelPublisher {
    Q_OBJECT
public:
    enum class Source {
        Readings,   // every reading of every input, numbered per input, and every computed value
        Rows,       // every logged row of every channel, numbered by its No.
    };
    // `session` and `clock` outlive the publisher.
    SessionPublisher(MeterSession& session, Source source, const BrokerSettings& settings, const LocaleClock& clock,
                     std::size_t capacity = BrokerConnection::kDefaultCapacity, QObject* parent = nullptr);

private:
    const ChannelTopics& topicsOf(const QString& channel);
    // A computed channel's configuration keeps the last unit it had while it has none.
    SensorShape computedShape(const QString& channel, const QString& unitText);

    std::map<QString, ChannelTopics> channelTopics_;
    std::map<QString, QString> computedUnits_;
};
