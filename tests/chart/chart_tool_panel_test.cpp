// The chart tool panel's handlers: series choice, reset, the delayed page size, and
// enlarge/restore placement.
#include "chart/chart_control.h"
#include "chart/chart_enlarge.h"
#include "chart/chart_tool_panel.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Panel {
    Panel() : pager(chart, 100), panel(pager, chart)
    {
        chart.fillSeriesWithPlaceholder();
        panel.setStateChangedListener([this] { ++notifications; });
    }
    void add(int n)
    {
        for (int i = 0; i < n; ++i)
            pager.AddValue(i);
    }
    TrendChartModel chart;
    TChartControl pager;
    ChartToolPanel panel;
    int notifications = 0;
};

}  // namespace


TEST(ChartToolPanelTest, SeriesChoiceKeepsBoxMenuAndChartInStep)
{
    enum Action { BoxChecked, BoxUnchecked, MenuFill };
    struct Step {
        Action action;
        bool fill;     // box and menu mark afterwards
        int series;    // series shown afterwards
        const char* why;
    };
    const Step steps[] = {
        {BoxUnchecked, false, 1, "unchecking the box shows the line"},
        {MenuFill, true, 0, "the menu item toggles back to the area"},
        {MenuFill, false, 1, "and again to the line"},
        {BoxChecked, true, 0, "checking the box shows the area"},
    };
    Panel p;
    for (const Step& s : steps) {
        switch (s.action) {
        case BoxChecked: p.panel.btFillClick(true); break;
        case BoxUnchecked: p.panel.btFillClick(false); break;
        case MenuFill: p.panel.FillClick(); break;
        }
        EXPECT_EQ(p.panel.fillChecked(), s.fill) << s.why;
        EXPECT_EQ(p.panel.fillMenuChecked(), s.fill) << s.why;
        EXPECT_EQ(p.chart.visibleSeries(), s.series) << s.why;
    }
}


TEST(ChartToolPanelTest, ResetSeriesLeavesPagerAndWindowAlone)
{
    Panel p;
    p.add(250);
    p.panel.btFillClick(false);
    p.panel.ResetSeries();
    EXPECT_EQ(p.chart.pointCount(), 1u);
    EXPECT_EQ(p.chart.visibleSeries(), 1) << "BtFill unchecked: the line stays chosen";
    EXPECT_EQ(p.pager.CurrentPage(), 3);
    EXPECT_EQ(p.chart.recordAxisMinimum(), 201);
}

TEST(ChartToolPanelTest, PageButtonsMoveThePagerAndTheCaption)
{
    Panel p;
    p.add(450);
    p.panel.BtFirstClick();
    EXPECT_EQ(p.panel.pageCaption(), QStringLiteral("1"));
    p.panel.BtNextClick();
    EXPECT_EQ(p.panel.pageCaption(), QStringLiteral("2"));
    p.panel.BTlastClick();
    EXPECT_EQ(p.panel.pageCaption(), QStringLiteral("5"));
    p.panel.BTPreviousClick();
    EXPECT_EQ(p.panel.pageCaption(), QStringLiteral("4"));
    EXPECT_EQ(p.notifications, 4);
}

TEST(ChartToolPanelTest, Timer2AppliesTheBoxTextOrPutsBackTheSizeInForce)
{
    struct Case {
        QString text;
        int pageSize;
        QString boxAfter;
        QString caption;
        bool refused;
        const char* why;
    };
    const Case cases[] = {
        {QStringLiteral("250"), 250, QStringLiteral("250"), QStringLiteral("4"), false, "records 1 to 1000 fill 4 pages of 250"},
        {QStringLiteral("100"), 100, QStringLiteral("100"), QStringLiteral("10"), false, "equal size changes nothing"},
        {QStringLiteral("0"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "0 is refused; the box returns"},
        {QStringLiteral("1"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "a page of one record is refused"},
        {QStringLiteral("2"), 2, QStringLiteral("2"), QStringLiteral("500"), false, "two records a page"},
        {QStringLiteral("000"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "still zero"},
        {QStringLiteral("-3"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "pasted negative size"},
        {QStringLiteral("0250"), 250, QStringLiteral("0250"), QStringLiteral("4"), false, "leading zero is decimal"},
        {QString(), 100, QStringLiteral("100"), QStringLiteral("10"), true, "an empty box"},
        {QStringLiteral("100001"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "one more than the largest"},
        {QStringLiteral("99999999999"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "beyond 32 bits"},
        {QStringLiteral("12a"), 100, QStringLiteral("100"), QStringLiteral("10"), true, "not a number"},
        {QStringLiteral("100000"), 100000, QStringLiteral("100000"), QStringLiteral("1"), false, "the largest"},
    };
    for (const Case& tc : cases) {
        Panel p;
        p.add(1000);
        p.panel.MaxrecordChange(tc.text);
        const QString refusal = p.panel.Timer2Timer();
        EXPECT_FALSE(p.panel.Timer2().isActive()) << tc.why;
        EXPECT_EQ(p.pager.PageSize(), tc.pageSize) << tc.why;
        EXPECT_EQ(p.panel.maxrecordText(), tc.boxAfter) << tc.why;
        EXPECT_EQ(p.panel.pageCaption(), tc.caption) << tc.why;
        EXPECT_EQ(refusal, tc.refused ? QStringLiteral("A page holds 2 to 100000 records; it stays at 100.") : QString())
            << tc.why;
    }
}

TEST(ChartToolPanelTest, Timer2FiresOneSecondAfterTheLastChange)
{
    Panel p;
    p.add(300);
    p.panel.Timer2().stop();
    QObject::connect(&p.panel.Timer2(), &QTimer::timeout, [&] { p.panel.Timer2Timer(); });
    p.panel.MaxrecordChange(QStringLiteral("5"));
    p.panel.MaxrecordChange(QStringLiteral("50"));
    EXPECT_EQ(p.pager.PageSize(), 100) << "nothing before the delay";
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.pager.PageSize() != 100; }, 3000));
    EXPECT_EQ(p.pager.PageSize(), 50) << "only the last text counts";
}

TEST(ChartEnlargerTest, RestoreReturnsTheChartToItsFormerBounds)
{
    ChartEnlarger e;
    const QRect normal(309, 189, 350, 316);
    const QPoint toolPanel(306, 149);
    const ChartPlacement big = e.TbFdClick(normal, toolPanel, QSize(663, 509));
    EXPECT_EQ(big.chartBounds, QRect(2, 28, 659, 479)) << "inside the client area, whole";
    EXPECT_EQ(big.toolPanelPos, QPoint(2, 0));
    EXPECT_FALSE(big.otherPanelsVisible);
    EXPECT_FALSE(big.enlargeButtonVisible);
    EXPECT_TRUE(big.restoreButtonVisible);
    EXPECT_TRUE(e.isEnlarged());
    EXPECT_EQ(e.TbFdClick(big.chartBounds, big.toolPanelPos, QSize(663, 509)).chartBounds, big.chartBounds);

    const ChartPlacement back = e.TbSxClick();
    EXPECT_EQ(back.chartBounds, normal) << "a second enlarge kept the normal places";
    EXPECT_EQ(back.toolPanelPos, toolPanel);
    EXPECT_TRUE(back.otherPanelsVisible);
    EXPECT_TRUE(back.enlargeButtonVisible);
    EXPECT_FALSE(back.restoreButtonVisible);
    EXPECT_FALSE(e.isEnlarged());
}


