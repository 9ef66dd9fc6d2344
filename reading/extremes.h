#pragma once
// The highest and the lowest reading since the measuring situation (unit, function, decimal
// point) last changed, with the value texts that showed them.
#include "decode/reading.h"

#include <QString>

#include <functional>

// What the labels under the meter show after a frame; units in the system's characters ("k*").
struct ExtremesLabels {
    QString maxText;    // MaxText
    QString minText;    // MinText
    QString unit;       // MaxTextU and MinTextU
};

class Extremes {
public:
    // The start-up full scale of the model (4000, 6000 or 3400).
    explicit Extremes(int startFullScaleCount);

    // Called once per reset; the window asks the chart to show the series chosen by BtFill.
    void setShowSeries(std::function<void()> showSeries) { showSeries_ = std::move(showSeries); }

    // One frame, with the full scale as it stood before it: the pass runs twice, then the
    // point is remembered.
    void update(const Reading& reading, int fullScaleCount);
    // What the labels show; null texts before the first reading reached them.
    ExtremesLabels labels() const { return {maxSeenText_, minSeenText_, unit_}; }

    float maxSeen() const { return maxSeen_; }
    float minSeen() const { return minSeen_; }
    QString extremesUnit() const { return unit_; }
    QString extremesFunction() const { return function_; }
    int extremesPoint() const { return point_; }

private:
    void pass(const Reading& in, int fullScaleCount);

    std::function<void()> showSeries_;
    float maxSeen_;   // single precision, like the counts it is compared with
    float minSeen_;
    QString maxSeenText_;
    QString minSeenText_;
    QString unit_ = QStringLiteral("113");   // no frame has this unit, so the first frame resets
    QString function_;
    int point_ = 0;
};
