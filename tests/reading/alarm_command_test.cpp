// The command run for an alarm: what becomes of it is announced, and nothing it does (hang,
// flood, fail to start, come a thousand times a second) is left unbounded.
#include "reading/alarms/alarm_command.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <functional>

namespace {

// The commands end in the event loop; it runs until the outcome came or the time is up.
bool waitFor(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

RecordEvent alarmEvent(EventKind kind, const QString& rule = QStringLiteral("u > 5"))
{
    RecordEvent e;
    e.kind = kind;
    e.at = QDateTime::fromMSecsSinceEpoch(1768468530250, QTimeZone(3600));
    e.channel = QStringLiteral("u");
    e.rule = rule;
    e.text = kind == EventKind::AlarmCleared ? QStringLiteral("-5.012 V") : QStringLiteral("12.6 V");
    return e;
}

struct Outcome {
    bool finished = false;
    int exitCode = 0;
    QString message;
};

} // namespace

TEST(AlarmCommand, EachRunEndsWithItsOutcome)
{
    const struct {
        const char* command;
        int timeLimitMs;
        bool finishes;        // else failed
        int exitCode;
        const char* message;
        const char* why;
    } cases[] = {
        {"sh -c 'exit 3'", 10000, true, 3, "exited with 3", "the exit status is said"},
        {"sh -c 'echo no route >&2; exit 1'", 10000, true, 1, "exited with 1: no route", "its last words say why"},
        {"/no/such/program", 10000, false, 0, "could not be started", "a missing program is said, not waited for"},
        {"sleep 30", 100, true, -1, "was ended after 0.1 s", "a hung command is ended at its limit"},
        {"sh -c 'head -c 200000 /dev/zero'", 10000, true, 0, "134464 bytes of its output past the first 65536 were discarded",
         "a flood is counted, not kept"},
        {"sh -c 'test \"$METER_ALARM\" = \"u > 5\" && test $METER_STATE = cleared && test $METER_CHANNEL = u && "
         "test $METER_VALUE = -5.012 && test $METER_UNIT = V && test $METER_TIME = 2026-01-15T10:15:30.250+01:00'",
         10000, true, 0, "exited with 0", "the alarm is in the environment"},
    };
    for (const auto& c : cases) {
        QString error;
        const QStringList words = AlarmCommand::split(QString::fromUtf8(c.command), &error);
        ASSERT_FALSE(words.isEmpty()) << c.command << ": " << error.toStdString();
        AlarmCommandLimits limits;
        limits.timeLimitMs = c.timeLimitMs;
        AlarmCommand command(words, limits);
        std::optional<Outcome> outcome;
        QObject::connect(&command, &AlarmCommand::finished, [&](const QString&, int code, const QString& m) {
            outcome = Outcome{true, code, m};
        });
        QObject::connect(&command, &AlarmCommand::failed, [&](const QString&, const QString& m) {
            outcome = Outcome{false, 0, m};
        });
        command.run(alarmEvent(EventKind::AlarmCleared));
        ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }, 15000)) << c.why;
        EXPECT_EQ(outcome->finished, c.finishes) << c.why << ": " << outcome->message.toStdString();
        EXPECT_EQ(outcome->exitCode, c.exitCode) << c.why;
        EXPECT_TRUE(outcome->message.contains(QString::fromUtf8(c.message))) << c.why << ": " << outcome->message.toStdString();
    }
}

TEST(AlarmCommand, AtMostOnceASecondPerRuleAndABoundedNumberAtOnce)
{
    AlarmCommandLimits limits;
    limits.mostRunning = 2;
    AlarmCommand command({QStringLiteral("sleep"), QStringLiteral("30")}, limits);
    QStringList said;
    QObject::connect(&command, &AlarmCommand::failed, [&](const QString& rule, const QString& m) { said << rule + ": " + m; });

    for (int k = 0; k < 1000; ++k)
        command.run(alarmEvent(k % 2 ? EventKind::AlarmCleared : EventKind::AlarmRaised));
    command.run(alarmEvent(EventKind::AlarmAcknowledged, QStringLiteral("i < 1")));
    EXPECT_EQ(command.started(), 1) << "one start in the second; an acknowledgement runs nothing";
    EXPECT_EQ(command.skipped(QStringLiteral("u > 5")), 998) << "the latest waits for the second to pass";
    command.run(alarmEvent(EventKind::AlarmRaised, QStringLiteral("i < 1")));
    command.run(alarmEvent(EventKind::AlarmRaised, QStringLiteral("r > 1")));
    EXPECT_EQ(command.started(), 2) << "each rule has its own second, but at most two run at once";
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(said.front(), QStringLiteral("r > 1: was not started: 2 alarm commands are still running"));
    ASSERT_TRUE(waitFor([&] { return said.size() == 3; }, 5000)) << "the waiting clear is started after the second";
    EXPECT_EQ(said[1], QStringLiteral("u > 5: was not run for 998 more events (at most once a second)"));
    EXPECT_EQ(said[2], QStringLiteral("u > 5: was not started: 2 alarm commands are still running"));
}

TEST(AlarmCommand, CommandLinesSplitAsAShellWouldWithoutOne)
{
    const struct {
        const char* line;
        QStringList words;
    } cases[] = {
        {"./notify.sh", {"./notify.sh"}},
        {"sh -c 'echo $METER_ALARM > \"out\"'", {"sh", "-c", "echo $METER_ALARM > \"out\""}},
        {"say \"a \\\"b\\\"\" c\\ d ''", {"say", "a \"b\"", "c d", ""}},
        {"", {}},                       // no program
        {"sh -c 'open", {}},            // a quote left open
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_EQ(AlarmCommand::split(QString::fromUtf8(c.line), &error), c.words) << c.line;
        EXPECT_EQ(error.isEmpty(), !c.words.isEmpty()) << c.line;
    }
}
