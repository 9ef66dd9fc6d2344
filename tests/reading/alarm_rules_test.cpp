#include "reading/alarms/alarm_monitor.h"
#include "reading/alarms/alarm_rules_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <vector>

namespace {

AlarmRule ruleOf(const QString& text)
{
    AlarmRuleError error;
    return *parseAlarmRule(text, &error);
}

}   // namespace

TEST(AlarmRule, AcceptedAndRefused)
{
    using C = AlarmCondition;
    const struct {
        const char* text;
        C condition;
        double a, b;            // limit, or low and high, or stale seconds
        double forS, hysteresis;
        int position;           // of the refusal; 0: accepted
        const char* message;
        const char* why;
    } cases[] = {
        {"u > 5", C::Above, 5, 0, 0, 0, 0, "", "the plainest rule"},
        {"u>1.5k", C::Above, 1500, 0, 0, 0, 0, "", "no blanks needed around > and an SI prefix"},
        {"i < -2m for 3 hysteresis 500u", C::Below, -0.002, 0, 3, 0.0005, 0, "", "a negative limit, both options"},
        {"u OUTSIDE 1..2 HYSTERESIS 0.5", C::Outside, 1, 2, 0, 0.5, 0, "", "words in any case; h of half the band"},
        {"u inside -1k..1k for 0.5", C::Inside, -1000, 1000, 0.5, 0, 0, "", "a band of negative and positive"},
        {"u overload for 2", C::Overload, 0, 0, 2, 0, 0, "", "an overload may be debounced"},
        {"u stale 60", C::Stale, 60, 0, 0, 0, 0, "", "a silence of a minute"},
        {"u outside 5..2", C::Outside, 0, 0, 0, 0, 11, "above its high limit", "crossed band limits"},
        {"u > 5 for -1", C::Above, 0, 0, 0, 0, 11, "negative", "a negative for time"},
        {"u > 5 hysteresis -1", C::Above, 0, 0, 0, 0, 18, "negative", "a negative hysteresis"},
        {"u stale -3", C::Stale, 0, 0, 0, 0, 9, "negative", "a negative stale time"},
        {"u stale 0", C::Stale, 0, 0, 0, 0, 3, "above 0", "a stale time of 0 would raise on every tick"},
        {"u > 5V", C::Above, 0, 0, 0, 0, 6, "base unit", "units are not written ('m' is a prefix)"},
        {"u above 5", C::Above, 0, 0, 0, 0, 3, "not a condition", "an unknown condition word"},
        {"u > 5 when 3", C::Above, 0, 0, 0, 0, 7, "unexpected 'when'", "an unknown option word"},
        {"u > 5 for 1 for 2", C::Above, 0, 0, 0, 0, 13, "twice", "an option given twice"},
        {"u-1 > 5", C::Above, 0, 0, 0, 0, 1, "not a channel name", "an operator in the name"},
        {"2u > 5", C::Above, 0, 0, 0, 0, 1, "not a channel name", "a name starting with a digit"},
        {"u outside 1-2", C::Outside, 0, 0, 0, 0, 11, "LO..HI", "a band without its dots"},
        {"u overload hysteresis 1", C::Overload, 0, 0, 0, 0, 12, "needs a limit", "hysteresis without a limit"},
        {"u outside 1..2 hysteresis 0.6", C::Outside, 0, 0, 0, 0, 16, "never clear", "the band to clear is empty"},
        {"u >", C::Above, 0, 0, 0, 0, 4, "a number belongs after '>'", "a rule cut short"},
        {"u > abc", C::Above, 0, 0, 0, 0, 5, "not a number", "a word for a number"},
        {"  ", C::Above, 0, 0, 0, 0, 1, "empty", "nothing written"},
    };
    for (const auto& c : cases) {
        AlarmRuleError error;
        const auto rule = parseAlarmRule(QString::fromUtf8(c.text), &error);
        if (c.position != 0) {
            ASSERT_FALSE(rule) << c.why;
            EXPECT_EQ(error.position, c.position) << c.why << ": " << error.message.toStdString();
            EXPECT_TRUE(error.message.contains(QLatin1String(c.message))) << c.why << ": " << error.message.toStdString();
            continue;
        }
        ASSERT_TRUE(rule) << c.why << ": " << error.text().toStdString();
        EXPECT_EQ(rule->condition, c.condition) << c.why;
        const bool band = c.condition == C::Outside || c.condition == C::Inside;
        EXPECT_DOUBLE_EQ(band ? rule->low : c.condition == C::Stale ? rule->staleSeconds : rule->limit, c.a) << c.why;
        EXPECT_DOUBLE_EQ(band ? rule->high : 0, c.b) << c.why;
        EXPECT_DOUBLE_EQ(rule->forSeconds, c.forS) << c.why;
        EXPECT_DOUBLE_EQ(rule->hysteresis, c.hysteresis) << c.why;
    }
    const AlarmRule rule = ruleOf(QStringLiteral("  x  >  5 "));
    EXPECT_EQ(rule.text, QStringLiteral("x > 5")) << "the text kept is the rule with its blanks collapsed";
    const auto unknown = checkAlarmRuleChannel(rule, {"u", "i"});
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->message, QStringLiteral("no channel named x (the channels are u, i)"));
    EXPECT_FALSE(checkAlarmRuleChannel(rule, {"u", "x"}));
}

namespace {

// One step of a script: a reading of u ('v' a number, 'o' overload, 'n' no number), a tick
// ('t') or an acknowledgement ('a'). A reading's row is its place in the script, from 1.
struct Step {
    char what;
    std::int64_t ms;
    double value;
};

// The events as "R3 C6 A6": raised, cleared, acknowledged, each with its row.
QString run(const char* rule, const std::vector<Step>& script)
{
    // A rule on another channel that any reading of u would raise, if u's readings reached it.
    AlarmMonitor monitor({ruleOf(QString::fromUtf8(rule)), ruleOf(QStringLiteral("i > -1G"))});
    QStringList events;
    QObject::connect(&monitor, &AlarmMonitor::eventHappened, [&](const RecordEvent& e) {
        const char* kind = e.kind == EventKind::AlarmRaised ? "R" : e.kind == EventKind::AlarmCleared ? "C" : "A";
        events << QStringLiteral("%1%2%3").arg(QLatin1String(kind)).arg(e.row).arg(e.channel == u"u" ? "" : "!");
    });
    std::int64_t row = 0;
    for (const Step& s : script) {
        if (s.what == 't')
            monitor.tick(s.ms);
        else if (s.what == 'a')
            monitor.acknowledge(0);
        else
            monitor.offer(QStringLiteral("u"), {s.ms, s.what == 'v' ? std::optional<double>(s.value) : std::nullopt,
                                                 s.what == 'o', ++row, QStringLiteral("V")});
    }
    return events.join(u' ');
}

}   // namespace

TEST(AlarmMonitor, ScriptedReadings)
{
    const struct {
        const char* rule;
        std::vector<Step> script;
        const char* events;
        const char* why;
    } cases[] = {
        {"u > 5 for 1", {{'v', 0, 6}, {'v', 500, 6}, {'v', 900, 4}, {'v', 1000, 6}, {'v', 1999, 6}, {'v', 2000, 6}},
         "R6", "a spike shorter than the for time raises nothing; the time starts again"},
        {"u > 5 for 1 hysteresis 1", {{'v', 0, 6}, {'v', 500, 4.5}, {'v', 1000, 6}}, "",
         "a value under the limit but within the hysteresis restarts the for time"},
        {"u > 5 for 1", {{'v', 0, 6}, {'o', 500, 0}, {'v', 1000, 6}}, "R3",
         "an overload neither raises nor stops a running for time"},
        {"u > 5 for 1", {{'v', 0, 6}, {'v', 500, std::nan("")}, {'v', 1000, 6}}, "R3",
         "a value that is not a number counts as no number"},
        {"u > 5 hysteresis 0.2", {{'v', 0, 5.1}, {'v', 1, 4.9}, {'v', 2, 5.1}, {'v', 3, 4.9}, {'v', 4, 4.7}}, "R1 C5",
         "noise at the edge raises one alarm"},
        {"u > 5", {{'v', 0, 5.1}, {'v', 1, 4.9}, {'v', 2, 5.1}, {'v', 3, 5}}, "R1 C2 R3",
         "without hysteresis every crossing counts; the limit itself neither raises nor clears"},
        {"u < 1 hysteresis 0.5", {{'v', 0, 0.5}, {'v', 1, 1.4}, {'v', 2, 1.6}}, "R1 C3", "below, mirrored"},
        {"u outside 1..2 hysteresis 0.1", {{'v', 0, 0.5}, {'v', 1, 1.05}, {'v', 2, 1.5}, {'v', 3, 2.5}}, "R1 C3 R4",
         "outside clears inside the narrowed band"},
        {"u inside 1..2 hysteresis 0.1", {{'v', 0, 1.5}, {'v', 1, 2.05}, {'v', 2, 2.2}}, "R1 C3",
         "inside clears outside the widened band"},
        {"u > 5", {{'v', 0, 6}, {'n', 1, 0}, {'o', 2, 0}, {'v', 3, 4}}, "R1 C4",
         "readings without a number do not clear a limit rule"},
        {"u overload", {{'v', 0, 1}, {'o', 1, 0}, {'o', 2, 0}, {'n', 3, 0}, {'v', 4, 1}}, "R2 C5",
         "overload raises once; a reading with no number says nothing"},
        {"u stale 2", {{'t', 0, 0}, {'t', 1999, 0}, {'t', 2000, 0}, {'v', 2500, 1}, {'t', 4499, 0}, {'t', 4500, 0}},
         "R0 C1 R1", "a channel that never read, then one that stopped"},
        {"u > 5", {{'v', 0, 6}, {'a', 0, 0}, {'a', 0, 0}, {'v', 1, 4}, {'a', 0, 0}}, "R1 A1 C2",
         "acknowledged once; a cleared alarm already acknowledged needs none"},
        {"u > 5", {{'v', 0, 6}, {'v', 1, 4}, {'a', 0, 0}}, "R1 C2 A2", "an alarm cleared before anyone looked"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(c.rule, c.script).toStdString(), c.events) << c.rule << ": " << c.why;
}

TEST(AlarmMonitor, EventNamesRuleChannelAndReading)
{
    AlarmMonitor monitor({ruleOf(QStringLiteral("u > 12"))});
    std::vector<RecordEvent> events;
    QObject::connect(&monitor, &AlarmMonitor::eventHappened, [&](const RecordEvent& e) { events.push_back(e); });
    const std::int64_t ms = 1765400000123;
    for (int n = 0; n < 3; ++n) {
        monitor.offer(QStringLiteral("u"), {ms + n * 2, 12.6, false, 40 + n * 2, QStringLiteral("V")});
        monitor.offer(QStringLiteral("u"), {ms + n * 2 + 1, 3, false, 41 + n * 2, QStringLiteral("V")});
    }
    monitor.offer(QStringLiteral("u"), {ms + 9, 13, false, 50, QStringLiteral("V")});
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].text, QStringLiteral("12.6 V"));
    EXPECT_EQ(events[0].rule, QStringLiteral("u > 12"));
    EXPECT_EQ(events[0].channel, QStringLiteral("u"));
    EXPECT_EQ(events[0].at.toMSecsSinceEpoch(), ms);
    EXPECT_EQ(events[1].text, QStringLiteral("3 V"));
    EXPECT_EQ(monitor.raiseCount(0), 4);
    EXPECT_EQ(monitor.raisedRules(), std::vector<int>{0});
}

TEST(AlarmRulesFile, RoundTripAndRefusals)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("rules.txt");
    QString error;
    auto rules = parseAlarmRulesText("# bench supply\n\nu  >  5 for 1\n  # load\ni outside 0..2 hysteresis 50m\n", &error);
    ASSERT_TRUE(rules) << error.toStdString();
    ASSERT_TRUE(writeAlarmRulesFile(path, *rules, &error)) << error.toStdString();
    const auto back = readAlarmRulesFile(path, &error);
    ASSERT_TRUE(back) << error.toStdString();
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].text, QStringLiteral("u > 5 for 1"));
    EXPECT_DOUBLE_EQ((*back)[1].hysteresis, 0.05);

    const struct {
        QByteArray content;
        const char* message;
        const char* why;
    } refused[] = {
        {"u > 5\n# fine\nu outside 3..1\n", "line 3: at 11:", "the bad line and its position are named"},
        {QByteArray("u > 5\n").repeated(1001), "more than 1000 rules", "a bounded number of rules"},
        {QByteArray(kMaxAlarmRulesFileBytes + 1, '#'), "not a rules file", "a bounded size"},
    };
    for (const auto& c : refused) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        EXPECT_FALSE(readAlarmRulesFile(path, &error)) << c.why;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << c.why << ": " << error.toStdString();
    }
}
