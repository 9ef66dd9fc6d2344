#include "log/log_table.h"
#include "log/run_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const QDateTime kStart(QDate(2026, 3, 28), QTime(23, 0), Qt::OffsetFromUTC, 3600);

// A logged row of `value` volts (or the unit given), stamped `ms` after kStart.
LogRow row(qint32 no, const QString& value, std::int64_t ms, const char* unit = "V", const char* function = "DC")
{
    LogRow r;
    r.no = no;
    r.function = QLatin1String(function);
    r.value = value;
    r.unit = QLatin1String(unit);
    r.loggedAt = kStart.addMSecs(ms);
    r.time = r.loggedAt.time().toString(QStringLiteral("hh:mm:ss"));
    return r;
}

// A run of random readings with a lone spike, overloads, a few rows without a number or a
// record number, and changes of function and unit.
void fillRun(LogTable& table, int rows, int spikeAt)
{
    std::mt19937 random(7);
    for (int i = 0; i < rows; ++i) {
        const int count = int(random() % 4000) - 2000;
        QString value = QString::number(count / 1000.0, 'f', 3);
        if (i == spikeAt)
            value = QStringLiteral("5.999");
        else if (random() % 97 == 0)
            value = QStringLiteral("0.L");
        else if (random() % 1013 == 0)
            value = QStringLiteral("?");
        const bool ohms = (i / 9000) % 3 == 1;
        const bool millivolts = (i / 5000) % 4 == 3;
        LogRow r = row(qint32(i + 1), value, std::int64_t(i) * 250, ohms ? "*" : millivolts ? "mV" : "V",
                       ohms ? "OHM" : "DC");
        if (random() % 501 == 0)
            r.no.reset();
        if (i < rows / 3)
            r.loggedAt = QDateTime();   // loaded rows, before logging went on
        table.append(r);
    }
}

}   // namespace

// Every column's minimum, maximum and counts agree with a plain scan of its rows, at every
// zoom from a row a column to the whole run in one, so a lone spike always shows.
TEST(RunSummary, EnvelopeAgreesWithAPlainScanAtEveryZoom)
{
    LogTable table;
    const int rows = 70000, spike = 54321;
    fillRun(table, rows, spike);
    RunSummary summary(table);
    EXPECT_TRUE(summary.catchUp(rows));
    const struct {
        std::int64_t first, end, columns;
        const char* why;
    } views[] = {
        {0, rows, 1, "the whole run in one column"},
        {0, rows, 1200, "the whole run across a window"},
        {54000, 55000, 1200, "a zoom of fewer rows than columns"},
        {spike - 7, spike + 9, 16, "a row a column"},
        {0, 65536, 4096, "a bucket a column"},
        {4096, 8192, 1, "one bucket of the second level"},
        {3, rows - 5, 37, "edges off every bucket"},
        {0, rows, 17, "columns of thousands of rows"},
        {65536 - 100, rows + 500, 5, "past the last bucket of a level and the end"},
    };
    for (const auto& v : views) {
        std::vector<std::int64_t> edges;
        for (std::int64_t c = 0; c <= v.columns; ++c)
            edges.push_back(v.first + (v.end - v.first) * c / v.columns);
        const std::vector<EnvelopeColumn> got = summary.envelope(edges);
        ASSERT_EQ(std::int64_t(got.size()), v.columns) << v.why;
        bool spikeSeen = false;
        for (const EnvelopeColumn& c : got) {
            std::int64_t numbers = 0, overloads = 0;
            double lo = INFINITY, hi = -INFINITY;
            bool inside = false;
            for (std::int64_t r = c.firstRow; r < c.endRow; ++r) {
                const std::optional<Measurement> m = measurementOf(table.row(r));
                overloads += m && m->overload;
                if (m && m->isExact()) {
                    ++numbers;
                    lo = std::min(lo, m->base);
                    hi = std::max(hi, m->base);
                }
                inside = inside || (r > c.firstRow && summary.breakBefore(r));
            }
            ASSERT_EQ(c.numbers, numbers) << v.why << " at row " << c.firstRow;
            EXPECT_EQ(c.overloads, overloads) << v.why;
            EXPECT_EQ(c.breakInside, inside) << v.why << " at row " << c.firstRow;
            if (numbers > 0) {
                EXPECT_EQ(c.minimum, lo) << v.why << " at row " << c.firstRow;
                EXPECT_EQ(c.maximum, hi) << v.why << " at row " << c.firstRow;
            }
            spikeSeen = spikeSeen || (c.firstRow <= spike && spike < c.endRow && c.maximum == 5.999);
        }
        EXPECT_EQ(spikeSeen, v.first <= spike && spike < std::min<std::int64_t>(v.end, rows)) << v.why;
    }
}

// A range's figures are those of counting its rows one by one, wherever it starts and ends.
TEST(RunSummary, RangeFiguresAgreeWithCountingTheRows)
{
    LogTable table;
    const int rows = 70000;
    fillRun(table, rows, 100);
    RunSummary summary(table);
    while (!summary.catchUp(4099)) {
    }
    std::mt19937 random(11);
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {
        {0, rows}, {500, 501}, {rows - 1, rows}, {8990, 9010}, {4000, 30000}, {0, 0}, {23333, 23333 + 4096},
        {-5, rows + 9}};
    for (int i = 0; i < 40; ++i) {
        const std::int64_t a = std::int64_t(random() % rows), b = std::int64_t(random() % rows);
        ranges.emplace_back(std::min(a, b), std::max(a, b) + 1);
    }
    for (const auto& [first, end] : ranges) {
        const RowStatistics got = summary.figures(first, end);
        RowStatistics want;
        want.addTableRows(table, first, end);
        const std::string where = std::to_string(first) + ".." + std::to_string(end);
        EXPECT_EQ(got.rows(), want.rows()) << where;
        EXPECT_EQ(got.firstNo(), want.firstNo()) << where;
        EXPECT_EQ(got.lastNo(), want.lastNo()) << where;
        ASSERT_EQ(got.groups().size(), want.groups().size()) << where;
        for (std::size_t g = 0; g < want.groups().size(); ++g) {
            const StatisticsGroup& x = got.groups()[g];
            const StatisticsGroup& y = want.groups()[g];
            EXPECT_EQ(x.function, y.function) << where;
            EXPECT_EQ(x.baseUnit, y.baseUnit) << where;
            EXPECT_EQ(x.latestUnit, y.latestUnit) << where;
            EXPECT_EQ(x.rows, y.rows) << where;
            EXPECT_EQ(x.overloads, y.overloads) << where;
            EXPECT_EQ(x.numbers, y.numbers) << where;
            EXPECT_EQ(x.minimum, y.minimum) << where;
            EXPECT_EQ(x.maximum, y.maximum) << where;
            EXPECT_EQ(x.first, y.first) << where;
            EXPECT_EQ(x.last, y.last) << where;
            EXPECT_EQ(x.first.offsetFromUtc(), y.first.offsetFromUtc()) << where;
            // The values lie around zero: the mean is held to the spread of the values.
            EXPECT_NEAR(x.mean, y.mean, 1e-12 * std::max(std::fabs(y.mean), y.maximum - y.minimum)) << where;
            EXPECT_EQ(x.stdev().has_value(), y.stdev().has_value()) << where;
            if (y.stdev()) {
                EXPECT_NEAR(*x.stdev(), *y.stdev(), 1e-12 * *y.stdev()) << where;
            }
        }
    }
}

// Where lines break: a change of function or unit, a silence the link told of, and for rows
// read back, a gap far beyond the run's spacing.
TEST(RunSummary, LinesBreakAtChangesAndSilences)
{
    struct Step {
        std::int64_t ms;
        const char* unit;
        const char* function;
        bool markBefore;   // the link went silent before this row
    };
    const auto steady = [](int rows, std::int64_t spacing) {
        std::vector<Step> s;
        for (int i = 0; i < rows; ++i)
            s.push_back({i * spacing, "V", "DC", false});
        return s;
    };
    std::vector<Step> silence = steady(40, 1000);
    silence[25].markBefore = true;
    std::vector<Step> units = steady(40, 1000);
    for (int i = 20; i < 30; ++i)
        units[std::size_t(i)].unit = "mV";
    std::vector<Step> functions = steady(40, 1000);
    functions[33].function = "AC";
    std::vector<Step> gap = steady(40, 1000);
    for (std::size_t i = 30; i < gap.size(); ++i)
        gap[i].ms += 60000;
    std::vector<Step> shortGap = steady(40, 100);
    for (std::size_t i = 30; i < gap.size(); ++i)
        shortGap[i].ms += 4000;
    enum When { EachRow, AtTheEnd, Loaded };   // rows summarised after each, after all, or read back
    const struct {
        const char* why;
        std::vector<Step> steps;
        When when;
        std::vector<std::int64_t> breaks;
    } cases[] = {
        {"a steady run has one line", steady(40, 1000), EachRow, {}},
        {"a silence the link told of", silence, EachRow, {25}},
        {"a silence told while rows were waiting to be summarised", silence, AtTheEnd, {25}},
        {"a change of unit and back", units, EachRow, {20, 30}},
        {"a change of function and back", functions, Loaded, {33, 34}},
        {"a minute's gap in rows read back", gap, Loaded, {30}},
        {"the same gap while logging: the link would have told", gap, EachRow, {}},
        {"a gap of 4 s is never far", shortGap, Loaded, {}},
    };
    for (const auto& c : cases) {
        LogTable table;
        RunSummary summary(table);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            if (s.markBefore)
                summary.markBreak();
            table.append(row(qint32(i + 1), QStringLiteral("1.000"), s.ms, s.unit, s.function));
            if (c.when == EachRow)
                summary.rowsAppended();
        }
        if (c.when == AtTheEnd)
            summary.rowsAppended();
        if (c.when == Loaded) {
            summary.reset();
            summary.rowsAppended();   // waits for the catch-up
            EXPECT_EQ(summary.summarisedRows(), 0) << c.why;
            EXPECT_TRUE(summary.catchUp(1000)) << c.why;
        }
        std::vector<std::int64_t> got;
        for (std::int64_t r = 0; r < table.rowCount(); ++r)
            if (summary.breakBefore(r))
                got.push_back(r);
        EXPECT_EQ(got, c.breaks) << c.why;
    }
}

// A row's time: its stamp, or its time of day on the day carried on from the rows before; and
// the first row at or after a time.
TEST(RunSummary, RowTimesAndTheRowAtATime)
{
    const QDateTime loadedAt(QDate(2026, 3, 28), QTime(12, 0), Qt::OffsetFromUTC, 3600);
    const auto at = [](int day, const char* time) {
        return QDateTime(QDate(2026, 3, day), QTime::fromString(QLatin1String(time), QStringLiteral("hh:mm:ss")),
                         Qt::OffsetFromUTC, 3600)
            .toMSecsSinceEpoch();
    };
    LogTable table;
    const struct {
        const char* time;
        int stampDay;           // 0: a loaded row with its time text alone
        int day;                // the day its time falls on
        const char* why;
    } rows[] = {
        {"23:59:58", 0, 28, "before any stamp: the day of the load"},
        {"23:59:59", 0, 28, "the time goes on"},
        {"00:00:01", 0, 29, "the time of day goes back: the next day"},
        {"", 0, 0, "no time at all"},
        {"00:00:02", 0, 29, "a row without a time changes nothing"},
        {"10:00:00", 30, 30, "a stamp gives its own day"},
        {"09:00:00", 0, 31, "a time of day before the stamp's: the day after"},
        {"09:00:00", 0, 31, "the same time is the same day"},
    };
    for (const auto& r : rows) {
        LogRow l;
        l.time = QLatin1String(r.time);
        l.function = QStringLiteral("DC");
        l.value = QStringLiteral("1.000");
        l.unit = QStringLiteral("V");
        if (r.stampDay)
            l.loggedAt = QDateTime::fromMSecsSinceEpoch(at(r.stampDay, r.time), Qt::OffsetFromUTC, 3600);
        table.append(l);
    }
    // Enough steady rows after them to fill buckets of their own.
    for (int i = 0; i < 40; ++i)
        table.append(row(qint32(i), QStringLiteral("1.000"), 3 * 86400000LL + i * 1000));
    RunSummary summary(table, loadedAt);
    ASSERT_TRUE(summary.catchUp(100));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::optional<std::int64_t> want =
            rows[i].day ? std::optional<std::int64_t>(at(rows[i].day, rows[i].time)) : std::nullopt;
        EXPECT_EQ(summary.timeOfRow(std::int64_t(i)), want) << rows[i].why;
    }
    const std::int64_t firstSteady = std::int64_t(std::size(rows));
    const struct {
        std::int64_t ms;
        std::int64_t row;
        const char* why;
    } searches[] = {
        {at(1, "00:00:00"), 0, "before the run: its first row"},
        {at(28, "23:59:59"), 1, "a row's own time"},
        {at(29, "00:00:00"), 2, "between two rows: the later"},
        {at(30, "10:00:00") + 1, 6, "just after a row"},
        {at(31, "09:00:00"), 6, "rows sharing a time: the first"},
        {kStart.addMSecs(3 * 86400000LL + 20500).toMSecsSinceEpoch(), firstSteady + 21, "inside a later bucket"},
        {at(31, "23:00:00") + 86400000LL, table.rowCount(), "after the run: past its end"},
    };
    for (const auto& s : searches)
        EXPECT_EQ(summary.rowAtTime(s.ms), s.row) << s.why;
}

// Rows logged while a loaded table is caught up are summarised once, in order; a reset starts
// again; a table emptied behind the summary's back is noticed.
TEST(RunSummary, CatchUpAndLoggingTakeEveryRowOnce)
{
    LogTable table;
    fillRun(table, 5000, 10);
    RunSummary summary(table);
    EXPECT_FALSE(summary.catchUp(1000));
    table.append(row(9001, QStringLiteral("3.000"), 0));
    summary.rowsAppended();
    EXPECT_EQ(summary.summarisedRows(), 1000);
    while (!summary.catchUp(333)) {
    }
    table.append(row(9002, QStringLiteral("4.000"), 0));
    summary.rowsAppended();
    EXPECT_EQ(summary.summarisedRows(), 5002);
    RowStatistics want;
    want.addTableRows(table, 0, table.rowCount());
    EXPECT_EQ(summary.figures(0, 5002).rows(), want.rows());
    EXPECT_EQ(summary.figures(0, 5002).groups().back().maximum, want.groups().back().maximum);

    table.clear();
    table.append(row(1, QStringLiteral("-2.000"), 0));
    summary.rowsAppended();
    EXPECT_EQ(summary.summarisedRows(), 1);
    EXPECT_EQ(summary.valueAt(0), -2.0);
    summary.reset();
    EXPECT_EQ(summary.summarisedRows(), 0);
    EXPECT_TRUE(summary.envelope({0, 1}).front().numbers == 0);
}
