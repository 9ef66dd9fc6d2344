#pragma once
// The publisher beside the front ends: it takes the reading pipeline's signals as the window
// and meter-read do, makes each reading (or logged row) a message and pushes it on the
// connection's queue, and keeps each channel's discovery configuration in step with the unit
// the meter shows. It says the connection's status through its signal, on its own thread.
#include "publish/broker_connection.h"
#include "publish/broker_settings.h"
#include "publish/publish_messages.h"
#include "publish/publish_status.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

class LocaleClock;
class ReadingPipeline;
struct LogRow;

class PipelinePublisher : public QObject {
    Q_OBJECT
public:
    enum class Source {
        Readings,   // every decoded reading, numbered as it comes
        Rows,       // every logged row, numbered by its No.
    };
    // `settings` passed brokerSettingsProblem(). `pipeline` and `clock` outlive the publisher.
    PipelinePublisher(ReadingPipeline& pipeline, Source source, const BrokerSettings& settings,
                      const LocaleClock& clock, std::size_t capacity = BrokerConnection::kDefaultCapacity,
                      QObject* parent = nullptr);
    ~PipelinePublisher() override;

    // "offline" said and what waits sent, for at most `flushFor`; nothing is published after it.
    BrokerConnection::Ending stop(std::chrono::milliseconds flushFor = std::chrono::milliseconds(2000));

signals:
    void statusChanged(const PublishStatus& status);

private:
    void publish(const LogRow& row, std::int64_t seq, const QString& channel);

    BrokerSettings settings_;
    PublishTopics topics_;
    std::unique_ptr<BrokerConnection> connection_;
    std::map<QString, SensorShape> shapes_;   // per channel: what its configuration says
    std::int64_t readings_ = 0;
    bool stopped_ = false;
};
