// The reading pipeline's own duties: every logged row passes its one hook whichever rule made
// it, rows wait to be saved until a save or Close Data, and frames keep the watchdog at rest.
#include "doubles/fixed_locale_clock.h"
#include "reading/local_now.h"
#include "log/journal/record_journal.h"
#include "log/files/table_file_outcome.h"
#include "reading/reading_pipeline.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <iterator>
#include <vector>

namespace {

// 2B 31 32 33 34 20 31 30 00 00 80 00 0D: volts DC, auto range; `last` is the fourth digit.
QString voltsFrame(char last)
{
    return QStringLiteral("2B313233%1203130000080000D").arg(int(last), 2, 16).toUpper();
}

struct PipelineRun {
    PipelineRun() : pipeline(6000, clock)
    {
        QObject::connect(&pipeline, &ReadingPipeline::rowLogged, [this](const LogRow& row) {
            EXPECT_EQ(row.no, pipeline.table().row(pipeline.table().rowCount() - 1).no);
            values.push_back(row.readingValue.value_or(-1));
            rows.push_back(row);
        });
        QObject::connect(&pipeline, &ReadingPipeline::logCleared, [this] { ++cleared; });
        RecordJournal::Options o;
        o.folder = journalFolder.path();
        o.kind = QStringLiteral("window");
        pipeline.openJournal(o);
    }
    bool rowsWaitToBeSaved() const { return pipeline.unsavedRows() > 0; }
    QTemporaryDir journalFolder;
    FixedLocaleClock clock;
    ReadingPipeline pipeline;
    std::vector<double> values;
    std::vector<LogRow> rows;
    int cleared = 0;
};

} // namespace

TEST(ReadingPipeline, RowsOfEitherRulePassTheHookAndWaitToBeSaved)
{
    PipelineRun r;
    r.pipeline.showFrame(voltsFrame('4'));
    const double first = r.pipeline.reading().readingValue;
    EXPECT_EQ(r.values, std::vector<double>{first});
    EXPECT_TRUE(r.rowsWaitToBeSaved());
    // The bar shows the logged value's size (123.4), held within its maximum of 60.
    EXPECT_EQ(r.pipeline.panel().barMaximum(), 60);
    EXPECT_EQ(r.pipeline.panel().barPosition(), 60);
    const QString saved = r.journalFolder.filePath(QStringLiteral("saved.txt"));
    EXPECT_TRUE(r.pipeline.saveTable(saved).ok);
    EXPECT_FALSE(r.rowsWaitToBeSaved()) << "a save leaves nothing to save";

    r.pipeline.logger().setRecordSI(true);
    r.pipeline.showFrame(voltsFrame('5'));
    EXPECT_EQ(r.values.size(), 1u) << "sampling logs on the tick";
    EXPECT_TRUE(r.pipeline.logger().samplingActive());
    r.pipeline.sample();
    EXPECT_EQ(r.values, (std::vector<double>{first, r.pipeline.reading().readingValue}));
    EXPECT_NE(r.values[0], r.values[1]);
    EXPECT_TRUE(r.rowsWaitToBeSaved());

    r.pipeline.clearLog();
    EXPECT_EQ(r.cleared, 1);
    EXPECT_FALSE(r.rowsWaitToBeSaved());
    EXPECT_EQ(r.pipeline.table().rowCount(), 0);

    // Frames that came a millisecond apart within one poll keep their own times, in the Time
    // text and the full stamp alike, whatever the clock (fixed here) says when they are read.
    r.pipeline.logger().setRecordSI(false);
    const QDateTime came = r.clock.now().addMSecs(-1500);
    r.pipeline.showFrame(voltsFrame('6'), came);
    r.pipeline.showFrame(voltsFrame('7'), came.addMSecs(1));
    ASSERT_EQ(r.rows.size(), 4u);
    EXPECT_EQ(r.rows[2].loggedAt, came);
    EXPECT_EQ(r.rows[3].loggedAt, came.addMSecs(1));
    EXPECT_EQ(r.rows[2].time, QStringLiteral("10:15:28")) << "the frame's second, not the clock's";
    EXPECT_EQ(r.pipeline.reading().arrivedAt, came.addMSecs(1));
}

// A session's restore gives the events back (meter_session_test); here what addEvent fills in.
TEST(ReadingPipeline, EventsAreMarkedAtTheLastRowAndClearedWithTheRows)
{
    PipelineRun r;
    int announced = 0;
    QObject::connect(&r.pipeline, &ReadingPipeline::eventAdded, [&] { ++announced; });
    const QDateTime earlier = r.clock.now().addSecs(-1);
    r.pipeline.addEvent({EventKind::Note, {}, {}, 0, {}, QStringLiteral("before")});
    r.pipeline.showFrame(voltsFrame('4'));
    r.pipeline.showFrame(voltsFrame('5'));
    r.pipeline.addEvent({EventKind::AlarmRaised, earlier, QStringLiteral("u"), 0, QStringLiteral("u > 5"), {}});
    r.pipeline.addEvent({EventKind::Note, {}, {}, 1, {}, QStringLiteral("at one")});
    const struct {
        std::int64_t row;
        QDateTime at;
        const char* why;
    } expected[] = {
        {0, r.clock.now(), "before any row: row 0, the clock's time"},
        {2, earlier, "row 0 given: the last row's No; its own time kept"},
        {1, r.clock.now(), "a row given is kept"},
    };
    ASSERT_EQ(r.pipeline.events().size(), std::size(expected));
    EXPECT_EQ(announced, int(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(r.pipeline.events().at(i).row, expected[i].row) << expected[i].why;
        EXPECT_EQ(r.pipeline.events().at(i).at, expected[i].at) << expected[i].why;
    }
    r.pipeline.clearLog();
    EXPECT_TRUE(r.pipeline.events().empty()) << "Close Data clears them with the rows";
}

TEST(ReadingPipeline, FramesKeepTheWatchdogFromFiring)
{
    PipelineRun r;
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(r.pipeline.watchdogTick());
        EXPECT_FALSE(r.pipeline.watchdogTick());
        r.pipeline.showFrame(voltsFrame('4'));
        EXPECT_TRUE(r.pipeline.panel().linkAlive());
    }
    EXPECT_FALSE(r.pipeline.watchdogTick());
    EXPECT_FALSE(r.pipeline.watchdogTick());
    EXPECT_TRUE(r.pipeline.watchdogTick()) << "the third tick without a frame";
    EXPECT_FALSE(r.pipeline.panel().linkAlive());
    EXPECT_EQ(r.pipeline.linkIdleTicks(), 0);
}

TEST(LocalNow, StampsTheLocalWallTimeWithTheZonesOffset)
{
    // Half-hour and quarter-hour zones, one with summer time: the cached offset must be the
    // zone's, and the wall time the local one, not UTC's.
    const QByteArray oldTz = qgetenv("TZ");
    for (const char* zone : {"Asia/Kolkata", "Asia/Kathmandu", "Europe/Berlin", "UTC"}) {
        SCOPED_TRACE(zone);
        qputenv("TZ", zone);
        tzset();
        LocalNow now;
        const QDateTime stamp = now();
        const QDateTime system = QDateTime::currentDateTime();
        EXPECT_EQ(stamp.offsetFromUtc(), system.offsetFromUtc());
        EXPECT_LE(std::abs(stamp.time().msecsTo(system.time())), 1000);
        EXPECT_EQ(stamp.date(), system.date());
        EXPECT_EQ(now().offsetFromUtc(), system.offsetFromUtc()) << "the cached offset on the next call";
    }
    oldTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", oldTz);
    tzset();
}
