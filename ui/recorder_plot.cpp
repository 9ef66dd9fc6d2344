#include "ui/recorder_plot.h"

#include "decode/unit_display.h"
#include "log/log_table.h"
#include "ui/chart_look.h"
#include "ui/chart_read_out.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCursorGrabPixels = 4;
constexpr double kShortestRecordSpan = 4;    // records across the plot at the deepest zoom
constexpr double kShortestTimeSpan = 2;      // seconds

// Whole records only: ticks never fall between two rows.
class RecordTicker : public QCPAxisTicker {
protected:
    double getTickStep(const QCPRange& range) override { return std::max(1.0, QCPAxisTicker::getTickStep(range)); }
};

} // namespace

RecorderPlot::RecorderPlot(const RunSummary& summary, const LogTable& table, QWidget* parent)
    : QCustomPlot(parent), summary_(summary), table_(table)
{
    setObjectName(QStringLiteral("RecorderPlot"));
    line_ = addGraph(xAxis, yAxis);
    overloadMarks_ = addGraph(xAxis, yAxis);
    overloadMarks_->removeFromLegend();
    line_->removeFromLegend();
    rangeShade_ = new QCPItemRect(this);
    rangeShade_->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    rangeShade_->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    for (auto*& cursor : cursors_)
        cursor = new QCPItemStraightLine(this);
    applyLook();
    applyTicker();
    placeCursors();

    readOut_ = new QLabel(this);
    readOut_->setObjectName(QStringLiteral("RecorderReadOut"));
    readOut_->setStyleSheet(QStringLiteral(
        "background: rgba(255, 255, 225, 235); border: 1px solid rgb(0, 64, 128); padding: 1px 3px"));
    readOut_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readOut_->hide();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void RecorderPlot::applyLook()
{
    using namespace chart_look;
    setInteractions(QCP::Interactions());   // zoom, pan and the cursors are this view's own
    setBackground(QBrush(BackgroundBottom));
    axisRect()->setBackground(QBrush(BackWall));
    yAxis->setLabel(ValueAxisTitle);
    yAxis->setBasePen(QPen(ValueAxisLine, 1, Qt::DashLine));
    xAxis->setNumberFormat(QStringLiteral("f"));
    xAxis->setNumberPrecision(0);
    line_->setPen(QPen(AreaOutline));
    line_->setLineStyle(QCPGraph::lsLine);
    line_->setAdaptiveSampling(false);   // the points are already about two per column
    line_->setAntialiased(false);        // strokes a pixel column wide: crisp, and cheap to draw
    overloadMarks_->setLineStyle(QCPGraph::lsNone);
    overloadMarks_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, QPen(Qt::red), QBrush(Qt::red), 7));
    const QPen cursorPen(QColor(200, 0, 0), 1, Qt::DashLine);
    for (auto* cursor : cursors_)
        cursor->setPen(cursorPen);
    legend->setVisible(false);
    legend->setBrush(QColor(255, 255, 255, 220));
    QFont legendFont = font();
    legendFont.setPointSizeF(legendFont.pointSizeF() * 0.9);
    legend->setFont(legendFont);
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    rangeShade_->setPen(Qt::NoPen);
    rangeShade_->setBrush(QColor(255, 200, 0, 50));
}

void RecorderPlot::applyTicker()
{
    if (axis_ == RecorderAxis::Record) {
        xAxis->setLabel(QStringLiteral("Record"));
        xAxis->setTicker(QSharedPointer<RecordTicker>::create());
        return;
    }
    // The date goes on the axis when the run spans midnight.
    const std::int64_t rows = summary_.summarisedRows();
    const auto first = rows > 0 ? summary_.timeOfRow(0) : std::nullopt;
    const auto last = rows > 0 ? summary_.timeOfRow(rows - 1) : std::nullopt;
    const bool overMidnight = first && last
                              && QDateTime::fromMSecsSinceEpoch(*first).date() != QDateTime::fromMSecsSinceEpoch(*last).date();
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeSpec(Qt::LocalTime);
    ticker->setDateTimeFormat(overMidnight ? QStringLiteral("yyyy-MM-dd\nhh:mm:ss") : QStringLiteral("hh:mm:ss"));
    xAxis->setTicker(ticker);
    xAxis->setLabel(QStringLiteral("Time of day"));
}

QCPRange RecorderPlot::wholeRun() const
{
    const std::int64_t rows = summary_.summarisedRows();
    if (rows == 0 && (axis_ == RecorderAxis::Record || !traces_.timeSpan()))
        return axis_ == RecorderAxis::Record ? QCPRange(1, 100) : QCPRange(0, 60);
    double from = rows > 0 ? rowX(summary_, axis_, 0) : std::nan("");
    double to = rows > 0 ? rowX(summary_, axis_, rows - 1) : std::nan("");
    if (axis_ == RecorderAxis::Time) {
        // Every shown channel's rows are in the whole run; the first meter's too when hidden,
        // so hiding a line does not move the view.
        if (const auto span = traces_.timeSpan()) {
            from = std::isnan(from) ? span->first : std::min(from, span->first);
            to = std::isnan(to) ? span->second : std::max(to, span->second);
        }
    }
    if (std::isnan(from) || std::isnan(to))
        return QCPRange(0, 60);
    const double shortest = axis_ == RecorderAxis::Record ? kShortestRecordSpan : kShortestTimeSpan;
    if (to - from < shortest)
        to = from + shortest;
    return QCPRange(from, to);
}

void RecorderPlot::setAxis(RecorderAxis axis)
{
    if (axis == axis_)
        return;
    // The same rows stay in view.
    const QCPRange shown = shownRange();
    const std::int64_t rows = summary_.summarisedRows();
    const std::int64_t first = std::clamp<std::int64_t>(rowAtX(summary_, axis_, shown.lower), 0, std::max<std::int64_t>(0, rows - 1));
    const std::int64_t last = std::clamp<std::int64_t>(rowAtX(summary_, axis_, shown.upper) - 1, first, std::max<std::int64_t>(0, rows - 1));
    axis_ = axis;
    applyTicker();
    if (wholeRunShown_ || rows == 0) {
        xAxis->setRange(wholeRun());
    } else {
        const double from = rowX(summary_, axis_, first), to = rowX(summary_, axis_, last);
        xAxis->setRange(std::isnan(from) || std::isnan(to) || to <= from ? wholeRun() : QCPRange(from, to));
    }
    refreshNow();
}

void RecorderPlot::showWholeRun()
{
    wholeRunShown_ = true;
    applyTicker();
    xAxis->setRange(wholeRun());
    refreshNow();
}

void RecorderPlot::setFollowing(bool on)
{
    if (on == following_)
        return;
    following_ = on;
    if (on) {
        followNewest();
        refreshNow();
    }
    emit followingChanged(on);
}

void RecorderPlot::userMoved()
{
    wholeRunShown_ = false;
    setFollowing(false);
}

void RecorderPlot::zoomTo(double from, double to)
{
    const QCPRange whole = wholeRun();
    const double shortest = axis_ == RecorderAxis::Record ? kShortestRecordSpan : kShortestTimeSpan;
    double span = std::clamp(to - from, shortest, whole.size());
    from = std::clamp(from, whole.lower, whole.upper - span);
    userMoved();
    xAxis->setRange(from, from + span);
    refreshNow();
}

void RecorderPlot::zoomAbout(double at, double factor)
{
    const QCPRange shown = shownRange();
    zoomTo(at - (at - shown.lower) * factor, at + (shown.upper - at) * factor);
}

void RecorderPlot::followNewest()
{
    const QCPRange whole = wholeRun();
    if (wholeRunShown_) {
        xAxis->setRange(whole);
        return;
    }
    const double span = std::min(shownRange().size(), whole.size());
    xAxis->setRange(whole.upper - span, whole.upper);
}

void RecorderPlot::rowsChanged()
{
    if (isVisible())
        refresh_.request();
}

void RecorderPlot::summaryReset()
{
    range_.reset();
    wholeRunShown_ = true;
    applyTicker();
    xAxis->setRange(wholeRun());
    emit rangeChanged();
    rowsChanged();
}

void RecorderPlot::refreshNow()
{
    if (following_ || wholeRunShown_)
        followNewest();
    const QCPRange shown = shownRange();
    const RecorderView view{axis_, shown.lower, shown.upper, std::max(1, axisRect()->width())};
    const bool mainShown = traces_.shown(mainName_);
    points_ = mainShown ? recorderPoints(summary_, view) : RecorderPoints{};
    line_->setVisible(mainShown);
    overloadMarks_->setVisible(mainShown);
    QVector<QCPGraphData> line;
    line.reserve(points_.line.size());
    for (const RecorderPoint& p : points_.line)
        line.append(QCPGraphData(p.x, p.y));
    line_->data()->set(line, true);
    const QString mainUnit = mainShown ? traceUnit(table_) : QString();
    const bool withTraces = !traces_.empty() && axis_ == RecorderAxis::Time;
    // The legend in the channels' order, the first meter's line first.
    legend->clearItems();
    line_->setName(mainUnit.isEmpty() ? mainName_ : QStringLiteral("%1 (%2)").arg(mainName_, mainUnit));
    if (withTraces && mainShown && points_.endRow > points_.firstRow)
        line_->addToLegend();
    RecorderPoints drawn = points_;   // the left axis fits the channels sharing it too
    const QString leftUnit = traces_.draw(view, mainUnit, drawn);
    fitValueRange(*yAxis, drawn.minimum, drawn.maximum);
    QVector<QCPGraphData> marks;
    const double top = yAxis->range().upper - yAxis->range().size() * 0.03;
    for (double x : points_.overloads)
        marks.append(QCPGraphData(x, top));
    overloadMarks_->data()->set(marks, true);
    // A line without a break is one function and base unit: the axis names it.
    const bool oneLine = std::none_of(points_.line.begin(), points_.line.end(), [](const RecorderPoint& p) { return std::isnan(p.y); });
    const QString unit = oneLine && points_.endRow > points_.firstRow
                             ? unitMeaning(table_.text(points_.endRow - 1, LogTable::Unit)).baseUnit
                             : QString();
    const QString named = withTraces ? leftUnit : unit;
    yAxis->setLabel(named.isEmpty() ? chart_look::ValueAxisTitle : chart_look::ValueAxisTitle + QStringLiteral(" (%1)").arg(named));
    legend->setVisible(withTraces && legend->itemCount() > 0);
    placeCursors();
    placeMarks();
    replot(QCustomPlot::rpQueuedReplot);
}

void RecorderPlot::setTraces(const QString& mainName, std::vector<RecorderTrace> traces)
{
    mainName_ = mainName;
    traces_.set(std::move(traces));
    refreshNow();
}

void RecorderPlot::setShown(const QString& name, bool shown)
{
    traces_.setShown(name, shown);
    refreshNow();
}

double RecorderPlot::cursorX(std::int64_t row) const { return rowX(summary_, axis_, row); }

void RecorderPlot::setRange(std::optional<RecorderRange> range)
{
    if (range && range->first > range->last)
        std::swap(range->first, range->last);
    range_ = range;
    placeCursors();
    replot(QCustomPlot::rpQueuedReplot);
    emit rangeChanged();
}

void RecorderPlot::placeCursors()
{
    const bool shown = range_.has_value();
    rangeShade_->setVisible(shown);
    for (auto* cursor : cursors_)
        cursor->setVisible(shown);
    if (!shown)
        return;
    const double xs[2] = {cursorX(range_->first), cursorX(range_->last)};
    for (int i = 0; i < 2; ++i) {
        cursors_[i]->point1->setCoords(xs[i], 0);
        cursors_[i]->point2->setCoords(xs[i], 1);
    }
    rangeShade_->topLeft->setCoords(xs[0], 0);
    rangeShade_->bottomRight->setCoords(xs[1], 1);
}

std::int64_t RecorderPlot::rowNear(const QPoint& pos) const
{
    const std::int64_t rows = summary_.summarisedRows();
    if (rows == 0)
        return -1;
    const double x = xAxis->pixelToCoord(pos.x());
    const std::int64_t after = std::clamp<std::int64_t>(rowAtX(summary_, axis_, x), 0, rows - 1);
    const std::int64_t before = std::max<std::int64_t>(0, after - 1);
    return std::abs(rowX(summary_, axis_, before) - x) < std::abs(rowX(summary_, axis_, after) - x) ? before : after;
}

QString RecorderPlot::readOutText() const { return readOut_->isVisible() ? readOut_->text() : QString(); }

void RecorderPlot::showReadOut(const QPoint& pos)
{
    const std::int64_t row = axisRect()->rect().contains(pos) ? rowNear(pos) : -1;
    if (row < 0 || row >= table_.rowCount())
        return readOut_->hide();
    const QString text = recorderReadOutText(table_.row(row), summary_.timeOfRow(row));
    if (readOut_->text() != text) {
        readOut_->setText(text);
        readOut_->adjustSize();
    }
    QPoint at = pos + QPoint(12, -readOut_->height() - 6);
    at.setX(std::min(at.x(), width() - readOut_->width() - 2));
    at.setY(std::max(at.y(), 2));
    readOut_->move(at);
    readOut_->show();
    readOut_->raise();
}

void RecorderPlot::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    zoomAbout(xAxis->pixelToCoord(event->position().x()), std::pow(kWheelZoomStep, steps));
    showReadOut(event->position().toPoint());   // another row is under the pointer now
    event->accept();
}

void RecorderPlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragFrom_ = event->pos();
    dragRange_ = shownRange();
    drag_ = Drag::Pan;
    if (event->modifiers() & Qt::ShiftModifier) {
        anchorRow_ = rowNear(event->pos());
        if (anchorRow_ >= 0) {
            drag_ = Drag::RangeEnd;
            setRange(RecorderRange{anchorRow_, anchorRow_});
        }
        return;
    }
    if (range_) {
        for (int i = 0; i < 2; ++i) {
            const double px = xAxis->coordToPixel(cursorX(i == 0 ? range_->first : range_->last));
            if (std::abs(px - event->pos().x()) <= kCursorGrabPixels) {
                drag_ = i == 0 ? Drag::FirstCursor : Drag::LastCursor;
                anchorRow_ = i == 0 ? range_->last : range_->first;   // the other cursor stays
                return;
            }
        }
    }
}

void RecorderPlot::mouseMoveEvent(QMouseEvent* event)
{
    showReadOut(event->pos());
    if (!(event->buttons() & Qt::LeftButton) || drag_ == Drag::None)
        return;
    if (drag_ == Drag::Pan) {
        const double perPixel = dragRange_.size() / std::max(1, axisRect()->width());
        const double shift = (dragFrom_.x() - event->pos().x()) * perPixel;
        if (shift != 0)
            zoomTo(dragRange_.lower + shift, dragRange_.upper + shift);
        return;
    }
    const std::int64_t row = rowNear(event->pos());
    if (row >= 0)
        setRange(RecorderRange{std::min(anchorRow_, row), std::max(anchorRow_, row)});
}

void RecorderPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        drag_ = Drag::None;
}

void RecorderPlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    drag_ = Drag::None;
    const std::int64_t row = rowNear(event->pos());
    if (event->button() == Qt::LeftButton && row >= 0)
        emit rowActivated(row);
}

void RecorderPlot::leaveEvent(QEvent* event)
{
    readOut_->hide();
    QCustomPlot::leaveEvent(event);
}

void RecorderPlot::showEvent(QShowEvent* event)
{
    QCustomPlot::showEvent(event);
    refreshNow();
}

void RecorderPlot::resizeEvent(QResizeEvent* event)
{
    QCustomPlot::resizeEvent(event);
    rowsChanged();
}

void RecorderPlot::setEventMarks(std::vector<std::int64_t> rows)
{
    std::sort(rows.begin(), rows.end());
    if (rows == marks_)
        return;
    marks_ = std::move(rows);
    refresh_.request();
}

int RecorderPlot::marksShown() const
{
    return int(std::count_if(markLines_.begin(), markLines_.end(), [](const QCPItemStraightLine* l) { return l->visible(); }));
}

void RecorderPlot::placeMarks()
{
    const QCPRange shown = shownRange();
    const auto first = std::lower_bound(marks_.begin(), marks_.end(), rowAtX(summary_, axis_, shown.lower) - 1);
    const auto last = std::upper_bound(first, marks_.end(), rowAtX(summary_, axis_, shown.upper) + 1);
    const std::size_t count = std::min<std::size_t>(std::size_t(last - first), kMostMarksShown);
    while (markLines_.size() < count) {
        auto* line = new QCPItemStraightLine(this);
        line->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        line->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
        line->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
        markLines_.push_back(line);
    }
    for (std::size_t k = 0; k < markLines_.size(); ++k) {
        const double x = k < count ? cursorX(first[std::ptrdiff_t(k)]) : 0;
        markLines_[k]->setVisible(k < count && !std::isnan(x));
        markLines_[k]->point1->setCoords(x, 0);
        markLines_[k]->point2->setCoords(x, 1);
    }
}
