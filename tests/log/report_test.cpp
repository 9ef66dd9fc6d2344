#include "log/log_table.h"
#include "log/report_rows.h"
#include "log/files/report_layout.h"
#include "log/record_events.h"

#include <gtest/gtest.h>

namespace {

void fill(LogTable& t, int rows) { fillReportRows(t, rows); }
QString shownUnit(const QString& stored) { return reportShownUnit(stored); }

const ReportText* find(const std::vector<ReportText>& texts, const QString& text)
{
    for (const ReportText& t : texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

}   // namespace

TEST(ReportPages, RowsPerPageAndPageCount)
{
    EXPECT_EQ(ReportLayout::kRowsPerPage, 37);
    const struct {
        std::int64_t rows, pages;
        int first, last;   // rows on the first and on the last page
    } cases[] = {
        {0, 0, 0, 0},  {1, 1, 1, 1},   {37, 1, 37, 37}, {38, 2, 37, 1},
        {45, 2, 37, 8}, {74, 2, 37, 37}, {75, 3, 37, 1},
        {10000000, 270271, 37, 10000000 - 270270 * 37},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reportPageCount(c.rows), c.pages) << c.rows;
        EXPECT_EQ(reportRowsOnPage(c.rows, 0), c.first) << c.rows;
        EXPECT_EQ(reportRowsOnPage(c.rows, c.pages - 1), c.last) << c.rows;
        EXPECT_EQ(reportRowsOnPage(c.rows, c.pages), 0) << c.rows;
    }
}

TEST(ReportPages, EveryPageCarriesBandsAndItsRows)
{
    LogTable t;
    fill(t, 45);
    LogRow bare;   // no No and no texts: prints nothing in its band
    t.append(bare);
    for (std::int64_t page : {0, 1}) {
        const std::vector<ReportText> texts = reportPageTexts({t, t.rowCount()}, page, shownUnit);
        const ReportText* title = find(texts, "Data Report");
        ASSERT_TRUE(title);
        EXPECT_TRUE(title->centred);
        EXPECT_EQ(title->y, 21);
        const struct {
            const char* label;
            int x;
        } labels[] = {{"No", 85}, {"Time", 339}, {"DC|AC", 643}, {"Value", 995}, {"Unit", 1323}, {"AUTO", 1630}};
        for (const auto& l : labels) {
            const ReportText* label = find(texts, QString::fromLatin1(l.label));
            ASSERT_TRUE(label) << l.label;
            EXPECT_EQ(label->x, l.x) << l.label;
            EXPECT_EQ(label->y, 106 + 42) << l.label;
        }
        const ReportText* foot = find(texts, "The Data Print Foot");
        ASSERT_TRUE(foot);
        EXPECT_EQ(foot->x, 85);
        EXPECT_EQ(foot->y, 2770 - 106 + 42) << "at the foot of the page";
    }
    // Page 2 begins with row 38, in the first detail band below the column header.
    const std::vector<ReportText> second = reportPageTexts({t, t.rowCount()}, 1, shownUnit);
    const ReportText* no38 = find(second, "38");
    ASSERT_TRUE(no38);
    EXPECT_EQ(no38->x, 85);
    EXPECT_EQ(no38->y, 212 + 21);
    const ReportText* unit = find(second, "kOhm");
    ASSERT_TRUE(unit) << "units print as a person reads them";
    EXPECT_EQ(unit->x, 1312);
    EXPECT_EQ(find(second, "10:15:38")->font, ReportFont::Time);
    EXPECT_EQ(find(second, "38")->font, ReportFont::Report);
    // 8 filled rows of six fields and the bare row, plus title, six labels and the footer.
    EXPECT_EQ(second.size(), std::size_t(8 * 6 + 1 + 6 + 1));
    // The last row of a full page ends above the footer band.
    const std::vector<ReportText> first = reportPageTexts({t, t.rowCount()}, 0, shownUnit);
    EXPECT_EQ(find(first, "37")->y, 212 + 36 * 66 + 21);
    EXPECT_LE(212 + 37 * 66, 2770 - 106);
    EXPECT_TRUE(reportPageTexts({t, t.rowCount()}, 2, shownUnit).empty());
}

// The events follow the rows in a section of pages of their own, only when there are some.
TEST(ReportPages, TheEventsFollowTheRowsOnPagesOfTheirOwn)
{
    LogTable t;
    fill(t, 40);
    RecordEvents events;
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 30, 5), Qt::OffsetFromUTC, 3600);
    events.append({EventKind::AlarmRaised, at, QStringLiteral("u"), 12, QStringLiteral("u > 5"), QStringLiteral("12.6 V")});
    for (int i = 1; i < 40; ++i)
        events.append({EventKind::Note, at.addSecs(i), {}, i, {}, QString(100, QLatin1Char('n'))});
    EXPECT_EQ(reportPageCount({t, t.rowCount(), &events, 0}), 2) << "no events: no section";
    EXPECT_EQ(reportPageCount({t, t.rowCount(), &events, 1}), 3) << "one event: a page of its own after the rows";
    EXPECT_EQ(reportPageCount({t, t.rowCount(), &events, 38}), 4) << "more than a page holds: the section goes on";
    const ReportRows report{t, t.rowCount(), &events, 38};
    const std::vector<ReportText> first = reportPageTexts(report, 2, shownUnit);
    for (const char* text : {"Events", "Time", "Kind", "Channel", "Rule / text", "alarm raised", "u", "u > 5 (12.6 V)"})
        EXPECT_TRUE(find(first, QString::fromLatin1(text))) << text;
    const ReportText* time = find(first, "2026-12-11 09:30:05");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->y, 212 + 21) << "in the first detail band";
    EXPECT_TRUE(find(first, QString(59, QLatin1Char('n')) + QChar(0x2026))) << "a long note cut to its line";
    const std::vector<ReportText> second = reportPageTexts(report, 3, shownUnit);
    EXPECT_TRUE(find(second, "2026-12-11 09:30:42")) << "the 38th event";
    EXPECT_FALSE(find(second, "2026-12-11 09:30:43")) << "only the events the report was made with";
    EXPECT_TRUE(reportPageTexts(report, 4, shownUnit).empty());
}
