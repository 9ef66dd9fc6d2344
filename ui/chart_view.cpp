#include "ui/chart_view.h"

#include "ui/chart_look.h"

#include <QLabel>
#include <QLinearGradient>
#include <QMetaObject>

#include <algorithm>
#include <cmath>

namespace {

// The value axis always shows four minor ticks between two major ones.
class FixedSubTickTicker : public QCPAxisTicker {
protected:
    int getSubTickCount(double) override { return chart_look::MinorTickCount; }
};

QBrush backgroundGradient()
{
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, chart_look::BackgroundTop);
    gradient.setColorAt(1, chart_look::BackgroundBottom);
    return QBrush(gradient);
}

}  // namespace

ChartView::ChartView(TrendChartModel& model, QWidget* parent) : QCustomPlot(parent), model_(model)
{
    resize(LayoutWidth, LayoutHeight);
    model_.setLeftAxisBounds(chart_look::LayoutValueAxisMaximum, chart_look::LayoutValueAxisMinimum);

    // The graphs get a buffered layer above the grid and below the axes.
    addLayer(QStringLiteral("series"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
    seriesLayer_ = layer(QStringLiteral("series"));
    seriesLayer_->setMode(QCPLayer::lmBuffered);
    setCurrentLayer(seriesLayer_);
    area_ = addGraph(xAxis, yAxis);
    line_ = addGraph(xAxis, yAxis);
    floor_ = addGraph(xAxis, yAxis);
    setCurrentLayer(QStringLiteral("main"));
    // Nothing is drawn on the overlay (no selection by mouse): it shares the axes' buffer
    // instead of costing a blend of its own on every paint.
    layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    // Both series show the same points: they share one container of the visible slice.
    line_->setData(area_->data());
    applyLook();

    model_.setChangeListener([this] { refresh_.request(); });
    refreshNow();

    readOutLabel_ = new QLabel(this);
    readOutLabel_->setObjectName(QStringLiteral("ChartReadOut"));
    readOutLabel_->setStyleSheet(QStringLiteral(
        "background: rgba(255, 255, 225, 235); border: 1px solid rgb(0, 64, 128); padding: 1px 3px"));
    readOutLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readOutLabel_->hide();
    setMouseTracking(true);
    connect(this, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { showReadOut(e->pos()); });
}

qint64 ChartView::recordAt(const QPoint& pos) const
{
    if (!axisRect()->rect().contains(pos))
        return -1;
    const double x = std::round(xAxis->pixelToCoord(pos.x()));
    if (x < model_.recordAxisMinimum() || x > model_.recordAxisMaximum() || x < 0
        || x >= double(model_.pointCount()))
        return -1;
    return qint64(x);
}

QString ChartView::readOutText() const
{
    return readOutLabel_->isVisible() ? readOutLabel_->text() : QString();
}

void ChartView::showReadOut(const QPoint& pos)
{
    const qint64 record = recordAt(pos);
    const QString text = record >= 0 && readOut_ ? readOut_(record) : QString();
    if (text.isEmpty()) {
        readOutLabel_->hide();
        return;
    }
    if (readOutLabel_->text() != text) {
        readOutLabel_->setText(text);
        readOutLabel_->adjustSize();
    }
    // Beside the pointer, inside the chart.
    QPoint at = pos + QPoint(12, -readOutLabel_->height() - 6);
    at.setX(std::min(at.x(), width() - readOutLabel_->width() - 2));
    at.setY(std::max(at.y(), 2));
    readOutLabel_->move(at);
    readOutLabel_->show();
    readOutLabel_->raise();
}

void ChartView::leaveEvent(QEvent* event)
{
    readOutLabel_->hide();
    QCustomPlot::leaveEvent(event);
}

ChartView::~ChartView()
{
    model_.setChangeListener({});
}

void ChartView::applyLook()
{
    using namespace chart_look;
    setInteractions(QCP::Interactions());  // no mouse zoom or pan
    legend->setVisible(false);
    setBackground(backgroundGradient());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Panel);
    setPalette(pal);

    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, new QCPTextElement(this, Title));
    plotLayout()->setMargins(QMargins(MarginLeft, 0, 0, MarginBottom));
    axisRect()->setBackground(QBrush(BackWall));

    xAxis->setLabel(RecordAxisTitle);
    // Record numbers are whole: no ticks between them, however short the page.
    auto recordTicker = QSharedPointer<QCPAxisTickerFixed>::create();
    recordTicker->setTickStep(1);
    recordTicker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    xAxis->setTicker(recordTicker);
    yAxis->setLabel(ValueAxisTitle);
    yAxis->setBasePen(QPen(ValueAxisLine, 1, Qt::DashLine));
    yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new FixedSubTickTicker));
    yAxis->setTickLength(0, TickLength);
    yAxis->setSubTickLength(0, MinorTickLength);

    area_->setName(QStringLiteral("Series2"));
    area_->setPen(QPen(AreaOutline));
    area_->setBrush(AreaFill);
    area_->setLineStyle(QCPGraph::lsLine);
    area_->setScatterStyle(QCPScatterStyle::ssNone);
    area_->setChannelFillGraph(floor_);
    floor_->setPen(Qt::NoPen);
    floor_->setLineStyle(QCPGraph::lsLine);

    line_->setName(QStringLiteral("Series1"));
    line_->setPen(QPen(LineSeriesColour));
    line_->setBrush(Qt::NoBrush);
    line_->setLineStyle(QCPGraph::lsLine);
    line_->setScatterStyle(QCPScatterStyle::ssNone);
}

void ChartView::refreshNow()
{
    const Frame frame{QCPRange(model_.recordAxisMinimum(), model_.recordAxisMaximum()),
                      QCPRange(model_.leftAxisMinimum(), model_.leftAxisMaximum()),
                      model_.isSeriesVisible(TrendChartModel::AreaSeries),
                      model_.isSeriesVisible(TrendChartModel::LineSeries)};
    xAxis->setRange(frame.records);
    yAxis->setRange(frame.values);
    area_->setVisible(frame.area);
    line_->setVisible(frame.line);

    const VisibleSlice slice = model_.visibleSlice();
    QVector<QCPGraphData> points;
    points.reserve(static_cast<int>(slice.count));
    for (std::size_t i = 0; i < slice.count; ++i) {
        const std::size_t x = slice.first + i;
        points.append(QCPGraphData(static_cast<double>(x), model_.value(x)));
    }
    area_->data()->set(points, true);

    // The area is filled down to the bottom axis, not to the value 0.
    const double floorValue = model_.leftAxisMinimum();
    floor_->setData({model_.recordAxisMinimum() - 2, model_.recordAxisMaximum() + 2}, {floorValue, floorValue}, true);
    floor_->setVisible(area_->visible());
    placeMarks();
    if (drawnFrame_ == frame) {
        seriesLayer_->replot();   // new points on the same page
    } else {
        drawnFrame_ = frame;
        replot(QCustomPlot::rpQueuedReplot);
    }
}

QImage ChartView::renderImage()
{
    refreshNow();
    setBackground(QBrush(Qt::white));
    const QPixmap picture = toPixmap(width(), height());
    setBackground(backgroundGradient());
    drawnFrame_.reset();   // the background buffer is to be drawn anew
    replot(QCustomPlot::rpQueuedReplot);
    return picture.toImage();
}

void ChartView::setEventMarks(std::vector<double> records)
{
    std::sort(records.begin(), records.end());
    if (records == marks_)
        return;
    marks_ = std::move(records);
    refresh_.request();
}

void ChartView::placeMarks()
{
    const auto first = std::lower_bound(marks_.begin(), marks_.end(), model_.recordAxisMinimum());
    const auto last = std::upper_bound(first, marks_.end(), model_.recordAxisMaximum());
    const std::size_t shown = std::min<std::size_t>(std::size_t(last - first), kMostMarksShown);
    while (markLines_.size() < shown) {
        auto* line = new QCPItemStraightLine(this);
        line->setLayer(seriesLayer_);
        line->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        line->setClipToAxisRect(true);
        line->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
        line->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
        markLines_.push_back(line);
    }
    for (std::size_t k = 0; k < markLines_.size(); ++k) {
        QCPItemStraightLine* line = markLines_[k];
        line->setVisible(k < shown);
        if (k < shown) {
            line->point1->setCoords(first[std::ptrdiff_t(k)], 0);
            line->point2->setCoords(first[std::ptrdiff_t(k)], 1);
        }
    }
}

int ChartView::marksShown() const
{
    return int(std::count_if(markLines_.begin(), markLines_.end(), [](const QCPItemStraightLine* l) { return l->visible(); }));
}
