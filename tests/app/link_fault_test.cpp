// The window's serial link when the far end fails: the other side of the line closes in the
// middle of a frame, the port device goes away, and the user disconnects and connects again.
// The test holds the far end of a pseudo-terminal itself, so it can close it at any byte.
#include "support/wait_for.h"
#include "app/tfcomm.h"
#include "log/record_events.h"
#include "doubles/window_part.h"

#include "ui/judge_panel.h"
#include "ui/top_bar.h"
#include "reading/lcd_panel_model.h"
#include "far_end.h"
#include "doubles/fixed_locale_clock.h"
#include "link/comm_port_driver.h"
#include "link/port_keeper.h"
#include "ui/lcd_panel_widget.h"
#include "link/serial_frame_assembly.h"
#include "log/log_table.h"
#include "scripted_prompts.h"
#include "frames/sample_frames.h"
#include "ui/link_indicator_widget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Line feed (dropped by the receiver) + 13 frame bytes: 1.234 V DC, then 1.235 V DC.
const QByteArray kFrame1234 = sample_frames::serialGroup(SAMPLE_VOLTS_1234);
const QByteArray kFrame1235 = sample_frames::serialGroup(SAMPLE_VOLTS_1235);

// Runs the event loop for a while.
void runEvents(int ms)
{
    waitFor([] { return false; }, ms);
}

class LinkFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        w = std::make_unique<TFCOMM>(s);
        // The watchdog is ticked by hand: each call stands for one 100 ms tick.
        w->ConTimer.stop();
    }
    void TearDown() override
    {
        w.reset();
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void connect()
    {
        part<TopBar>(*w, "Panel5")->COMCon->click();
        ASSERT_TRUE(w->COMM2().IsOpen()) << prompts.shown.join("; ").toStdString();
        ASSERT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Disconnect");
    }
    // Ticks of the watchdog until the indicator goes off; at most `limit`.
    int ticksUntilIndicatorOff(int limit)
    {
        for (int tick = 1; tick <= limit; ++tick) {
            w->ConTimerTimer();
            if (!part<JudgePanel>(*w, "Panel4")->CONok->alive())
                return tick;
        }
        return limit + 1;
    }

    QTemporaryDir runtime;
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    std::unique_ptr<TFCOMM> w;
};

} // namespace

TEST_F(LinkFault, FarEndClosingMidFrameLosesNoFrameAndReconnectWorks)
{
    auto far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    connect();

    ASSERT_TRUE(far->send(kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 1; }));
    EXPECT_TRUE(part<JudgePanel>(*w, "Panel4")->CONok->alive());

    // A whole frame and half of the next; the far end goes away in the middle of that frame.
    ASSERT_TRUE(far->send(kFrame1235 + kFrame1234.left(7)));
    ASSERT_TRUE(waitFor([&] { return w->serialAssembly().receiveHexText().size() == 14; }));
    far->close();
    ASSERT_TRUE(waitFor([&] { return w->COMM2().PortLost(); }));
    runEvents(250);   // a few more polls of the lost port: nothing, and no crash
    EXPECT_EQ(w->cds1().rowCount(), 2);
    EXPECT_EQ(w->reading().valueText, "1.235");
    EXPECT_EQ(w->serialAssembly().receiveHexText().size(), 14) << "the half frame waits for its end";
    EXPECT_EQ(w->badFrames(), 0);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();

    // Nothing comes any more: the indicator is off within three ticks (300 ms).
    EXPECT_LE(ticksUntilIndicatorOff(3), 3);
    EXPECT_FALSE(w->pipeline().panel().linkAlive());
    EXPECT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Disconnect") << "the user still decides when to disconnect";

    part<TopBar>(*w, "Panel5")->COMCon->click();
    EXPECT_FALSE(w->COMM2().IsOpen());
    EXPECT_FALSE(w->COMM2().PortLost());
    EXPECT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Connection");
    EXPECT_TRUE(part<TopBar>(*w, "Panel5")->USBCon->isVisibleTo(w.get()));

    // A new far end on the same name: connecting again reads from it.
    far.reset();   // the system may give the new one the old one's device name
    far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    connect();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    ASSERT_TRUE(far->send(kFrame1234 + kFrame1235 + kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() >= 4; }));
    EXPECT_TRUE(part<JudgePanel>(*w, "Panel4")->CONok->alive());
    // The half frame kept from before the close joins the first new bytes into a group that
    // fails the shape test; everything after it is read.
    EXPECT_EQ(w->cds1().rowCount(), 4);
    EXPECT_EQ(w->reading().valueText, "1.234");
}

TEST_F(LinkFault, PortDeviceGoneWhileConnectedThenBack)
{
    auto far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    connect();
    ASSERT_TRUE(far->send(kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 1; }));

    // The device node vanishes, as when a USB serial adapter is pulled out; the link that
    // named it stays, pointing at nothing.
    const QString node = far->slavePath();
    far->close();
    ASSERT_TRUE(waitFor([&] { return w->COMM2().PortLost(); }));
    EXPECT_FALSE(QFile::exists(node));
    EXPECT_LE(ticksUntilIndicatorOff(3), 3);

    // Disconnect, then connect while the device is still gone: refused with the reason,
    // the controls stay idle, the table keeps its row.
    part<TopBar>(*w, "Panel5")->COMCon->click();
    EXPECT_FALSE(w->COMM2().IsOpen());
    part<TopBar>(*w, "Panel5")->COMCon->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].startsWith("error: Could not open COM1: ")) << prompts.shown[0].toStdString();
    EXPECT_FALSE(w->COMM2().IsOpen());
    EXPECT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Connection");
    EXPECT_FALSE(part<TopBar>(*w, "Panel5")->COMCon->isChecked());
    EXPECT_EQ(w->cds1().rowCount(), 1);

    // The device is back: connecting reads again.
    far.reset();   // the system may give the new one the old one's device name
    far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    connect();
    ASSERT_TRUE(far->send(kFrame1235));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 2; }));
    EXPECT_TRUE(part<JudgePanel>(*w, "Panel4")->CONok->alive());
}

TEST_F(LinkFault, LivePortKeepsTheSilenceRule)
{
    // A port that is still there but quiet keeps the indicator on for two ticks, as before.
    FarEnd far(runtime.path());
    ASSERT_TRUE(far.ready());
    connect();
    ASSERT_TRUE(far.send(kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 1; }));
    EXPECT_FALSE(w->COMM2().PortLost());
    EXPECT_EQ(ticksUntilIndicatorOff(5), 3);
}

TEST_F(LinkFault, SilenceIsShownUntilFramesReturn)
{
    FarEnd far(runtime.path());
    ASSERT_TRUE(far.ready());
    connect();
    ASSERT_TRUE(far.send(kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 1; }));
    auto* judge = part<JudgePanel>(*w, "Panel4");
    auto* lcd = part<LcdPanelWidget>(*w, "Panel1");
    QLabel& status = *part<TopBar>(*w, "Panel5")->LinkStatus;
    EXPECT_EQ(judge->Shape1->caption(), "Pass");
    EXPECT_TRUE(lcd->isLive());
    EXPECT_TRUE(status.isHidden());

    ticksUntilIndicatorOff(3);
    EXPECT_FALSE(lcd->isLive());
    EXPECT_EQ(judge->Shape1->caption(), "") << "no verdict while nothing is measured";
    EXPECT_EQ(status.text(), "No data from COM1 since 10:15:30");
    EXPECT_TRUE(status.isVisibleTo(w.get()));

    clock.setTime(QTime(10, 16, 0));
    ASSERT_TRUE(far.send(kFrame1235));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 2; }));
    EXPECT_TRUE(lcd->isLive());
    EXPECT_EQ(judge->Shape1->caption(), "Pass");
    EXPECT_TRUE(status.isHidden());

    // After Disconnect nothing is shown as live, and the bar has nothing to say.
    part<TopBar>(*w, "Panel5")->COMCon->click();
    EXPECT_FALSE(lcd->isLive());
    EXPECT_EQ(judge->Shape1->caption(), "");
    EXPECT_TRUE(status.isHidden());
}

TEST_F(LinkFault, PortLostAndBackUnderTheSameNameIsReadAgainByItself)
{
    w->portKeeper().setRetryInterval(50);
    auto far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    connect();
    ASSERT_TRUE(far->send(kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() == 1; }));
    QLabel& status = *part<TopBar>(*w, "Panel5")->LinkStatus;

    clock.setTime(QTime(10, 15, 40));
    far->close();
    ASSERT_TRUE(waitFor([&] { return w->portKeeper().waiting(); }));
    EXPECT_EQ(status.text(), "COM1 was lost at 10:15:40; waiting for it to return");
    runEvents(200);
    EXPECT_EQ(w->portKeeper().reopenAttempts(), 0) << "nothing is opened while the name leads nowhere";
    EXPECT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Disconnect");

    // The meter comes back under the same name, on a new pseudo-terminal.
    far.reset();
    clock.setTime(QTime(10, 15, 43));
    far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    ASSERT_TRUE(waitFor([&] { return !w->portKeeper().waiting(); }));
    EXPECT_TRUE(w->COMM2().IsOpen());
    EXPECT_TRUE(status.isHidden()) << "the loss is no longer shown";
    ASSERT_TRUE(far->send(kFrame1235 + kFrame1234));
    ASSERT_TRUE(waitFor([&] { return w->cds1().rowCount() >= 2; }));
    EXPECT_EQ(w->cds1().row(1).no, 2) << "row numbers go on";
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    // The loss and the return are in the record, marked at the row logged before the loss.
    std::vector<EventKind> linkKinds;
    for (std::size_t k = 0; k < w->pipeline().events().size(); ++k) {
        const RecordEvent& e = w->pipeline().events().at(k);
        if (e.kind == EventKind::LinkLost || e.kind == EventKind::LinkBack) {
            linkKinds.push_back(e.kind);
            EXPECT_EQ(e.row, 1);
            EXPECT_EQ(e.text, QStringLiteral("COM1"));
        }
    }
    EXPECT_EQ(linkKinds, (std::vector<EventKind>{EventKind::LinkLost, EventKind::LinkBack}));

    // Lost again; Disconnect ends the waiting, and a port that returns then is left alone.
    far->close();
    ASSERT_TRUE(waitFor([&] { return w->portKeeper().waiting(); }));
    part<TopBar>(*w, "Panel5")->COMCon->click();
    EXPECT_FALSE(w->portKeeper().waiting());
    EXPECT_TRUE(status.isHidden());
    far.reset();
    far = std::make_unique<FarEnd>(runtime.path());
    ASSERT_TRUE(far->ready());
    runEvents(200);
    EXPECT_FALSE(w->COMM2().IsOpen());
    EXPECT_EQ(part<TopBar>(*w, "Panel5")->COMCon->text(), "COM Connection");
}
