#pragma once
// What every publisher shares, whatever front end it takes its readings from: the connection
// with its queue, and each channel's discovery configuration kept in step with the unit the
// channel shows. It says the connection's status through its signal, on its own thread.
#include "publish/broker_connection.h"
#include "publish/broker_settings.h"
#include "publish/publish_messages.h"
#include "publish/publish_status.h"

#include <QObject>

#include <chrono>
#include <map>

class ChannelPublisher : public QObject {
    Q_OBJECT
public:
    ~ChannelPublisher() override;

    // "offline" said and what waits sent, for at most `flushFor`; nothing is published after it.
    BrokerConnection::Ending stop(std::chrono::milliseconds flushFor = std::chrono::milliseconds(2000));

signals:
    void statusChanged(const PublishStatus& status);

protected:
    // `settings` passed brokerSettingsProblem().
    ChannelPublisher(const BrokerSettings& settings, std::size_t capacity, QObject* parent);

    const PublishTopics& topics() const { return topics_; }
    // One reading of `channel` on its topics; its configuration goes again when `shape` changed.
    void publish(const QString& channel, const ChannelTopics& where, const SensorShape& shape, QByteArray payload);

private:
    BrokerSettings settings_;
    PublishTopics topics_;
    std::unique_ptr<BrokerConnection> connection_;
    std::map<QString, SensorShape> shapes_;   // per channel: what its configuration says
    bool stopped_ = false;
};
