#include "decode/extremes.h"

#include "decode/unit_display.h"

Extremes::Extremes(int startFullScaleCount)
    : maxSeen_(float(-(startFullScaleCount + 1))), minSeen_(float(startFullScaleCount + 1))
{
}

void Extremes::pass(const ExtremesInput& in)
{
    if (in.unitText == unit_ && in.pointPosition == point_ && in.functionText == function_) {
        // Ties update the texts: the latest of equal readings is shown.
        if (in.readingCount >= double(maxSeen_)) {
            maxSeenText_ = in.valueText;
            maxSeen_ = float(in.readingCount);
        }
        if (in.readingCount <= double(minSeen_)) {
            minSeenText_ = in.valueText;
            minSeen_ = float(in.readingCount);
        }
        return;
    }
    // A new situation: start over, keeping the old texts until a reading replaces them.
    if (showSeries_)
        showSeries_();
    unit_ = in.unitText;
    function_ = in.functionText;
    maxSeen_ = float(-in.fullScaleCount);
    minSeen_ = float(in.fullScaleCount);
}

ExtremesLabels Extremes::update(const ExtremesInput& in)
{
    // Two passes: a changed unit or function resets and then counts the reading; a changed
    // point resets twice, so the reading counts only from the next frame on.
    pass(in);
    pass(in);
    point_ = in.pointPosition;
    const QString unit = displayUnit(in.unitText);
    return ExtremesLabels{maxSeenText_, minSeenText_, unit, unit};
}
