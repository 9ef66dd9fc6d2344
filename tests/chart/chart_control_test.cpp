// The pager's behaviour at page edges: following vs browsing, full last pages, counted
// steps, page size changes and clearing.
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"

#include <gtest/gtest.h>

namespace {

// A chart as start-up leaves it: pager with the given size, then the placeholder point.
struct PagedChart {
    explicit PagedChart(int pageSize = 100) : pager(chart, pageSize) { chart.fillSeriesWithPlaceholder(); }
    void add(int count)
    {
        for (int i = 0; i < count; ++i)
            pager.AddValue(static_cast<double>(chart.pointCount()));
    }
    double windowMin() const { return chart.recordAxisMinimum(); }
    double windowMax() const { return chart.recordAxisMaximum(); }

    TrendChartModel chart;
    TChartControl pager;
};

}  // namespace

TEST(ChartControlTest, CreateShowsPageOneOfTheGivenSize)
{
    PagedChart c(100);
    EXPECT_EQ(c.windowMin(), 1);
    EXPECT_EQ(c.windowMax(), 100);
    EXPECT_EQ(c.pager.CurrentPage(), 1);
    EXPECT_EQ(c.pager.PageCount(), 1);
    EXPECT_EQ(c.pager.PageSize(), 100);
    EXPECT_FALSE(c.pager.Browsing());
}


TEST(ChartControlTest, FollowingAdvancesOnePageAtATime)
{
    struct Case {
        int values;  // logged after the placeholder
        int pageCount;
        int currentPage;
        double windowMin;
        const char* why;
    };
    const Case cases[] = {
        {1, 1, 1, 1, "first value lands at X = 1 on page 1"},
        {99, 1, 1, 1, "placeholder + 99 values fill 100 positions: still one page"},
        {100, 1, 1, 1, "the 100th value fills page 1: no page of its own for the placeholder"},
        {101, 2, 2, 101, "the 101st value lies beyond 100 and moves the window"},
        {200, 2, 2, 101, "a full page is still the last one"},
        {201, 3, 3, 201, "next page"},
        {1000, 10, 10, 901, "1000 rows make pages 1 to 10"},
    };
    for (const Case& tc : cases) {
        PagedChart c(100);
        c.add(tc.values);
        EXPECT_EQ(c.pager.PageCount(), tc.pageCount) << tc.why;
        EXPECT_EQ(c.pager.CurrentPage(), tc.currentPage) << tc.why;
        EXPECT_EQ(c.windowMin(), tc.windowMin) << tc.why;
        EXPECT_EQ(c.windowMax(), tc.windowMin + 99) << tc.why;
        EXPECT_EQ(c.chart.pointCount(), static_cast<std::size_t>(tc.values + 1)) << tc.why;
    }
}

TEST(ChartControlTest, BrowsingLeavesTheViewAloneUntilNextReachesTheLastPage)
{
    PagedChart c(100);
    c.add(450);  // 451 points: pages 1..5, window 401..500
    ASSERT_EQ(c.pager.CurrentPage(), 5);
    ASSERT_EQ(c.windowMin(), 401);

    c.pager.PreviousPage();
    c.pager.PreviousPage();
    EXPECT_EQ(c.pager.CurrentPage(), 3);
    EXPECT_TRUE(c.pager.Browsing());
    EXPECT_EQ(c.windowMin(), 201);

    c.add(100);  // 551 points: 6 pages
    EXPECT_EQ(c.pager.PageCount(), 6);
    EXPECT_EQ(c.pager.CurrentPage(), 3) << "new values must not move the indicator while browsing";
    EXPECT_EQ(c.windowMin(), 201) << "new values must not move the window while browsing";

    c.pager.NextPage();
    c.pager.NextPage();
    EXPECT_EQ(c.pager.CurrentPage(), 5);
    EXPECT_TRUE(c.pager.Browsing()) << "page 5 of 6 is still browsing";
    c.pager.NextPage();
    EXPECT_EQ(c.pager.CurrentPage(), 6);
    EXPECT_FALSE(c.pager.Browsing()) << "reaching the last page resumes following";
    EXPECT_EQ(c.windowMin(), 501);

    c.add(50);  // X up to 600: still on the window 501..600
    EXPECT_EQ(c.windowMin(), 501);
    c.add(1);  // X = 601
    EXPECT_EQ(c.windowMin(), 601);
    EXPECT_EQ(c.pager.CurrentPage(), 7);
}

TEST(ChartControlTest, PagingButtonsAtTheEdgesDoNothing)
{
    struct Case {
        int values;
        void (TChartControl::*op)();
        int expectedPage;
        bool expectedBrowsing;
        const char* why;
    };
    const Case cases[] = {
        {50, &TChartControl::NextPage, 1, false, "one page: next does nothing"},
        {50, &TChartControl::LastPage, 1, false, "one page: last does nothing"},
        {50, &TChartControl::FirstPage, 1, false, "one page: first does nothing"},
        {50, &TChartControl::PreviousPage, 1, false, "page 1: previous does nothing"},
        {250, &TChartControl::NextPage, 3, false, "already on the last page"},
        {250, &TChartControl::LastPage, 3, false, "already on the last page"},
    };
    for (const Case& tc : cases) {
        PagedChart c(100);
        c.add(tc.values);
        const double before = c.windowMin();
        (c.pager.*tc.op)();
        EXPECT_EQ(c.pager.CurrentPage(), tc.expectedPage) << tc.why;
        EXPECT_EQ(c.pager.Browsing(), tc.expectedBrowsing) << tc.why;
        EXPECT_EQ(c.windowMin(), before) << tc.why;
    }
}

TEST(ChartControlTest, FirstAndLastPageStepWholePagesFromWhereTheWindowStands)
{
    PagedChart c(100);
    c.add(450);
    c.pager.FirstPage();
    EXPECT_EQ(c.pager.CurrentPage(), 1);
    EXPECT_TRUE(c.pager.Browsing());
    EXPECT_EQ(c.windowMin(), 1);
    EXPECT_EQ(c.windowMax(), 100);

    c.pager.LastPage();
    EXPECT_EQ(c.pager.CurrentPage(), 5);
    EXPECT_FALSE(c.pager.Browsing());
    EXPECT_EQ(c.windowMin(), 401);
}

TEST(ChartControlTest, AfterClearingNoPageIsLeftToStepTo)
{
    // A count kept from before the clear let Next name page 2 over the window 1..100, and
    // First then walked the window to -99..0.
    PagedChart c(100);
    c.add(450);
    c.pager.ClearChart();
    ASSERT_EQ(c.pager.PageCount(), 1);
    ASSERT_EQ(c.windowMin(), 1);

    c.pager.NextPage();
    c.pager.LastPage();
    c.pager.FirstPage();
    c.pager.PreviousPage();
    EXPECT_EQ(c.pager.CurrentPage(), 1);
    EXPECT_FALSE(c.pager.Browsing());
    EXPECT_EQ(c.windowMin(), 1);
}

TEST(ChartControlTest, ClearChartReturnsToPageOneAndRestartsXAtZero)
{
    PagedChart c(100);
    c.add(350);  // window 301..400, page 4
    ASSERT_EQ(c.pager.CurrentPage(), 4);
    c.pager.PreviousPage();  // browsing on page 3
    c.pager.ClearChart();
    EXPECT_EQ(c.pager.CurrentPage(), 1);
    EXPECT_FALSE(c.pager.Browsing());
    EXPECT_EQ(c.pager.PageCount(), 1) << "nothing left beyond page 1";
    EXPECT_EQ(c.windowMin(), 1);
    EXPECT_EQ(c.chart.pointCount(), 0u);

    c.pager.AddValue(7.5);
    EXPECT_EQ(c.chart.pointCount(), 1u);
    EXPECT_EQ(c.chart.value(0), 7.5) << "the first value after clearing gets X = 0";
    EXPECT_EQ(c.pager.PageCount(), 1);
    EXPECT_EQ(c.windowMin(), 1) << "X = 0 lies left of the window";
    c.pager.AddValue(-2.0);
    EXPECT_EQ(c.chart.value(1), -2.0);
    EXPECT_EQ(c.pager.CurrentPage(), 1);
}

TEST(ChartControlTest, SetPageSizeGoesToTheLastPageOfTheNewSize)
{
    struct Case {
        int values;
        int newSize;
        bool taken;
        int page;
        double windowMin;
        double windowMax;
        const char* why;
    };
    const Case cases[] = {
        {1000, 250, true, 4, 751, 1000, "records 1 to 1000 fill 4 pages of 250 exactly"},
        {1000, 100, false, 10, 901, 1000, "equal size: nothing changes"},
        {1000, 0, false, 10, 901, 1000, "0 is refused and changes nothing"},
        {1000, -5, false, 10, 901, 1000, "negative sizes are refused too"},
        {10, 1, false, 1, 1, 100, "one record a page is refused: its window would lag the page named"},
        {11, 2, true, 6, 11, 12, "two records a page"},
        {0, 50, true, 1, 1, 50, "placeholder only"},
    };
    for (const Case& tc : cases) {
        PagedChart c(100);
        c.add(tc.values);
        EXPECT_EQ(c.pager.SetPageSize(tc.newSize), tc.taken) << tc.why;
        EXPECT_EQ(c.pager.CurrentPage(), tc.page) << tc.why;
        EXPECT_EQ(c.windowMin(), tc.windowMin) << tc.why;
        EXPECT_EQ(c.windowMax(), tc.windowMax) << tc.why;
        EXPECT_FALSE(c.pager.Browsing()) << tc.why;
    }
}

TEST(ChartControlTest, SetPageSizeEndsBrowsingButEqualSizeKeepsIt)
{
    PagedChart c(100);
    c.add(450);
    c.pager.PreviousPage();
    c.pager.SetPageSize(100);
    EXPECT_TRUE(c.pager.Browsing()) << "an equal size must change nothing";
    EXPECT_EQ(c.pager.CurrentPage(), 4);
    c.pager.SetPageSize(200);
    EXPECT_FALSE(c.pager.Browsing());
    EXPECT_EQ(c.pager.CurrentPage(), 3);
}

TEST(ChartControlTest, PagingBackFromAFullLastPageEndsOnRecordOne)
{
    // Counting the placeholder as a record made a full last page one page too many: from it,
    // First moved the window to -99..0 and every page number was one too high.
    PagedChart c(100);
    c.add(1000);
    c.pager.FirstPage();
    EXPECT_EQ(c.pager.CurrentPage(), 1);
    EXPECT_EQ(c.windowMin(), 1);
    EXPECT_EQ(c.windowMax(), 100);
    for (int page = 2; page <= 10; ++page) {
        c.pager.NextPage();
        EXPECT_EQ(c.pager.CurrentPage(), page);
        EXPECT_EQ(c.windowMin(), 1 + (page - 1) * 100);
    }
    EXPECT_FALSE(c.pager.Browsing()) << "page 10 is the last";
    ASSERT_NO_THROW(c.pager.SetPageSize(50));
    EXPECT_EQ(c.pager.CurrentPage(), 20);
    EXPECT_EQ(c.windowMin(), 951);
}

