#pragma once
// The trend chart's data and axes, without any drawing: the two series (area and line),
// the record axis window, the value axis bounds and which series is shown.
//
// Both series always receive the same points, so their values are kept once, as one
// compact array of doubles (8 bytes per point). A point's record position (X) is its
// index in that array. The view draws only the points inside the record axis window.
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <vector>

// Refusal of an axis bound that would put the minimum above the maximum.
class ChartAxisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Index range [first, first + count) of the points the view hands to the plot.
struct VisibleSlice {
    std::size_t first = 0;
    std::size_t count = 0;
};

class TrendChartModel {
public:
    static constexpr int SeriesCount = 2;  // 0: Series2 (area), 1: Series1 (line)
    static constexpr int AreaSeries = 0;
    static constexpr int LineSeries = 1;

    TrendChartModel() = default;
    TrendChartModel(const TrendChartModel&) = delete;
    TrendChartModel& operator=(const TrendChartModel&) = delete;

    // Called after every change that can alter the drawing (the view redraws later,
    // once, however many changes came in between).
    void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // --- points (every series at once) ---
    // Adds a point to every series; it gets X = the point count before the add.
    void addPointToAllSeries(double y);
    void emptyAllSeries();
    // Each series is emptied and receives one placeholder point at X = 0.
    void fillSeriesWithPlaceholder();
    std::size_t pointCount() const { return values_.size(); }
    double value(std::size_t x) const { return values_[x]; }
    const std::vector<double>& values() const { return values_; }
    void reservePoints(std::size_t n) { values_.reserve(n); }

    // --- series visibility ---
    // Hides every series, then shows the one with that index (an index outside
    // 0..SeriesCount-1 leaves every series hidden).
    void showSeries(int index);
    bool isSeriesVisible(int index) const { return index == visibleSeries_; }
    int visibleSeries() const { return visibleSeries_; }

    // --- record (horizontal) axis ---
    void setRecordAxisMinimum(double minimum);  // throws ChartAxisError
    void setRecordAxisMaximum(double maximum);  // throws ChartAxisError
    // Sets both bounds together; refused only when minimum > maximum.
    void setRecordAxisWindow(double minimum, double maximum);
    double recordAxisMinimum() const { return recordMin_; }
    double recordAxisMaximum() const { return recordMax_; }
    // Moves the window by offset if the visible series holds a point beyond the edge
    // it moves towards; returns whether it moved.
    bool scrollRecordAxis(double offset);

    // --- value (vertical, left) axis ---
    void setLeftAxisMaximum(double maximum);  // throws ChartAxisError
    void setLeftAxisMinimum(double minimum);  // throws ChartAxisError
    // The decoder's order: maximum first, then minimum.
    void setLeftAxisBounds(double maximum, double minimum);
    double leftAxisMaximum() const { return valueMax_; }
    double leftAxisMinimum() const { return valueMin_; }

    // The points the view must draw: those inside the record window plus one
    // neighbour on each side, so lines run to the window's edges.
    VisibleSlice visibleSlice() const;

private:
    void changed() const;
    bool insideDrawnRange(std::size_t x) const;

    std::vector<double> values_;
    int visibleSeries_ = AreaSeries;
    double recordMin_ = 0.0;
    double recordMax_ = 100.0;
    double valueMin_ = -4100.0;  // the layout's value axis
    double valueMax_ = 4100.0;
    std::function<void()> listener_;
};
