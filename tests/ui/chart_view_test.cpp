// The chart widget: what it hands to the plot, its axes, which series it shows and the
// picture it draws.
#include "chart/chart_control.h"
#include "ui/chart_look.h"
#include "ui/chart_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QColor pixelAt(const QImage& image, double x, double y)
{
    return image.pixelColor(static_cast<int>(x), static_cast<int>(y));
}

// Whether a column of the picture holds a pixel of the line series' red (antialiased).
bool columnHasRed(const QImage& image, double x)
{
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(static_cast<int>(x), y);
        if (c.red() == 255 && c.green() < 128 && c.blue() < 128)
            return true;
    }
    return false;
}

}  // namespace


TEST(ChartViewTest, HandsThePlotOnlyTheVisiblePage)
{
    TrendChartModel model;
    ChartView view(model);
    TChartControl pager(view.model(), 100);
    view.model().fillSeriesWithPlaceholder();
    for (int i = 1; i <= 249950; ++i)
        pager.AddValue(i % 1000);
    view.refreshNow();

    // Window 249901..250000 plus one neighbour on the left; the data ends at 249950.
    EXPECT_EQ(view.xAxis->range().lower, 249901);
    EXPECT_EQ(view.xAxis->range().upper, 250000);
    const auto data = view.areaGraph()->data();
    ASSERT_EQ(data->size(), 51);
    EXPECT_EQ(data->constBegin()->key, 249900);
    EXPECT_EQ(data->constBegin()->value, 900);
    EXPECT_EQ((data->constEnd() - 1)->key, 249950);
    EXPECT_EQ(view.lineGraph()->data()->size(), 51) << "both series show the same points";

    pager.FirstPage();
    view.refreshNow();
    EXPECT_EQ(view.xAxis->range().lower, 1);
    EXPECT_EQ(view.areaGraph()->data()->size(), 102) << "X 0..101 for the window 1..100";
}

TEST(ChartViewTest, ChangesAreDrawnOnceFromTheEventLoop)
{
    TrendChartModel model;
    ChartView view(model);
    view.refreshNow();
    TChartControl pager(view.model(), 10);
    for (int i = 0; i < 25; ++i)
        pager.AddValue(i);
    EXPECT_TRUE(view.refreshPending());
    EXPECT_NE(view.xAxis->range().lower, 21) << "not drawn before the event loop runs";
    QCoreApplication::processEvents();
    EXPECT_FALSE(view.refreshPending());
    EXPECT_EQ(view.xAxis->range().lower, 21);
    EXPECT_EQ(view.xAxis->range().upper, 30);
}

TEST(ChartViewTest, ValueAxisFollowsTheBoundsSetMaximumFirst)
{
    TrendChartModel model;
    ChartView view(model);
    view.setLeftAxisBounds(6000, -6000);
    view.setLeftAxisBounds(4, -4);
    view.refreshNow();
    EXPECT_EQ(view.leftAxisMaximum(), 4);
    EXPECT_EQ(view.yAxis->range().lower, -4);
    EXPECT_EQ(view.yAxis->range().upper, 4);
}

TEST(ChartViewTest, ShowSeriesShowsExactlyOne)
{
    struct Case {
        int index;
        bool area, line;
    };
    const Case cases[] = {{0, true, false}, {1, false, true}, {0, true, false}, {5, false, false}};
    TrendChartModel model;
    ChartView view(model);
    for (const Case& tc : cases) {
        view.ShowSeries(tc.index);
        view.refreshNow();
        EXPECT_EQ(view.areaGraph()->visible(), tc.area) << tc.index;
        EXPECT_EQ(view.lineGraph()->visible(), tc.line) << tc.index;
    }
}

TEST(ChartViewTest, PictureHasTheCurrentSizeAndAWhiteBackground)
{
    TrendChartModel model;
    ChartView view(model);
    EXPECT_EQ(view.renderImage().size(), QSize(350, 316));
    view.resize(788, 545);
    const QImage enlarged = view.renderImage();
    EXPECT_EQ(enlarged.size(), QSize(788, 545));
    EXPECT_EQ(pixelAt(enlarged, 0, 0), QColor(Qt::white)) << "the gradient's silver top must not show";
    EXPECT_EQ(pixelAt(enlarged, 787, 544), QColor(Qt::white));
}

TEST(ChartViewTest, AreaIsFilledDownToTheBottomAxisAndTheLineIsNot)
{
    TrendChartModel model;
    ChartView view(model);
    view.setLeftAxisBounds(6000, -6000);
    TChartControl pager(view.model(), 100);
    view.model().fillSeriesWithPlaceholder();
    for (int i = 0; i < 150; ++i)
        pager.AddValue(1000);  // window 101..200, points up to X 150

    const QImage area = view.renderImage();
    const double x = view.xAxis->coordToPixel(125);
    const double belowZero = view.yAxis->coordToPixel(-3000);
    const double aboveLine = view.yAxis->coordToPixel(3000);
    EXPECT_EQ(pixelAt(area, x, belowZero), chart_look::AreaFill) << "the fill reaches below the value 0";
    EXPECT_EQ(pixelAt(area, x, aboveLine), chart_look::BackWall);
    EXPECT_EQ(pixelAt(area, view.xAxis->coordToPixel(175), belowZero), chart_look::BackWall)
        << "no fill right of the last point";

    view.ShowSeries(1);
    const QImage line = view.renderImage();
    EXPECT_EQ(pixelAt(line, x, belowZero), chart_look::BackWall);
    EXPECT_TRUE(columnHasRed(line, x));
    EXPECT_FALSE(columnHasRed(area, x)) << "the line series is hidden while the area is shown";
}

TEST(ChartViewTest, AFloodOfChangesEndsDrawnWithTheLastOne)
{
    // Redraws are spaced out under a flood, but the last change is never left undrawn.
    TrendChartModel model;
    ChartView view(model);
    TChartControl pager(view.model(), 10);
    for (int i = 0; i < 500; ++i) {
        pager.AddValue(i);
        QCoreApplication::processEvents();
    }
    QElapsedTimer t;
    t.start();
    while (view.refreshPending() && t.elapsed() < 5000) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    EXPECT_FALSE(view.refreshPending());
    EXPECT_EQ(view.xAxis->range().lower, 491);
    EXPECT_EQ(view.xAxis->range().upper, 500);
}
