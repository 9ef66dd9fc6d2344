#pragma once
// The publisher beside the front ends of one meter: it takes the reading pipeline's signals as
// the window and meter-read do and publishes each reading (or logged row) as the channel
// "meter" on PREFIX/reading and PREFIX/state.
#include "publish/channel_publisher.h"

#include <cstdint>

class LocaleClock;
class ReadingPipeline;

class PipelinePublisher : public ChannelPublisher {
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

private:
    std::int64_t readings_ = 0;
};
