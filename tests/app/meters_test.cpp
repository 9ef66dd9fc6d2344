// The Meters window's logic: a meter added on a port of its own and named shows its readings,
// a computed channel's preview and the place of its refusal, and the channels' rows given back
// after a window ended without saving.
#include "app/channel_lines.h"
#include "app/meter_links.h"
#include "app/meters_controller.h"
#include "doubles/fixed_locale_clock.h"
#include "doubles/virtual_meter.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "reading/session/meter_session.h"
#include "scripted_prompts.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kVolts12_50 = QStringLiteral("2B3132353020323000008000" "0D");   // 12.50 V DC
const QString kAmps0_400 = QStringLiteral("2B3034303020313000004000" "0D");    // 0.400 A

// A window's Meters logic with a main link that is never opened.
struct Meters {
    QTemporaryDir journals;
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    LogTable mainTable;
    RecordLogger mainLogger{mainTable};
    MeterLinks mainLinks{{nullptr, ModelFlags::layout(), prompts, clock, [](const QString&, const QDateTime&) {}, {}, {}}};
    std::unique_ptr<MetersController> c;
    Meters() { make(); }
    void make()
    {
        c = std::make_unique<MetersController>(MetersController::Needs{
            nullptr, ModelFlags::layout(), prompts, clock, journals.path(), mainLinks, mainLogger});
    }
};

} // namespace

TEST(ChannelPreview, ShowsTheResultOrMarksTheFaultInTheLine)
{
    FixedLocaleClock clock;
    MeterSession session(clock, 6000);
    ASSERT_TRUE(session.addInput("u", {"COM2", {}, {}}, nullptr));
    ASSERT_TRUE(session.addInput("i", {"COM3", {}, {}}, nullptr));
    session.frameArrived(0, kVolts12_50);
    session.frameArrived(1, kAmps0_400);
    struct Case {
        QStringList lines;
        int edited;
        bool accepted;
        QString value, unit;
        int position;   // index in the edited line
        const char* why;
    } cases[] = {
        {{"p = u*i"}, 0, true, "5", "W", -1, "the example of the issue: 12.5 V * 0.4 A"},
        {{"r=u/i"}, 0, true, "31.25", "Ω", -1, "volts over amperes are ohms"},
        {{"e = integral(p)", "p = u*i"}, 0, true, "0", "Wh", -1, "a channel may use one on a later line"},
        {{"bad = u + i"}, 0, false, {}, {}, 8, "the '+' that adds an ampere to a volt, counted in the whole line"},
        {{"p = u*w"}, 0, false, {}, {}, 6, "an unknown name: its first character"},
        {{"  2p = u"}, 0, false, {}, {}, 2, "a name that is not plain: the name's first character"},
        {{"p = u*i", "p = i"}, 1, false, {}, {}, 0, "a name used twice"},
        {{"p u*i"}, 0, false, {}, {}, -1, "no '=': nothing to mark"},
        {{"q = 1/(u-u)"}, 0, true, "division by zero at 3", "1/V", -1, "an empty value says why, not infinity"},
    };
    for (const Case& c : cases) {
        const ChannelPreview p = previewChannel(session, c.lines, c.edited);
        EXPECT_EQ(p.accepted, c.accepted) << c.why << ": " << p.message.toStdString();
        if (c.accepted) {
            EXPECT_EQ(p.value, c.value) << c.why;
            EXPECT_EQ(p.unit, c.unit) << c.why;
        } else {
            EXPECT_EQ(p.position, c.position) << c.why << ": " << p.message.toStdString();
            EXPECT_FALSE(p.message.isEmpty()) << c.why;
            if (c.position >= 0) {
                EXPECT_TRUE(previewText(p).startsWith(QStringLiteral("Refused at %1:").arg(c.position + 1))) << c.why;
            }
        }
    }
}

TEST(MetersController, RefusesWhatCannotBeReadAndKeepsItsSetUp)
{
    Meters m;
    QString error;
    EXPECT_FALSE(m.c->addMeter({"2x", "COM2"}, &error)) << "not a plain name";
    EXPECT_FALSE(m.c->addMeter({"m1", "COM2"}, &error)) << "the main meter's name";
    EXPECT_FALSE(m.c->addMeter({"u", "COM9"}, &error)) << "no such source";
    EXPECT_EQ(m.c->meterCount(), 1);
    EXPECT_EQ(m.c->session(), nullptr) << "nothing to do yet: no session, no journal";
    ASSERT_TRUE(m.c->addMeter({"u", "COM2"}, &error)) << error.toStdString();
    EXPECT_FALSE(m.c->addMeter({"v", "COM2"}, &error)) << "a port read already";
    EXPECT_FALSE(m.c->defineChannels({"p = u*w"}, "hold", &error)) << "an unknown name";
    EXPECT_TRUE(error.contains("line 1, p:")) << error.toStdString();
    EXPECT_FALSE(m.c->defineChannels({"p = u*m1"}, "sometimes", &error)) << "an alignment rule that does not read";
    EXPECT_TRUE(error.startsWith("alignment")) << error.toStdString();
    ASSERT_TRUE(m.c->defineChannels({"p = u*m1", ""}, "mean:2", &error)) << error.toStdString();
    ASSERT_NE(m.c->session(), nullptr);
    EXPECT_EQ(m.c->session()->channelCount(), 1);
    EXPECT_EQ(m.c->channelLines(), QStringList{"p = u*m1"});

    // What the settings give back at the next start: the same meters and channels.
    Meters next;
    next.c->setUp(m.c->specs(), m.c->channelLines(), m.c->alignment());
    EXPECT_EQ(next.c->specs(), m.c->specs());
    EXPECT_EQ(next.c->alignment(), "mean:2");
    ASSERT_NE(next.c->session(), nullptr);
    EXPECT_EQ(next.c->session()->inputNames(), QStringList({"m1", "u"}));
    EXPECT_EQ(next.c->session()->channelCount(), 1);
}

TEST(MetersController, FollowsTheMainWindowsLoggingRules)
{
    Meters m;
    QString error;
    ASSERT_TRUE(m.c->defineChannels({"twice = m1 + m1"}, "hold", &error)) << error.toStdString();
    m.mainLogger.setRepeatSet(false);
    m.mainLogger.setRecordLimit(0);   // 1000
    QTRY_VERIFY_WITH_TIMEOUT(!m.c->session()->input(0).pipeline().logger().repeatSet(), 2000);
    EXPECT_EQ(m.c->session()->input(0).pipeline().logger().maxRecords(), 1000);
    EXPECT_EQ(m.c->session()->channel(0).logger().maxRecords(), 1000);
    EXPECT_FALSE(m.c->session()->channel(0).logger().repeatSet());
}

TEST(MetersController, ChannelsComeBackAfterTheWindowEndedWithoutSaving)
{
    Meters m;
    QString error;
    ASSERT_TRUE(m.c->addMeter({"u", "COM4"}, &error)) << error.toStdString();
    ASSERT_TRUE(m.c->defineChannels({"twice = m1 + m1", "p = u*m1"}, "hold", &error)) << error.toStdString();
    for (int k = 0; k < 3; ++k) {
        m.c->mainFrame(kVolts12_50, {});
        m.c->session()->frameArrived(1, kAmps0_400);
    }
    ASSERT_EQ(m.c->session()->input(0).pipeline().table().rowCount(), 3);
    ASSERT_EQ(m.c->session()->channel(0).table().rowCount(), 3);
    const auto specs = m.c->specs();
    m.c.reset();   // the journals stay, as after a kill

    m.make();
    m.c->setUp(specs, {"twice = m1 + m1", "p = u*m1"}, "hold");
    // The ticks while a question waits, with time going on: no channel may log meanwhile.
    m.clock.setNow(m.clock.now().addSecs(5));
    for (int k = 0; k < 5; ++k)
        m.c->tick();
    m.prompts.choices = {"Restore"};
    m.c->offerRestore();
    ASSERT_TRUE(m.prompts.shown.join(";").contains("twice: 3 rows")) << m.prompts.shown.join(";").toStdString();
    EXPECT_EQ(m.c->session()->input(0).pipeline().table().rowCount(), 3);
    EXPECT_EQ(m.c->session()->channel(0).table().rowCount(), 3);
    EXPECT_EQ(m.c->session()->input(1).pipeline().table().rowCount(), 3);
    EXPECT_EQ(m.c->session()->channel(1).table().rowCount(), 6);

    // Saved as one wide CSV: a timestamp and a value and unit column per channel.
    const QString file = m.journals.filePath("all.csv");
    ASSERT_TRUE(m.c->saveChannels(file, &error)) << error.toStdString();
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("timestamp,m1,m1_unit,u,u_unit,twice,twice_unit,p,p_unit"));
    m.c.reset();
    EXPECT_TRUE(MeterSession::leftChannelJournals(m.journals.path(), "window").empty()) << "saved: nothing to offer";
}

TEST(MetersController, AMeterOnASecondPortShowsItsReadings)
{
    VirtualMeter meter;
    ASSERT_TRUE(meter.start("COM2", 20));
    {
        Meters m;
        QString error;
        ASSERT_TRUE(m.c->addMeter({"i", "COM2"}, &error)) << error.toStdString();
        ASSERT_EQ(m.c->meterCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!m.c->meter(1).value.isEmpty(), 5000);
        const MeterView v = m.c->meter(1);
        EXPECT_EQ(v.name, "i");
        EXPECT_EQ(v.link, "reading");
        EXPECT_FALSE(v.unit.isEmpty());
        EXPECT_FALSE(v.function.isEmpty());
        EXPECT_TRUE(v.identity.startsWith("COM2 (/dev/pts/")) << v.identity.toStdString();
        EXPECT_GT(m.c->session()->input(1).pipeline().table().rowCount(), 0);
        m.c->session()->discardUnsaved();
    }
}
