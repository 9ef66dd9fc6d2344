#include "reading/extremes.h"

Extremes::Extremes(int startFullScaleCount)
    : maxSeen_(float(-(startFullScaleCount + 1))), minSeen_(float(startFullScaleCount + 1))
{
}

void Extremes::pass(const Reading& in, int fullScaleCount)
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
    maxSeen_ = float(-fullScaleCount);
    minSeen_ = float(fullScaleCount);
}

void Extremes::update(const Reading& in, int fullScaleCount)
{
    // Two passes: a changed unit or function resets and then counts the reading; a changed
    // point resets twice, so the reading counts only from the next frame on.
    pass(in, fullScaleCount);
    pass(in, fullScaleCount);
    point_ = in.pointPosition;
}
