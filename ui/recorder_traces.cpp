#include "ui/recorder_traces.h"

#include "decode/unit_display.h"
#include "log/log_table.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {

// Apart from the first meter's blue, told apart on white and in print.
const QColor kTraceColours[] = {
    {200, 0, 0}, {0, 140, 0}, {160, 0, 160}, {230, 120, 0}, {0, 150, 150}, {110, 110, 110}, {120, 80, 20},
};

} // namespace

void fitValueRange(QCPAxis& axis, double minimum, double maximum)
{
    if (minimum > maximum)
        return axis.setRange(-1, 1);
    const double margin = maximum > minimum ? (maximum - minimum) * 0.06 : std::max(1e-9, std::abs(maximum) * 0.05 + 1e-3);
    axis.setRange(minimum - margin, maximum + margin);
}

QString traceUnit(const LogTable& table)
{
    if (table.rowCount() == 0)
        return {};
    const UnitMeaning meaning = unitMeaning(table.text(table.rowCount() - 1, LogTable::Unit));
    return meaning.baseUnit.isEmpty() ? meaning.shown : meaning.baseUnit;
}

QColor RecorderTraces::colour(int index)
{
    constexpr int count = int(sizeof kTraceColours / sizeof kTraceColours[0]);
    return kTraceColours[index % count];
}

void RecorderTraces::dropGraphs()
{
    for (QCPGraph* g : graphs_)
        plot_.removeGraph(g);
    graphs_.clear();
}

void RecorderTraces::set(std::vector<RecorderTrace> traces)
{
    dropGraphs();
    traces_ = std::move(traces);
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        QCPGraph* g = plot_.addGraph(plot_.xAxis, plot_.yAxis);
        g->setPen(QPen(colour(int(i))));
        g->setLineStyle(QCPGraph::lsLine);
        g->setAdaptiveSampling(false);   // the points are already about two per column
        g->setAntialiased(false);
        g->setName(traces_[i].name);
        g->removeFromLegend();
        graphs_.push_back(g);
    }
}

void RecorderTraces::setShown(const QString& name, bool shown)
{
    if (shown)
        hidden_.remove(name);
    else
        hidden_.insert(name);
}

std::optional<std::pair<double, double>> RecorderTraces::timeSpan() const
{
    std::optional<std::pair<double, double>> span;
    for (const RecorderTrace& t : traces_) {
        const std::int64_t rows = t.summary->summarisedRows();
        if (!shown(t.name) || rows == 0)
            continue;
        const double from = rowX(*t.summary, RecorderAxis::Time, 0);
        const double to = rowX(*t.summary, RecorderAxis::Time, rows - 1);
        if (std::isnan(from) || std::isnan(to))
            continue;
        span = span ? std::make_pair(std::min(span->first, from), std::max(span->second, to)) : std::make_pair(from, to);
    }
    return span;
}

QCPAxis* RecorderTraces::axisFor(const QString& unit, const QString& mainUnit, std::vector<QCPAxis*>& used)
{
    if (unit == mainUnit)
        return plot_.yAxis;
    auto kept = std::find_if(unitAxes_.begin(), unitAxes_.end(), [&](const auto& u) { return u.first == unit; });
    if (kept == unitAxes_.end()) {
        // An axis of a unit no longer shown is given to the next unit rather than piling up.
        kept = std::find_if(unitAxes_.begin(), unitAxes_.end(),
                            [&](const auto& u) { return std::find(used.begin(), used.end(), u.second) == used.end(); });
        if (kept == unitAxes_.end()) {
            QCPAxis* axis = plot_.axisRect()->addAxis(QCPAxis::atRight);
            axis->setTickLabelColor(plot_.yAxis->tickLabelColor());
            unitAxes_.emplace_back(unit, axis);
            kept = unitAxes_.end() - 1;
        }
        kept->first = unit;
        kept->second->setLabel(unit);
    }
    if (std::find(used.begin(), used.end(), kept->second) == used.end())
        used.push_back(kept->second);
    return kept->second;
}

QString RecorderTraces::draw(const RecorderView& view, QString mainUnit, RecorderPoints& mainPoints)
{
    // Without a unit of the first meter's (hidden, or no row yet) the left axis is the first
    // shown channel's.
    for (std::size_t i = 0; i < traces_.size() && mainUnit.isEmpty() && view.axis == RecorderAxis::Time; ++i)
        if (shown(traces_[i].name))
            mainUnit = traceUnit(*traces_[i].table);
    std::vector<QCPAxis*> used;
    std::vector<std::pair<double, double>> ranges;   // per axis in `used`: minimum, maximum
    for (std::size_t i = 0; i < traces_.size(); ++i) {
        const RecorderTrace& t = traces_[i];
        QCPGraph* g = graphs_[i];
        const QString unit = traceUnit(*t.table);
        const bool visible = view.axis == RecorderAxis::Time && shown(t.name) && !unit.isEmpty();
        g->setVisible(visible);
        if (!visible) {
            g->data()->clear();
            continue;
        }
        const RecorderPoints p = recorderPoints(*t.summary, view);
        QVector<QCPGraphData> line;
        line.reserve(p.line.size());
        for (const RecorderPoint& point : p.line)
            line.append(QCPGraphData(point.x, point.y));
        g->data()->set(line, true);
        g->setName(QStringLiteral("%1 (%2)").arg(t.name, unit));
        g->addToLegend();
        QCPAxis* axis = axisFor(unit, mainUnit, used);
        g->setValueAxis(axis);
        if (p.minimum > p.maximum)
            continue;
        if (axis == plot_.yAxis) {
            mainPoints.minimum = mainPoints.minimum > mainPoints.maximum ? p.minimum : std::min(mainPoints.minimum, p.minimum);
            mainPoints.maximum = std::max(mainPoints.maximum, p.maximum);
            continue;
        }
        const std::size_t at = std::size_t(std::find(used.begin(), used.end(), axis) - used.begin());
        ranges.resize(used.size(), {0, -1});
        auto& r = ranges[at];
        r = r.first > r.second ? std::make_pair(p.minimum, p.maximum)
                               : std::make_pair(std::min(r.first, p.minimum), std::max(r.second, p.maximum));
    }
    ranges.resize(used.size(), {0, -1});
    for (const auto& [unit, axis] : unitAxes_) {
        const auto at = std::find(used.begin(), used.end(), axis);
        axis->setVisible(at != used.end());
        if (at != used.end()) {
            const auto& r = ranges[std::size_t(at - used.begin())];
            fitValueRange(*axis, r.first, r.second);
        }
    }
    return mainUnit;
}
