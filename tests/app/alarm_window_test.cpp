// The window's alarms and notes driven as a user would: a rule on the window's own meter raises
// the banner and an event at the row, clears, is acknowledged; a note typed with Ctrl+N is
// stored at the current row; the notifier says nothing where there is no bus.
#include "app/alarm_side.h"
#include "app/desktop_notifier.h"
#include "app/event_record.h"
#include "app/meters_controller.h"
#include "app/recorder_part.h"
#include "app/tfcomm.h"
#include "doubles/fixed_locale_clock.h"
#include "frames/sample_frames.h"
#include "log/log_grid_model.h"
#include "log/log_table.h"
#include "scripted_prompts.h"
#include "support/wait_for.h"
#include "ui/alarm_banner.h"
#include "ui/alarm_rules_dialog.h"
#include "ui/chart_view.h"
#include "ui/log_grid_view.h"
#include "ui/note_box.h"
#include "ui/recorder_plot.h"
#include "ui/recorder_window.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kVolts12_50 = sample_frames::serialText("2B3132353020323000008000");
const QString kVolts1_234 = sample_frames::serialText(SAMPLE_VOLTS_1234);

struct AlarmWindow {
    QTemporaryDir journals;
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    DesktopNotifier noBus{QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"))};
    std::unique_ptr<TFCOMM> w;
    AlarmWindow()
    {
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        s.journalFolder = journals.path();
        s.notifier = &noBus;
        w = std::make_unique<TFCOMM>(s);
    }
    std::vector<EventKind> kinds() const
    {
        std::vector<EventKind> k;
        for (std::size_t i = 0; i < w->events().events().size(); ++i)
            k.push_back(w->events().events().at(i).kind);
        return k;
    }
    QString bannerText() { return w->alarmBanner().text->text(); }
    QVariant gridNo(int row, int role) const
    {
        return w->findChild<LogGridView*>("DBGrid1")->sourceModel()->index(row, LogGridModel::NoColumn).data(role);
    }
};

} // namespace

TEST(AlarmWindow, RuleOnTheMainMeterRaisesClearsAndIsAcknowledged)
{
    AlarmWindow t;
    EXPECT_TRUE(t.w->alarms().setRuleTexts({"m1 > 5", "m1 >"}).contains("\"m1 >\"")) << "a bad kept rule is named";
    ASSERT_EQ(t.w->alarms().ruleTexts(), QStringList{"m1 > 5"});
    const QString ran = t.journals.filePath("ran.txt");
    EXPECT_FALSE(t.w->alarms().setCommandLine("sh -c 'echo open")) << "an open quote is refused";
    ASSERT_TRUE(t.w->alarms().setCommandLine(
        QStringLiteral("sh -c 'echo \"$METER_STATE $METER_ALARM $METER_VALUE $METER_UNIT\" >> \"%1\"'").arg(ran)));
    t.w->show();

    t.w->LcdDisplayVK31C(kVolts1_234);
    t.w->LcdDisplayVK31C(kVolts12_50);
    ASSERT_EQ(t.kinds(), std::vector<EventKind>{EventKind::AlarmRaised});
    const RecordEvent raised = t.w->events().events().at(0);
    EXPECT_EQ(raised.row, 2) << "marked at the row the reading was logged in";
    EXPECT_EQ(raised.rule, "m1 > 5");
    ASSERT_TRUE(waitFor([&] { return t.w->alarmBanner().isVisible(); }));
    EXPECT_EQ(t.bannerText(), QString::fromUtf8("Alarm: m1 > 5 — 12.5 V at ") + raised.at.toString("HH:mm:ss"));
    EXPECT_FALSE(t.noBus.available()) << "no bus: no notification, nothing said";
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    t.w->LcdDisplayVK31C(kVolts1_234);
    ASSERT_TRUE(waitFor([&] { return t.bannerText().endsWith(", cleared"); })) << t.bannerText().toStdString();
    EXPECT_TRUE(t.w->alarmBanner().isVisible()) << "cleared, but not yet seen";

    t.w->alarmBanner().acknowledge->click();
    EXPECT_FALSE(t.w->alarmBanner().isVisible());
    EXPECT_EQ(t.kinds(), (std::vector<EventKind>{EventKind::AlarmRaised, EventKind::AlarmCleared, EventKind::AlarmAcknowledged}));

    // The command ran for the raise and, once its second was over, for the clear.
    const auto ranLines = [&] {
        QFile f(ran);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
    };
    ASSERT_TRUE(waitFor([&] { return ranLines().size() == 2; }, 10000)) << ranLines().join(" | ").toStdString();
    EXPECT_EQ(ranLines(), (QStringList{"raised m1 > 5 12.5 V", "cleared m1 > 5 1.234 V"}));

    // The grid names the events at their row's No.; the chart marks the raise and the clear.
    const QString tip = t.gridNo(1, Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains("alarm raised: m1 > 5 (12.5 V)")) << tip.toStdString();
    EXPECT_TRUE(t.gridNo(1, LogGridModel::EventMarkRole).toBool());
    EXPECT_FALSE(t.gridNo(0, LogGridModel::EventMarkRole).toBool()) << "the first row carries none";
    ChartView* chart = t.w->findChild<ChartView*>("Chtshow");
    EXPECT_TRUE(waitFor([&] { return chart->marksShown() == 2; })) << chart->marksShown();
    const RecorderPlot& recorder = *t.w->recorder().window().plot;
    EXPECT_TRUE(waitFor([&] { return recorder.marksShown() == 2; })) << "the recorder too: " << recorder.marksShown();

    // A computed channel of the Meters window is watched as well, through the session made for it.
    QString error;
    ASSERT_TRUE(t.w->meters().defineChannels({"p = m1*2"}, "hold", &error)) << error.toStdString();
    EXPECT_EQ(t.w->alarms().channelNames(), (QStringList{"m1", "p"}));
    t.w->alarms().setRuleTexts({"p > 20"});
    t.w->LcdDisplayVK31C(kVolts12_50);
    ASSERT_EQ(t.kinds().size(), 4u);
    EXPECT_EQ(t.w->events().events().at(3).channel, "p");
    EXPECT_EQ(t.w->events().events().at(3).text, "25 V") << "in the channel's base unit";
}

TEST(AlarmWindow, CtrlNStoresANoteAtTheCurrentRowAndEscapeStoresNothing)
{
    AlarmWindow t;
    t.w->show();
    t.w->activateWindow();
    t.w->LcdDisplayVK31C(kVolts1_234);
    const struct {
        const char* typed;
        int key;
        bool stored;
        const char* why;
    } cases[] = {
        {"fan switched on", Qt::Key_Return, true, "Enter stores the text"},
        {"not this", Qt::Key_Escape, false, "Escape closes the box"},
        {"   ", Qt::Key_Return, false, "a blank note is no note"},
    };
    std::size_t notes = 0;
    for (const auto& c : cases) {
        t.w->NoteClick();
        QLineEdit* edit = t.w->noteBox().edit;
        ASSERT_TRUE(t.w->noteBox().isVisible()) << c.why;
        QTest::keyClicks(edit, c.typed);
        QTest::keyClick(edit, Qt::Key(c.key));
        EXPECT_FALSE(t.w->noteBox().isVisible()) << c.why;
        notes += c.stored;
        ASSERT_EQ(t.w->events().events().size(), notes) << c.why;
    }
    const RecordEvent note = t.w->events().events().at(0);
    EXPECT_EQ(note.kind, EventKind::Note);
    EXPECT_EQ(note.text, "fan switched on");
    EXPECT_EQ(note.row, 1);
    EXPECT_EQ(note.at, t.clock.now());
    EXPECT_TRUE(waitFor([&] { return t.gridNo(0, Qt::ToolTipRole).toString().contains("note: fan switched on"); }))
        << "the grid shows its rows a moment later";
}

TEST(DesktopNotifier, DoesNothingWithoutABus)
{
    DesktopNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nobus")));
    EXPECT_FALSE(notifier.available());
    EXPECT_FALSE(notifier.notify("Alarm: u > 5", "12.6 V at 10:41:07"));
}

TEST(AlarmRulesDialog, RefusesTheFirstBadLineWithItsPositionAndMarksIt)
{
    ScriptedPrompts prompts;
    AlarmRulesDialog dialog({}, {"u", "i"}, prompts);
    const struct {
        const char* text;
        int line, position;   // -1: accepted
        const char* message;
        const char* why;
    } cases[] = {
        {"u > 5\n\n# a comment\ni < 2m for 1", -1, -1, "", "blank lines and comments are skipped"},
        {"u > 5\nu outside 5..2", 1, 10, "line 2: at 11: ", "crossed band limits, on the second line"},
        {"  x > 5", 0, 2, "line 1: at 3: no channel named x", "an unknown channel, where its name starts"},
        {"u > 5V\nx > 1", 0, 5, "line 1: at 6: ", "the first refusal is the one shown"},
    };
    for (const auto& c : cases) {
        dialog.editor->setPlainText(QString::fromUtf8(c.text));
        const RuleLinesCheck& check = dialog.check();
        EXPECT_EQ(check.line, c.line) << c.why;
        EXPECT_EQ(check.position, c.position) << c.why;
        EXPECT_TRUE(*c.message ? check.message.startsWith(c.message) : check.message.isEmpty())
            << c.why << ": " << check.message.toStdString();
        EXPECT_EQ(dialog.buttons->button(QDialogButtonBox::Ok)->isEnabled(), c.line < 0) << c.why;
        EXPECT_EQ(dialog.editor->extraSelections().size(), c.line < 0 ? 0 : 1) << c.why;
    }
    EXPECT_EQ(checkRuleLines({"u > 5", "i < 2m for 1"}, {"u", "i"}).rules.size(), 2u);
}
