#include "log/log_statistics.h"
#include "log/log_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Given {
    const char* function;
    const char* value;
    const char* unit;
};

LogRow rowOf(const Given& g, qint32 no)
{
    LogRow r;
    r.no = no;
    r.function = QString::fromUtf8(g.function);
    r.value = QString::fromUtf8(g.value);
    r.unit = QString::fromUtf8(g.unit);
    r.loggedAt = QDateTime(QDate(2026, 3, 29), QTime(10, 0, no), Qt::OffsetFromUTC, 7200);
    return r;
}

}   // namespace

// Figures worked out by hand, in base units.
TEST(RowStatistics, KnownFiguresPerGroup)
{
    const double none = std::nan("");
    const struct Case {
        const char* what;
        std::vector<Given> rows;
        const char* function;
        const char* base;
        int groups, rows_, overloads;
        double min, max, mean, stdev;   // NaN: no figure
    } cases[] = {
        {"mV and V are one group of volts", {{"DC", "500.0", "mV"}, {"DC", "1.500", "V"}, {"DC", "1,000", "V"}},
         "DC", "V", 1, 3, 0, 0.5, 1.5, 1.0, 0.5},
        {"overloads are counted, not averaged", {{"OHM", "0.L", "M*"}, {"OHM", "2.000", "k*"}, {"OHM", "4000", "*"}},
         "OHM", "\u03A9", 1, 3, 1, 2000, 4000, 3000, std::sqrt(2e6)},
        {"one row has no deviation", {{"AC", "-0.020", "A"}}, "AC", "A", 1, 1, 0, -0.02, -0.02, -0.02, none},
        {"temperatures stay as shown", {{"TMP", "21.5", "#"}, {"TMP", "22.5", "#"}, {"TMP", "23.5", "#"}},
         "TMP", "\u00B0C", 1, 3, 0, 21.5, 23.5, 22.5, 1.0},
        {"only overloads give no figures", {{"DC", "-0.L", "V"}, {"DC", "0.L", "mV"}}, "DC", "V", 1, 2, 2,
         none, none, none, none},
        {"volts and ohms never mix", {{"DC", "1.000", "V"}, {"OHM", "1.000", "k*"}, {"DC", "3.000", "V"}},
         "DC", "V", 2, 2, 0, 1, 3, 2, std::sqrt(2.0)},
    };
    for (const Case& c : cases) {
        RowStatistics s;
        qint32 no = 1;
        for (const Given& g : c.rows)
            s.add(rowOf(g, no++));
        ASSERT_EQ(int(s.groups().size()), c.groups) << c.what;
        const StatisticsGroup& g = s.groups().front();
        EXPECT_EQ(g.function, QString::fromUtf8(c.function)) << c.what;
        EXPECT_EQ(g.baseUnit, QString::fromUtf8(c.base)) << c.what;
        EXPECT_EQ(g.rows, c.rows_) << c.what;
        EXPECT_EQ(g.overloads, c.overloads) << c.what;
        const auto expectFigure = [&](bool present, double got, double want, const char* name) {
            EXPECT_EQ(present, !std::isnan(want)) << c.what << ": " << name;
            if (present && !std::isnan(want)) {
                EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want))) << c.what << ": " << name;
            }
        };
        expectFigure(g.numbers > 0, g.minimum, c.min, "min");
        expectFigure(g.numbers > 0, g.maximum, c.max, "max");
        expectFigure(g.numbers > 0, g.mean, c.mean, "mean");
        expectFigure(g.stdev().has_value(), g.stdev().value_or(0), c.stdev, "stdev");
        EXPECT_EQ(g.first, rowOf(c.rows.front(), 1).loggedAt) << c.what;
        EXPECT_EQ(s.rows(), qint64(c.rows.size())) << c.what;
        EXPECT_EQ(s.firstNo(), 1) << c.what;
        EXPECT_EQ(s.lastNo(), qint32(c.rows.size())) << c.what;
    }
}

// The page's rows are the ones the chart plotted there, wherever loads put them in the table.
TEST(LogStatistics, PageCoversThePlottedRowsAcrossLoads)
{
    LogTable table;
    LogStatistics stats(table);
    auto log = [&](const char* value, std::int64_t x) {
        LogRow r = rowOf({"DC", value, "V"}, qint32(x));
        table.append(r);
        stats.rowLogged(r, x, table.rowCount() - 1);
    };
    log("1.000", 1);
    log("2.000", 2);
    // A text file appends two rows of its own (no time stamps), then logging goes on.
    for (const char* v : {"100.0", "200.0"}) {
        LogRow loaded = rowOf({"DC", v, "V"}, 0);
        loaded.loggedAt = QDateTime();
        table.append(loaded);
    }
    stats.loaded(false);
    log("3.000", 3);
    EXPECT_EQ(stats.table().rows(), 5);
    EXPECT_EQ(stats.tableRowAt(3), 4);

    const RowStatistics& page = stats.page(2, 4);   // positions 2 and 3 hold 2 V and 3 V
    ASSERT_EQ(page.groups().size(), 1u);
    EXPECT_EQ(page.rows(), 2);
    EXPECT_DOUBLE_EQ(page.groups()[0].mean, 2.5);
    log("5.000", 4);   // arrives on the page shown
    EXPECT_EQ(stats.page(2, 4).rows(), 3);
    EXPECT_DOUBLE_EQ(stats.page(2, 4).groups()[0].maximum, 5.0);

    // A packet replaces the table: the plotted rows are gone from it.
    LogRow unstamped = rowOf({"DC", "9.000", "V"}, 1);
    unstamped.loggedAt = QDateTime();
    LogTable replaced;
    replaced.append(unstamped);
    table.swap(replaced);
    stats.loaded(true);
    EXPECT_EQ(stats.page(1, 4).rows(), 0);
    EXPECT_EQ(stats.tableRowAt(1), -1);
    EXPECT_EQ(stats.table().rows(), 1);
}
