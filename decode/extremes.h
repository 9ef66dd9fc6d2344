#pragma once
// The highest and the lowest reading since the measuring situation (unit, function, decimal
// point) last changed, with the value texts that showed them.
#include <QString>

#include <functional>

struct ExtremesInput {
    QString valueText;
    double readingCount = 0;
    QString functionText;
    QString unitText;
    int pointPosition = 0;
    int fullScaleCount = 6000;   // as it stood before this frame
};

// What the labels under the meter show after a frame; units as a person reads them ("k\u03A9").
struct ExtremesLabels {
    QString maxText;    // MaxText
    QString minText;    // MinText
    QString maxUnit;    // MaxTextU
    QString minUnit;    // MinTextU
};

class Extremes {
public:
    // The start-up full scale of the model (4000, 6000 or 3400).
    explicit Extremes(int startFullScaleCount);

    // Called once per reset; the window asks the chart to show the series chosen by BtFill.
    void setShowSeries(std::function<void()> showSeries) { showSeries_ = std::move(showSeries); }

    // One frame: the pass runs twice, then the point is remembered. Returns the labels.
    ExtremesLabels update(const ExtremesInput& in);

    float maxSeen() const { return maxSeen_; }
    float minSeen() const { return minSeen_; }
    QString maxSeenText() const { return maxSeenText_; }
    QString minSeenText() const { return minSeenText_; }
    QString extremesUnit() const { return unit_; }
    QString extremesFunction() const { return function_; }
    int extremesPoint() const { return point_; }

private:
    void pass(const ExtremesInput& in);

    std::function<void()> showSeries_;
    float maxSeen_;   // single precision, like the counts it is compared with
    float minSeen_;
    QString maxSeenText_;
    QString minSeenText_;
    QString unit_ = QStringLiteral("113");   // no frame has this unit, so the first frame resets
    QString function_;
    int point_ = 0;
};
