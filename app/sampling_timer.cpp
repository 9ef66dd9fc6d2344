#include "app/sampling_timer.h"

#include "reading/reading_pipeline.h"

#include <QTimer>

SamplingTimer::SamplingTimer(ReadingPipeline& pipeline, QTimer& timer, QObject* parent)
    : QObject(parent), pipeline_(pipeline), timer_(timer)
{
    timer_.setInterval(RecordLogger::kDefaultIntervalMs);
    connect(&pipeline_, &ReadingPipeline::frameShown, this, &SamplingTimer::follow);
}

void SamplingTimer::setIntervalMs(int ms) { timer_.setInterval(ms); }

void SamplingTimer::follow()
{
    if (!pipeline_.logger().samplingActive())
        timer_.stop();
    else if (!timer_.isActive())
        timer_.start();
}
