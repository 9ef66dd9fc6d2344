#include "app/frame_processor.h"

#include "chart/trend_chart_model.h"
#include "decode/extremes.h"
#include "decode/frame_decoder.h"
#include "decode/lcd_panel_model.h"
#include "decode/limit_judge.h"

void FrameProcessor::LcdDisplayVK31C(const QString& frameText)
{
    const QString separator = h_.localeSeparator ? h_.localeSeparator() : QStringLiteral(".");
    p_.judge.normaliseLimits(separator);
    p_.panel.markLinkAlive();
    if (h_.linkAlive)
        h_.linkAlive();

    DecodeInput in;
    in.frameText = frameText;
    in.decimalSeparator = separator;
    in.fullScaleCount = reading_.FullScaleCount;
    in.previousReadingCount = reading_.ReadingCount;
    const bool dataDisplay = h_.dataDisplayChecked && h_.dataDisplayChecked();
    try {
        decodeFrameInto(in, frame_);
    } catch (...) {
        // The steps the frame got through stay done: cleared texts and indicators, the value text.
        if (frame_.progress >= DecodeProgress::TextsCleared) {
            reading_.FunctionText = frame_.functionText;
            reading_.UnitText = frame_.unitText;
            reading_.RangeModeText = frame_.rangeModeText;
            reading_.ReadingValue = frame_.readingValue;
        }
        if (frame_.progress >= DecodeProgress::ValueText)
            reading_.ValueText = frame_.valueText;
        p_.panel.applyIndicators(frame_, dataDisplay);
        throw;
    }
    p_.panel.applyIndicators(frame_, dataDisplay);
    reading_.ValueText = frame_.valueText;
    reading_.ReadingCount = frame_.readingCount;
    reading_.FunctionText = frame_.functionText;
    reading_.UnitText = frame_.unitText;
    reading_.RangeModeText = frame_.rangeModeText;
    reading_.PointPosition = frame_.pointPosition;

    // Extremes compare counts under the full scale from before this frame.
    ExtremesInput ex;
    ex.valueText = reading_.ValueText;
    ex.readingCount = reading_.ReadingCount;
    ex.functionText = reading_.FunctionText;
    ex.unitText = reading_.UnitText;
    ex.pointPosition = reading_.PointPosition;
    ex.fullScaleCount = reading_.FullScaleCount;
    const ExtremesLabels labels = p_.extremes.update(ex);
    if (h_.showExtremes)
        h_.showExtremes(labels);
    p_.panel.applyDigitCaptions(frame_);

    reading_.FullScaleCount = frame_.fullScaleCount;
    reading_.ReadingValue = frame_.readingValue;
    if (frame_.hasRange) {
        p_.panel.applyRangeBounds(frame_);
        p_.chart.setLeftAxisBounds(frame_.rangeBound, -frame_.rangeBound);
    }

    if (p_.judge.judge(reading_.ValueText, separator))
        reading_.JudgeText = p_.judge.judgeText();
    reading_.NewReadingFlag = true;
    p_.panel.applyBarGraphMaximum();
    if (h_.readingReady)
        h_.readingReady();
    p_.panel.rememberAxisMaximum();
}
