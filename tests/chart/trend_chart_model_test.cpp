// The chart facility under the pager: axis refusals, the limit-checked scroll and the
// slice of points the view hands to the plot.
#include "chart/page_value_axis.h"
#include "chart/trend_chart_model.h"

#include <gtest/gtest.h>

namespace {

void addPoints(TrendChartModel& m, int n)
{
    for (int i = 0; i < n; ++i)
        m.addPointToAllSeries(i * 0.5);
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ChartAxisError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(TrendChartModelTest, AxisBoundsThatCrossAreRefusedWithTheirMessages)
{
    TrendChartModel m;
    m.setRecordAxisWindow(1, 100);
    EXPECT_EQ(errorOf([&] { m.setRecordAxisMinimum(101); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(errorOf([&] { m.setRecordAxisMaximum(0); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(errorOf([&] { m.setRecordAxisWindow(5, 4); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(m.recordAxisMinimum(), 1) << "a refused bound leaves the axis as it was";
    EXPECT_EQ(m.recordAxisMaximum(), 100);
    m.setRecordAxisMaximum(1);  // equal bounds are allowed
    EXPECT_EQ(m.recordAxisMaximum(), 1);

    EXPECT_EQ(errorOf([&] { m.setLeftAxisMaximum(-5000); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(m.leftAxisMaximum(), 4100);
}

TEST(TrendChartModelTest, LeftAxisBoundsSetMaximumFirst)
{
    struct Case {
        double max, min;
        const char* why;
    };
    const Case cases[] = {
        {6000, -6000, "start-up full scale"},
        {4, -4, "narrower range row"},
        {4000, -4000, "wider again"},
        {0.4, -0.4, "fractional bound"},
    };
    TrendChartModel m;
    for (const Case& tc : cases) {
        m.setLeftAxisBounds(tc.max, tc.min);
        EXPECT_EQ(m.leftAxisMaximum(), tc.max) << tc.why;
        EXPECT_EQ(m.leftAxisMinimum(), tc.min) << tc.why;
    }
}

TEST(TrendChartModelTest, ScrollMovesOnlyTowardsPointsBeyondTheWindow)
{
    struct Case {
        int points;
        double offset;
        bool moves;
        const char* why;
    };
    const Case cases[] = {
        {0, 10, false, "no points: largest X counts as 0"},
        {0, -10, true, "no points: smallest X 0 lies left of the window 1..10"},
        {10, 10, false, "largest X 9 is inside 1..10"},
        {11, 10, false, "largest X 10 is the window's edge, not beyond"},
        {12, 10, true, "largest X 11 is beyond 10"},
        {12, -10, true, "X 0 lies left of 1"},
    };
    for (const Case& tc : cases) {
        TrendChartModel m;
        m.setRecordAxisWindow(1, 10);
        addPoints(m, tc.points);
        EXPECT_EQ(m.scrollRecordAxis(tc.offset), tc.moves) << tc.why;
        EXPECT_EQ(m.recordAxisMinimum(), tc.moves ? 1 + tc.offset : 1) << tc.why;
        EXPECT_EQ(m.recordAxisMaximum(), tc.moves ? 10 + tc.offset : 10) << tc.why;
    }
}

TEST(TrendChartModelTest, ScrollSeesNoPointsWhenNoSeriesIsShown)
{
    TrendChartModel m;
    m.setRecordAxisWindow(1, 10);
    addPoints(m, 50);
    m.showSeries(7);  // no such series: all hidden
    EXPECT_EQ(m.visibleSeries(), -1);
    EXPECT_FALSE(m.scrollRecordAxis(10));
    m.showSeries(1);
    EXPECT_TRUE(m.isSeriesVisible(1));
    EXPECT_FALSE(m.isSeriesVisible(0));
    EXPECT_TRUE(m.scrollRecordAxis(10));
}

TEST(TrendChartModelTest, VisibleSliceIsTheWindowPlusOneNeighbourEachSide)
{
    struct Case {
        int points;
        double min, max;
        std::size_t first, count;
        const char* why;
    };
    const Case cases[] = {
        {0, 1, 100, 0, 0, "nothing held"},
        {50, 1, 100, 0, 50, "page not yet full: all points, from the placeholder on"},
        {1000, 101, 200, 100, 102, "a middle page: X 100..201"},
        {1000, 901, 1000, 900, 100, "last page ends at the last point"},
        {1000, 2001, 2100, 0, 0, "window beyond the data"},
        {1000, -99, 0, 0, 2, "window left of record 1 still shows X 0 and 1"},
        {2000000, 1000001, 1000100, 1000000, 102, "millions held: still one page"},
    };
    for (const Case& tc : cases) {
        TrendChartModel m;
        m.reservePoints(static_cast<std::size_t>(tc.points));
        addPoints(m, tc.points);
        m.setRecordAxisWindow(tc.min, tc.max);
        const VisibleSlice s = m.visibleSlice();
        EXPECT_EQ(s.count, tc.count) << tc.why;
        if (tc.count > 0) {
            EXPECT_EQ(s.first, tc.first) << tc.why;
        }
    }
}

TEST(TrendChartModelTest, PointsOutsideTheDrawnWindowDoNotAskForARedraw)
{
    TrendChartModel m;
    m.setRecordAxisWindow(1, 10);
    int notified = 0;
    m.setChangeListener([&] { ++notified; });
    addPoints(m, 11);  // X 0..10 lie inside the window or on its edge
    EXPECT_EQ(notified, 11);
    addPoints(m, 1);  // X 11: the neighbour drawn past the right edge
    EXPECT_EQ(notified, 12);
    addPoints(m, 5);  // X 12..16: nothing visible changes
    EXPECT_EQ(notified, 12);
}


// A page shown while browsing is scaled to its own values, not to the meter's present range.
TEST(TrendChartModelTest, PageValueAxisFitsThePageShown)
{
    TrendChartModel m;
    m.addPointToAllSeries(0);   // the placeholder at X = 0 lies left of page 1
    for (double v : {0.5, 1.5, 1.0, 4000.0, -4000.0})
        m.addPointToAllSeries(v);
    struct Case {
        double from, to;
        std::optional<ValueAxisBounds> want;
        const char* why;
    };
    const Case cases[] = {
        {1, 3, ValueAxisBounds{1.55, 0.45}, "a twentieth of the span beyond the page's values"},
        {4, 4, ValueAxisBounds{4400, 3600}, "one value: a tenth of it each way"},
        {1, 10, ValueAxisBounds{4400, -4400}, "a page not yet full"},
        {6, 10, std::nullopt, "a page without points"},
    };
    for (const Case& c : cases) {
        m.setRecordAxisWindow(c.from, c.to);
        const std::optional<ValueAxisBounds> got = pageValueAxis(m);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.why;
        if (got) {
            EXPECT_DOUBLE_EQ(got->maximum, c.want->maximum) << c.why;
            EXPECT_DOUBLE_EQ(got->minimum, c.want->minimum) << c.why;
        }
    }
}

// The live page follows the meter's range; a page paged back to, or one that no longer grows,
// keeps its own values' scale.
TEST(TrendChartModelTest, ValueAxisFollowsTheMeterOnlyOnTheLivePage)
{
    struct Case {
        bool pagedBack, rowsArriving;
        double maximum, minimum;
        const char* why;
    };
    const Case cases[] = {
        {false, true, 60, -60, "the live page: the range rows' axis"},
        {false, false, 3.3, 2.7, "logging stopped: record 3 alone on the last page"},
        {true, true, 2.05, 0.95, "page 1 holds 1 and 2, whatever the meter shows now"},
    };
    for (const Case& c : cases) {
        TrendChartModel m;
        TChartControl pager(m, 2);
        m.fillSeriesWithPlaceholder();
        for (double v : {1.0, 2.0, 3.0})
            pager.AddValue(v);
        if (c.pagedBack)
            pager.FirstPage();
        showValueAxis(m, pager, c.rowsArriving, {60, -60});
        EXPECT_DOUBLE_EQ(m.leftAxisMaximum(), c.maximum) << c.why;
        EXPECT_DOUBLE_EQ(m.leftAxisMinimum(), c.minimum) << c.why;
    }
}
