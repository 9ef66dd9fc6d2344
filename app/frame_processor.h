#pragma once
// What the window does with one accepted frame, in its fixed order: decode, mirror the LCD,
// extremes, judge, hand the reading to the log, bar graph. Widget-free: the window repaints
// from the models afterwards.
#include "app/meter_reading.h"
#include "decode/decoded_frame.h"

#include <QString>
#include <functional>

class LcdPanelModel;
class Extremes;
class LimitJudge;
class TrendChartModel;
struct ExtremesLabels;

class FrameProcessor {
public:
    struct Parts {
        LcdPanelModel& panel;
        Extremes& extremes;
        LimitJudge& judge;
        TrendChartModel& chart;
    };
    struct Hooks {
        std::function<QString()> localeSeparator;         // read afresh for every frame
        std::function<bool()> dataDisplayChecked;         // Data_display
        std::function<void()> linkAlive;                  // watchdog count back to 0
        std::function<void(const ExtremesLabels&)> showExtremes;
        std::function<void()> readingReady;               // logging: Timer3 or INDataToTable
    };

    FrameProcessor(Parts parts, Hooks hooks) : p_(parts), h_(std::move(hooks)) {}

    MeterReading& reading() { return reading_; }
    const MeterReading& reading() const { return reading_; }
    const DecodedFrame& lastFrame() const { return frame_; }

    // Throws ConversionError for a frame whose text cannot be read; what the steps before
    // the failure did stays done.
    void LcdDisplayVK31C(const QString& frameText);

private:
    Parts p_;
    Hooks h_;
    MeterReading reading_;
    DecodedFrame frame_;
};
