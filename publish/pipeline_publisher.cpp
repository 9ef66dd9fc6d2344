#include "publish/pipeline_publisher.h"

#include "log/log_row.h"
#include "log/record_logger.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"

PipelinePublisher::PipelinePublisher(ReadingPipeline& pipeline, Source source, const BrokerSettings& settings,
                                     const LocaleClock& clock, std::size_t capacity, QObject* parent)
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

    if (source == Source::Rows) {
        connect(&pipeline, &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
            publish(row, row.no.value_or(0), kMeterChannel);
        });
    } else {
        connect(&pipeline, &ReadingPipeline::frameShown, this, [this, &clock](const Reading& r) {
            LogRow row = offeredRow(r);
            row.loggedAt = r.arrivedAt.isValid() ? r.arrivedAt : clock.now();
            publish(row, ++readings_, kMeterChannel);
        });
    }
}

PipelinePublisher::~PipelinePublisher() { stop(); }

BrokerConnection::Ending PipelinePublisher::stop(std::chrono::milliseconds flushFor)
{
    stopped_ = true;
    return connection_->stop(flushFor);
}

void PipelinePublisher::publish(const LogRow& row, std::int64_t seq, const QString& channel)
{
    if (stopped_)
        return;
    if (!topics_.discoveryPrefix.isEmpty()) {
        // Discovery follows the unit shown: a new function or unit is a new configuration.
        const SensorShape shape = sensorShapeOf(row);
        auto known = shapes_.find(channel);
        if (known == shapes_.end() || known->second != shape) {
            shapes_[channel] = shape;
            connection_->queue().setRetained(topics_.discoveryConfig(channel),
                                             discoveryConfigMessage(settings_, topics_, channel, shape));
        }
    }
    connection_->queue().pushReading(readingMessage(row, seq, channel));
}
