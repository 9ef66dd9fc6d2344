// The window's USB button driven as a user would, over the scripted HID platform: readings
// arriving as input reports, no adapter, the interlock with the serial side, the meter
// falling silent, devices plugged in and removed while reading, and the program's one
// HID controller.
#include "app/tfcomm.h"
#include "doubles/window_part.h"

#include "ui/judge_panel.h"
#include "ui/lcd_panel_widget.h"
#include "ui/top_bar.h"
#include "app/usb_side.h"
#include "reading/lcd_panel_model.h"
#include "far_end.h"
#include "doubles/fixed_locale_clock.h"
#include "link/comm_port_driver.h"
#include "link/hid/hid_device.h"
#include "log/log_table.h"
#include "scripted_prompts.h"
#include "frames/sample_frames.h"
#include "support/fake_hid_platform.h"
#include "ui/link_indicator_widget.h"
#include "ui/log_grid_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kAdapter = QStringLiteral("/dev/hidraw-adapter");
const QString kMouse = QStringLiteral("/dev/hidraw-mouse");
const QString kKeyboard = QStringLiteral("/dev/hidraw-keyboard");
const QString kNotConnected =
    QStringLiteral("inform: USB interface cable is not securely connected, please check and re-try.");
const QString kMeterSilent =
    QStringLiteral("inform: USB interface cable is securely connected, please check if the meter is ready.");

// Report ID 0, count byte, seven bytes: one 1.234 V DC frame in two reports, then a report
// without serial bytes that ends the burst.
const QByteArray kPart1 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).left(7));
const QByteArray kPart2 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).mid(7));
const QByteArray kPart1Of1235 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1235).left(7));
const QByteArray kEmpty = QByteArray::fromHex("00F000000000000000");
const QByteArray kBaud2400 = QByteArray::fromHex("00600900000300000000");

FakeHidPlatform::Device device(const QString& path, quint32 id, const QString& product, bool readWrite)
{
    FakeHidPlatform::Device d;
    d.path = path;
    d.instanceId = id;
    d.attributes = {0x1234, quint16(0x5600 + id), 0x0100};
    d.product = product;
    d.languages = QString(QChar(0x0409));
    d.readWrite = readWrite;
    return d;
}
FakeHidPlatform::Device adapter() { return device(kAdapter, 1, QStringLiteral("USB to Serial"), true); }
FakeHidPlatform::Device mouse() { return device(kMouse, 2, QStringLiteral("Optical Mouse"), false); }
FakeHidPlatform::Device keyboard() { return device(kKeyboard, 3, QStringLiteral("Keyboard"), false); }

// Runs the event loop until `done` holds; false when the time is up. Wakes for every posted
// event, so each report the reader hands over is served at once.
template <typename Pred>
bool waitUntil(Pred done, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (clock.hasExpired(ms))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A message box runs the event loop while it is open: the watchdog's timer goes on ticking.
class TickingPrompts : public ScriptedPrompts {
public:
    std::function<void()> tick;
    int ticksWhileOpen = 0;
    void inform(const QString& text) override
    {
        ScriptedPrompts::inform(text);
        for (int i = 0; tick && i < 2; ++i, ++ticksWhileOpen)
            tick();
    }
};

class UsbWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        platform.plug(mouse());
    }
    void TearDown() override
    {
        w.reset();
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void open()
    {
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        s.hidPlatform = &platform;
        w = std::make_unique<TFCOMM>(s);
    }
    QPushButton& USBCon() { return *part<TopBar>(*w, "Panel5")->USBCon; }
    QPushButton& COMCon() { return *part<TopBar>(*w, "Panel5")->COMCon; }
    bool panelVisible(int n) { return part<TopBar>(*w, "Panel5")->BtCOM[size_t(n - 1)]->isVisibleTo(w.get()); }
    int visiblePanels()
    {
        int shown = 0;
        for (int n = 1; n <= 4; ++n)
            shown += panelVisible(n) ? 1 : 0;
        return shown;
    }
    THidDevice* adapterObject() { return w->usb().link()->CurrentHidDevice(); }
    int features() { return int(platform.features(kAdapter).size()); }
    void sendFrame(const QByteArray& part1 = kPart1)
    {
        platform.queueReport(kAdapter, part1);
        platform.queueReport(kAdapter, kPart2);
        platform.queueReport(kAdapter, kEmpty);
    }
    void expectReceiving()
    {
        EXPECT_TRUE(USBCon().isChecked());
        EXPECT_EQ(USBCon().text(), "USB Disconnect");
        EXPECT_FALSE(COMCon().isVisibleTo(w.get()));
        EXPECT_EQ(visiblePanels(), 0);
    }
    // Idle with the panel of serial port n shown, as a disconnect click leaves it.
    void expectIdle(int n)
    {
        EXPECT_FALSE(USBCon().isChecked());
        EXPECT_EQ(USBCon().text(), "USB Connection");
        EXPECT_TRUE(COMCon().isVisibleTo(w.get()));
        EXPECT_TRUE(panelVisible(n));
        EXPECT_EQ(visiblePanels(), 1);
    }

    QTemporaryDir runtime;
    FakeHidPlatform platform;
    TickingPrompts prompts;
    FixedLocaleClock clock;
    std::unique_ptr<TFCOMM> w;
};

} // namespace

TEST_F(UsbWindow, ReadingsArriveAsInputReportsUntilDisconnect)
{
    platform.plug(adapter());
    open();
    USBCon().click();
    expectReceiving();
    ASSERT_NE(adapterObject(), nullptr);
    EXPECT_TRUE(adapterObject()->hasReader());
    ASSERT_EQ(features(), 1);
    EXPECT_EQ(platform.features(kAdapter)[0], kBaud2400);

    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));
    EXPECT_EQ(w->reading().valueText, "1.234");
    EXPECT_EQ(w->cds1().row(0).unit, "V");
    EXPECT_EQ(w->pipeline().panel().digitCaptions()[0], "1");
    EXPECT_EQ(part<JudgePanel>(*w, "Panel4")->T1VALUE->text(), "1.234");
    EXPECT_TRUE(part<JudgePanel>(*w, "Panel4")->CONok->alive());
    EXPECT_TRUE(waitUntil([&] { return part<LogGridView>(*w, "DBGrid1")->sourceModel()->rowCount() == 1; })) << "the grid shows the row";
    sendFrame(kPart1Of1235);
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 2; }));
    EXPECT_EQ(w->cds1().row(1).value, "1.235");
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();

    USBCon().click();
    expectIdle(1);
    EXPECT_EQ(features(), 2) << "every click sends the baud rate";
    ASSERT_NE(adapterObject(), nullptr);
    EXPECT_FALSE(adapterObject()->hasReader());
    sendFrame();
    EXPECT_EQ(platform.pendingReports(kAdapter), 3) << "nobody reads the adapter any more";
    EXPECT_EQ(w->cds1().rowCount(), 2);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(UsbWindow, WithoutAnAdapterTheButtonSaysSoAndStaysUp)
{
    open();
    USBCon().click();
    EXPECT_EQ(prompts.shown, QStringList{kNotConnected});
    expectIdle(1);
    EXPECT_EQ(adapterObject(), nullptr);

    // An adapter that may not be opened for reading and writing says why, and stays up too.
    FakeHidPlatform::Device locked = adapter();
    locked.readWrite = false;
    locked.accessError = EACCES;
    platform.plug(locked);
    platform.fireDeviceChange();
    prompts.shown.clear();
    USBCon().click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].startsWith("error: ")) << prompts.shown[0].toStdString();
    EXPECT_TRUE(prompts.shown[0].contains("USB to Serial"));
    EXPECT_TRUE(prompts.shown[0].contains("Permission denied")) << prompts.shown[0].toStdString();
    EXPECT_TRUE(prompts.shown[0].contains("\"USB adapter access\""));
    expectIdle(1);
}

TEST_F(UsbWindow, SerialAndUsbExcludeEachOther)
{
    platform.plug(adapter());
    FarEnd meter(runtime.path());
    ASSERT_TRUE(meter.ready());
    open();

    // Serial connected: the USB button is gone until the serial side lets go.
    COMCon().click();
    ASSERT_TRUE(w->COMM2().IsOpen()) << prompts.shown.join("; ").toStdString();
    EXPECT_FALSE(USBCon().isVisibleTo(w.get()));
    COMCon().click();
    EXPECT_TRUE(USBCon().isVisibleTo(w.get()));
    expectIdle(1);

    // USB receiving: the serial controls are gone; afterwards the panel of the port chosen
    // before comes back, not the first one.
    part<TopBar>(*w, "Panel5")->BtCOM[0]->click();
    part<TopBar>(*w, "Panel5")->BtCOM[1]->click();
    ASSERT_TRUE(panelVisible(3));
    USBCon().click();
    expectReceiving();
    EXPECT_FALSE(w->COMM2().IsOpen());
    USBCon().click();
    expectIdle(3);
    EXPECT_EQ(w->COMM2().ComPort(), pnCOM3);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
}

TEST_F(UsbWindow, SilentMeterEndsReadingAndGivesTheSerialSideBack)
{
    platform.plug(adapter());
    open();
    part<TopBar>(*w, "Panel5")->BtCOM[0]->click();   // COM2
    USBCon().click();
    expectReceiving();
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));

    // The adapter goes on sending reports without serial bytes; the watchdog's own timer
    // notices on its next check after the 1900th.
    for (int i = 0; i < UsbAdapterLink::SilenceLimit; ++i)
        platform.queueReport(kAdapter, kEmpty);
    prompts.tick = [this] { w->ConTimerTimer(); };
    ASSERT_TRUE(waitUntil([&] { return !prompts.shown.isEmpty(); }, 20000))
        << platform.pendingReports(kAdapter) << " reports still queued";
    EXPECT_EQ(prompts.shown, QStringList{kMeterSilent});
    EXPECT_EQ(prompts.ticksWhileOpen, 2);
    EXPECT_EQ(w->pipeline().linkIdleTicks(), 0) << "ticks during the box are not counted";
    EXPECT_EQ(platform.pendingReports(kAdapter), 0);
    expectIdle(2);
    EXPECT_FALSE(part<JudgePanel>(*w, "Panel4")->CONok->alive());
    ASSERT_NE(adapterObject(), nullptr);
    EXPECT_FALSE(adapterObject()->hasReader());

    // A click starts reading anew.
    USBCon().click();
    expectReceiving();
    sendFrame(kPart1Of1235);
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 2; }));
    EXPECT_EQ(prompts.shown.size(), 1);
}

TEST_F(UsbWindow, OtherDevicesComingAndGoingDoNotStopTheMeter)
{
    platform.plug(adapter());
    open();
    USBCon().click();
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));

    // A keyboard arrives: the list is rebuilt and the adapter's new object reads on, after
    // its baud rate has been sent again.
    platform.plug(keyboard());
    platform.fireDeviceChange();
    EXPECT_EQ(w->usb().link()->deviceLines(),
              (QStringList{"Optical Mouse", "USB to Serial", "Keyboard"}));
    expectReceiving();
    EXPECT_EQ(features(), 2);
    ASSERT_NE(adapterObject(), nullptr);
    EXPECT_TRUE(adapterObject()->hasReader());
    sendFrame(kPart1Of1235);
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 2; }));

    // The mouse goes: the same.
    platform.unplug(kMouse);
    platform.fireDeviceChange();
    EXPECT_EQ(w->usb().link()->deviceLines(), (QStringList{"USB to Serial", "Keyboard"}));
    expectReceiving();
    EXPECT_EQ(features(), 3);
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 3; }));
    EXPECT_EQ(w->cds1().row(2).value, "1.234");
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    EXPECT_EQ(w->badFrames(), 0);
}

TEST_F(UsbWindow, AdapterUnpluggedWhileReadingIsWaitedForAndReadAgain)
{
    platform.plug(adapter());
    open();
    part<TopBar>(*w, "Panel5")->BtCOM[0]->click();
    part<TopBar>(*w, "Panel5")->BtCOM[1]->click();
    part<TopBar>(*w, "Panel5")->BtCOM[2]->click();   // COM4
    USBCon().click();
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));
    QLabel& status = *part<TopBar>(*w, "Panel5")->LinkStatus;

    clock.setTime(QTime(10, 20, 5));
    platform.unplug(kAdapter);
    platform.fireDeviceChange();
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    expectReceiving();
    EXPECT_EQ(adapterObject(), nullptr);
    EXPECT_EQ(status.text(), "The USB cable was lost at 10:20:05; waiting for it to return");
    for (int tick = 0; tick < 3; ++tick)
        w->ConTimerTimer();
    EXPECT_EQ(status.text(), "The USB cable was lost at 10:20:05; waiting for it to return") << "loss outranks silence";

    // Plugged in again: read without a click, the rows numbered on.
    clock.setTime(QTime(10, 20, 9));
    platform.plug(adapter());
    platform.fireDeviceChange();
    expectReceiving();
    EXPECT_EQ(status.text(), "No data from the USB cable since 10:20:09");
    sendFrame(kPart1Of1235);
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 2; }));
    EXPECT_EQ(w->cds1().row(1).no, 2);
    EXPECT_TRUE(status.isHidden());

    // Gone again, then released: the waiting ends without a box, the serial side comes back.
    platform.unplug(kAdapter);
    platform.fireDeviceChange();
    USBCon().click();
    expectIdle(4);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    EXPECT_TRUE(status.isHidden());
    EXPECT_FALSE(part<LcdPanelWidget>(*w, "Panel1")->isLive()) << "no stale value shown as live";
}

TEST_F(UsbWindow, RefusedBurstsAreCountedWithoutABox)
{
    platform.plug(adapter());
    open();
    USBCon().click();
    // Point code 3A: the shape passes, the decoder refuses it.
    platform.queueReport(kAdapter, QByteArray::fromHex("00F72B31323334203A"));
    platform.queueReport(kAdapter, kPart2);
    platform.queueReport(kAdapter, kEmpty);
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));
    EXPECT_EQ(w->badFrames(), 1);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join("; ").toStdString();
    expectReceiving();
}

TEST_F(UsbWindow, OnlyTheFirstOfTwoWindowsAtOnceHasTheUsbSide)
{
    platform.plug(adapter());
    open();
    ScriptedPrompts secondPrompts;
    TFCOMM::Services s;
    s.prompts = &secondPrompts;
    s.clock = &clock;
    s.hidPlatform = &platform;
    auto second = std::make_unique<TFCOMM>(s);
    EXPECT_TRUE(w->usb().available());
    EXPECT_FALSE(second->usb().available());
    part<TopBar>(*second, "Panel5")->USBCon->click();
    EXPECT_EQ(secondPrompts.shown, QStringList{"error: Only one THidDeviceController allowed per program"});
    EXPECT_FALSE(part<TopBar>(*second, "Panel5")->USBCon->isChecked());
    EXPECT_TRUE(part<TopBar>(*second, "Panel5")->COMCon->isVisibleTo(second.get()));
    second.reset();

    // The first window's cable still works, and once it is gone a new window gets the side.
    USBCon().click();
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return w->cds1().rowCount() == 1; }));
    w.reset();
    open();
    EXPECT_TRUE(w->usb().available());
}
