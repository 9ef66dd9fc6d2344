// The recorder: the points a view hands the plot, and the range's copied text and figures.
#include "log/log_grid_model.h"
#include "log/log_table.h"
#include "log/run_summary.h"
#include "ui/recorder_channel_bar.h"
#include "ui/recorder_figures.h"
#include "ui/recorder_picture.h"
#include "ui/recorder_points.h"
#include "ui/recorder_window.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

LogRow voltRow(qint32 no, const QString& value, const QString& unit = QStringLiteral("V"))
{
    LogRow r;
    r.no = no;
    r.time = QTime(10, 0).addSecs(no).toString(QStringLiteral("hh:mm:ss"));
    r.function = QStringLiteral("DC");
    r.value = value;
    r.unit = unit;
    r.judge = QStringLiteral("pass");
    r.loggedAt = QDateTime(QDate(2026, 3, 29), QTime(10, 0).addSecs(no), Qt::OffsetFromUTC, 7200);
    return r;
}

// Builds a table row by row; `breakBefore` rows follow a silent link.
struct LoggedRun {
    LogTable table;
    RunSummary summary{table};
    LoggedRun(int rows, const std::function<LogRow(int)>& rowAt, std::vector<int> breakBefore = {})
    {
        for (int i = 0; i < rows; ++i) {
            if (std::find(breakBefore.begin(), breakBefore.end(), i) != breakBefore.end())
                summary.markBreak();
            table.append(rowAt(i));
            summary.rowsAppended();
        }
    }
};

QString fixed(double v) { return QString::number(v, 'f', 3); }

// The NaN points of a line, each by the X of the point before it.
std::vector<double> breaksAfter(const RecorderPoints& p)
{
    std::vector<double> xs;
    for (int i = 1; i < p.line.size(); ++i)
        if (std::isnan(p.line[i].y) && !std::isnan(p.line[i - 1].y))
            xs.push_back(p.line[i - 1].x);
    return xs;
}

TEST(RecorderPoints, WhatAViewHandsThePlot)
{
    const auto flat = [](int i) { return voltRow(i + 1, i == 54321 ? QStringLiteral("5.999") : QStringLiteral("1.000")); };
    const auto ramp = [](int i) { return voltRow(i + 1, fixed(i)); };
    const auto unitChange = [](int i) { return i < 6 ? voltRow(i + 1, QStringLiteral("1.000")) : voltRow(i + 1, QStringLiteral("2.000"), QStringLiteral("k*")); };
    const auto overload = [](int i) { return voltRow(i + 1, i == 4 ? QStringLiteral("0.L") : QStringLiteral("1.000")); };
    const struct Case {
        const char* why;
        int rows;
        std::function<LogRow(int)> rowAt;
        std::vector<int> breakBefore;
        RecorderView view;
        int mostPoints;                 // the line holds at most this many points
        double maximum;                 // the largest value handed over
        std::vector<double> breaks;     // X of the points a NaN follows
        std::vector<double> overloads;
    } cases[] = {
        {"a lone spike among 100,000 rows stays at the whole run's zoom", 100000, flat, {},
         {RecorderAxis::Record, 1, 100000, 120}, 2 * 120, 5.999, {}, {}},
        {"one row or fewer a column: the readings themselves", 50, ramp, {}, {RecorderAxis::Record, 1, 50, 200}, 50, 49, {}, {}},
        {"the link fell silent: the line breaks between the two rows", 20, ramp, {10},
         {RecorderAxis::Record, 1, 20, 300}, 21, 19, {10}, {}},
        {"a change of unit breaks the line", 12, unitChange, {}, {RecorderAxis::Record, 1, 12, 300}, 13, 2000, {6}, {}},
        {"an overload is marked, and the line does not bridge it", 10, overload, {}, {RecorderAxis::Record, 1, 10, 300},
         11, 1, {4}, {5}},
    };
    for (const Case& c : cases) {
        LoggedRun run(c.rows, c.rowAt, c.breakBefore);
        const RecorderPoints p = recorderPoints(run.summary, c.view);
        EXPECT_LE(p.line.size(), c.mostPoints) << c.why;
        EXPECT_DOUBLE_EQ(p.maximum, c.maximum) << c.why;
        EXPECT_EQ(breaksAfter(p), c.breaks) << c.why;
        EXPECT_EQ(std::vector<double>(p.overloads.begin(), p.overloads.end()), c.overloads) << c.why;
    }
    // At one row a column every reading is handed over at its own record.
    LoggedRun ramped(50, ramp);
    const RecorderPoints p = recorderPoints(ramped.summary, {RecorderAxis::Record, 1, 50, 200});
    ASSERT_EQ(p.line.size(), 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(std::make_pair(p.line[i].x, p.line[i].y), std::make_pair(i + 1.0, double(i)));
}

TEST(RecorderWindow, TheRangeIsCopiedWithTheHeaderLineAndSaysWhatItCovers)
{
    LoggedRun run(4, [](int i) { return voltRow(i + 1, fixed(i + 1)); });
    LogGridModel grid(run.table);
    RecorderWindow w(run.summary, run.table, grid, QLocale::c());
    EXPECT_EQ(w.rangeAsText(), QString()) << "no range, nothing to copy";
    w.plot->setRange(RecorderRange{2, 1});   // dragged from right to left
    EXPECT_EQ(w.rangeAsText(), QStringLiteral("No.\tTime\tFunction\tValue\tUnit\tJudge\n"
                                              "2\t10:00:02\tDC\t2.000\tV\tpass\n"
                                              "3\t10:00:03\tDC\t3.000\tV\tpass\n"));
    const QString span = QDateTime(QDate(2026, 3, 29), QTime(10, 0, 2), Qt::OffsetFromUTC, 7200).toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    EXPECT_TRUE(w.figures->cover->text().startsWith(QStringLiteral("Records 2 to 3 of the table, No. 2 to 3: 2 rows, ") + span))
        << qPrintable(w.figures->cover->text());
    EXPECT_TRUE(w.figures->cover->text().endsWith(QStringLiteral(" (00:00:01)"))) << "the duration";
    EXPECT_TRUE(w.saveRange->isEnabled());
}

// Further channels share the time axis: one value axis per unit, the first meter's on the
// left (shared with a channel of its unit), a legend entry per line shown, and each line hidden
// by its box. On the record axis only the first meter's line is drawn.
TEST(RecorderWindow, FurtherChannelsGetAnAxisPerUnitAndAreHiddenByName)
{
    LoggedRun main(4, [](int i) { return voltRow(i + 1, fixed(i + 1)); });
    LoggedRun u(4, [](int i) { return voltRow(i + 1, fixed(10 + i)); });
    LoggedRun i(4, [](int k) { return voltRow(k + 1, fixed(0.1 * (k + 1)), QStringLiteral("mA")); });
    LogGridModel grid(main.table);
    RecorderWindow w(main.summary, main.table, grid, QLocale::c());
    w.timeAxis->setChecked(true);
    w.setTraces(QStringLiteral("m1"), {{QStringLiteral("u"), &u.summary, &u.table}, {QStringLiteral("i"), &i.summary, &i.table}});
    const auto rightAxes = [&] {
        QStringList labels;
        for (QCPAxis* a : w.plot->axisRect()->axes(QCPAxis::atRight))
            if (a->visible())
                labels << a->label();
        return labels;
    };
    const struct Step {
        const char* why;
        std::function<void()> act;
        QString left;
        QStringList right;
        int legendItems;
    } steps[] = {
        {"u in volts shares the left axis; i in base units on its own", [] {}, QStringLiteral("Value (V)"), {QStringLiteral("A")}, 3},
        {"i hidden: its axis goes", [&] { w.channels->box(QStringLiteral("i"))->setChecked(false); },
         QStringLiteral("Value (V)"), {}, 2},
        {"the first meter and u hidden, i shown: i's unit takes the left axis",
         [&] {
             w.channels->box(QStringLiteral("m1"))->setChecked(false);
             w.channels->box(QStringLiteral("u"))->setChecked(false);
             w.channels->box(QStringLiteral("i"))->setChecked(true);
         },
         QStringLiteral("Value (A)"), {}, 1},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(w.plot->yAxis->label(), s.left) << s.why;
        EXPECT_EQ(rightAxes(), s.right) << s.why;
        EXPECT_EQ(w.plot->legend->itemCount(), s.legendItems) << s.why;
    }
    const QCPRange left = w.plot->yAxis->range();
    EXPECT_TRUE(left.contains(0.0001) && left.contains(0.0004) && !left.contains(0.01)) << "fitted to i's amperes alone: " << left.lower << ".." << left.upper;

    w.channels->box(QStringLiteral("m1"))->setChecked(true);
    w.timeAxis->setChecked(false);
    EXPECT_FALSE(w.plot->legend->visible()) << "the record axis draws the first meter alone";
    EXPECT_FALSE(w.channels->box(QStringLiteral("i"))->isEnabled());
    EXPECT_LT(w.plot->yAxis->range().upper, 5) << "fitted to the first meter's 1..4 V";
}

// The picture's format follows the name's suffix, in any case; a name of no known format is
// refused and leaves no file.
TEST(RecorderPicture, TheNameChoosesTheFormat)
{
    LoggedRun run(30, [](int i) { return voltRow(i + 1, fixed(i % 7)); });
    LogGridModel grid(run.table);
    RecorderWindow w(run.summary, run.table, grid, QLocale::c());
    w.plot->resize(400, 250);
    w.plot->showWholeRun();
    QTemporaryDir dir;
    const struct Case {
        const char* name;
        QByteArray start;   // empty: refused
    } cases[] = {
        {"run.png", QByteArray("\x89PNG")}, {"run.PDF", QByteArray("%PDF")}, {"run.svg", QByteArray("<?xml")},
        {"run.jpg", QByteArray()},
    };
    for (const Case& c : cases) {
        const QString file = dir.filePath(QLatin1String(c.name));
        const FileOutcome outcome = saveRecorderPicture(*w.plot, file);
        EXPECT_EQ(outcome.ok, !c.start.isEmpty()) << c.name << ": " << qPrintable(outcome.text);
        QFile f(file);
        EXPECT_EQ(f.open(QIODevice::ReadOnly) ? f.read(c.start.size() ? c.start.size() : 1) : QByteArray(), c.start) << c.name;
    }
}

} // namespace
