#pragma once
// The recorder's further channels: the other meters and the computed channels of a session of
// several meters, each a line of its own colour against the time of day beside the first
// meter's, with one value axis per unit (a channel in the first meter's unit shares its axis),
// a legend entry, and shown or hidden by name. They need times to share an axis, so they are
// drawn on the time-of-day axis only.
#include "ui/recorder_points.h"

#include <QColor>
#include <QSet>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class LogTable;
class QCPAxis;
class QCPGraph;
class QCustomPlot;

// One further channel as the recorder is handed it; both outlive the trace.
struct RecorderTrace {
    QString name;
    const RunSummary* summary = nullptr;
    const LogTable* table = nullptr;
};

// The axis a channel's rows are drawn against: its newest row's base unit, else the unit's
// own text; empty before its first row.
QString traceUnit(const LogTable& table);

// A value axis fitted to [minimum, maximum] with a little room; -1..1 when empty (minimum >
// maximum).
void fitValueRange(QCPAxis& axis, double minimum, double maximum);

class RecorderTraces {
public:
    explicit RecorderTraces(QCustomPlot& plot) : plot_(plot) {}

    void set(std::vector<RecorderTrace> traces);
    const std::vector<RecorderTrace>& traces() const { return traces_; }
    bool empty() const { return traces_.empty(); }
    // The n-th channel's colour: the first meter's line keeps its own.
    static QColor colour(int index);

    // Shown or hidden by name, kept while the channels are handed again.
    void setShown(const QString& name, bool shown);
    bool shown(const QString& name) const { return !hidden_.contains(name); }

    // The times of the first and last rows of the shown channels, in axis seconds.
    std::optional<std::pair<double, double>> timeSpan() const;

    // Draws the shown channels over `view` (nothing on the record axis). A channel in
    // `mainUnit` widens `mainPoints`' range, so the left axis fits both; every other unit gets
    // an axis of its own on the right, fitted to what it shows. Returns the left axis's unit:
    // `mainUnit`, or the first shown channel's when that is empty.
    QString draw(const RecorderView& view, QString mainUnit, RecorderPoints& mainPoints);

private:
    QCPAxis* axisFor(const QString& unit, const QString& mainUnit, std::vector<QCPAxis*>& used);
    void dropGraphs();

    QCustomPlot& plot_;
    std::vector<RecorderTrace> traces_;
    std::vector<QCPGraph*> graphs_;               // one per trace, in its order
    std::vector<std::pair<QString, QCPAxis*>> unitAxes_;   // the right-hand axes, by unit
    QSet<QString> hidden_;
};
