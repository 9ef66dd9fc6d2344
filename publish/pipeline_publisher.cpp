#include "publish/pipeline_publisher.h"

#include "log/log_row.h"
#include "log/record_logger.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"

PipelinePublisher::PipelinePublisher(ReadingPipeline& pipeline, Source source, const BrokerSettings& settings,
                                     const LocaleClock& clock, std::size_t capacity, QObject* parent)
    : ChannelPublisher(settings, capacity, parent)
{
    if (source == Source::Rows) {
        connect(&pipeline, &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
            publish(kMeterChannel, topics().meter(), sensorShapeOf(row),
                    readingMessage(row, row.no.value_or(0), kMeterChannel));
        });
    } else {
        connect(&pipeline, &ReadingPipeline::frameShown, this, [this, &clock](const Reading& r) {
            LogRow row = offeredRow(r);
            row.loggedAt = r.arrivedAt.isValid() ? r.arrivedAt : clock.now();
            publish(kMeterChannel, topics().meter(), sensorShapeOf(row), readingMessage(row, ++readings_, kMeterChannel));
        });
    }
}
