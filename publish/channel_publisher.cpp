#include "publish/channel_publisher.h"

ChannelPublisher::ChannelPublisher(const BrokerSettings& settings, std::size_t capacity, QObject* parent)
    : QObject(parent), settings_(withDefaults(settings)), topics_(publishTopics(settings_))
{
    BrokerConnection::Setup setup;
    parseBrokerUrl(settings_.url, &setup.address);
    setup.settings = settings_;
    setup.topics = topics_;
    setup.capacity = capacity;
    // From the connection's thread to this object's.
    setup.statusChanged = [this](const PublishStatus& s) {
        QMetaObject::invokeMethod(this, [this, s] { emit statusChanged(s); }, Qt::QueuedConnection);
    };
    connection_ = std::make_unique<BrokerConnection>(std::move(setup));
}

ChannelPublisher::~ChannelPublisher() { stop(); }

BrokerConnection::Ending ChannelPublisher::stop(std::chrono::milliseconds flushFor)
{
    stopped_ = true;
    return connection_->stop(flushFor);
}

void ChannelPublisher::publish(const QString& channel, const ChannelTopics& where, const SensorShape& shape,
                               QByteArray payload)
{
    if (stopped_)
        return;
    if (!topics_.discoveryPrefix.isEmpty()) {
        // Discovery follows the unit shown: a new function or unit is a new configuration.
        auto known = shapes_.find(channel);
        if (known == shapes_.end() || known->second != shape) {
            shapes_[channel] = shape;
            connection_->queue().setRetained(topics_.discoveryConfig(channel),
                                             discoveryConfigMessage(settings_, topics_, channel, shape, where.state));
        }
    }
    connection_->queue().pushReading({where.reading, where.state, std::move(payload)});
}
