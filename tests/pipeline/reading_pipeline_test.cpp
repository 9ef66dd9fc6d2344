// The reading pipeline's own duties: every logged row passes its one hook whichever rule made
// it, rows wait to be saved until a save or Close Data, and frames keep the watchdog at rest.
#include "pipeline/local_now.h"
#include "log/record_journal.h"
#include "pipeline/reading_pipeline.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

// 2B 31 32 33 34 20 31 30 00 00 80 00 0D: volts DC, auto range; `last` is the fourth digit.
QString voltsFrame(char last)
{
    return QStringLiteral("2B313233%1203130000080000D").arg(int(last), 2, 16).toUpper();
}

struct PipelineRun {
    PipelineRun()
        : journal([this] {
              RecordJournal::Options o;
              o.folder = journalFolder.path();
              o.kind = QStringLiteral("window");
              return o;
          }()),
          pipeline(6000, {[] { return QStringLiteral("."); }, [] { return QLocale::c(); },
                          [] { return QDateTime(QDate(2026, 1, 15), QTime(10, 15, 30)); }})
    {
        ReadingPipeline::Events events;
        events.rowAppended = [this](const LogTable& table, std::int64_t row, double value) {
            EXPECT_EQ(row, table.rowCount() - 1);
            values.push_back(value);
        };
        events.timer3 = [this](RecordLogger::Timer3Command c) { commands.push_back(c); };
        pipeline.setEvents(events);
        pipeline.setJournal(&journal);
    }
    bool rowsWaitToBeSaved() const { return journal.heldRows() > 0; }
    QTemporaryDir journalFolder;
    RecordJournal journal;
    ReadingPipeline pipeline;
    std::vector<double> values;
    std::vector<RecordLogger::Timer3Command> commands;
};

} // namespace

TEST(ReadingPipeline, RowsOfEitherRulePassTheHookAndWaitToBeSaved)
{
    PipelineRun r;
    r.pipeline.LcdDisplayVK31C(voltsFrame('4'));
    const double first = r.pipeline.reading().ReadingValue;
    EXPECT_EQ(r.values, std::vector<double>{first});
    EXPECT_TRUE(r.rowsWaitToBeSaved());
    r.pipeline.rowsSaved();
    EXPECT_FALSE(r.rowsWaitToBeSaved()) << "a save leaves nothing to save";

    r.pipeline.logger().setRecordSI(true);
    r.pipeline.LcdDisplayVK31C(voltsFrame('5'));
    EXPECT_EQ(r.values.size(), 1u) << "sampling logs on the tick";
    EXPECT_EQ(r.commands, std::vector<RecordLogger::Timer3Command>{RecordLogger::Timer3Command::Start});
    r.pipeline.Timer3Timer();
    EXPECT_EQ(r.values, (std::vector<double>{first, r.pipeline.reading().ReadingValue}));
    EXPECT_NE(r.values[0], r.values[1]);
    EXPECT_TRUE(r.rowsWaitToBeSaved());

    r.pipeline.RecordNewClick();
    EXPECT_FALSE(r.rowsWaitToBeSaved());
    EXPECT_EQ(r.pipeline.table().rowCount(), 0);
}

TEST(ReadingPipeline, FramesKeepTheWatchdogFromFiring)
{
    PipelineRun r;
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(r.pipeline.ConTimerTimer());
        EXPECT_FALSE(r.pipeline.ConTimerTimer());
        r.pipeline.LcdDisplayVK31C(voltsFrame('4'));
        EXPECT_TRUE(r.pipeline.panel().linkAlive());
    }
    EXPECT_FALSE(r.pipeline.ConTimerTimer());
    EXPECT_FALSE(r.pipeline.ConTimerTimer());
    EXPECT_TRUE(r.pipeline.ConTimerTimer()) << "the third tick without a frame";
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
