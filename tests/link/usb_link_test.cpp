// The USB adapter link driven as the window drives it, over the scripted HID platform.
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "decode/conversion_error.h"
#include "link/usb/usb_adapter_link.h"
#include "frames/sample_frames.h"
#include "support/fake_hid_platform.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

namespace {

const QString kAdapterPath = QStringLiteral("/dev/hidraw-adapter");
const QString kMousePath = QStringLiteral("/dev/hidraw-mouse");

FakeHidPlatform::Device adapterDevice(const QString& path = kAdapterPath, quint32 id = 1)
{
    FakeHidPlatform::Device d;
    d.path = path;
    d.instanceId = id;
    d.attributes = {0x1234, 0x5678, 0x0100};
    d.product = QStringLiteral("USB to Serial");
    d.languages = QString(QChar(0x0409));
    return d;
}

FakeHidPlatform::Device mouseDevice(const QString& path = kMousePath, quint32 id = 2)
{
    FakeHidPlatform::Device d;
    d.path = path;
    d.instanceId = id;
    d.attributes = {0x0F0F, 0x0002, 0x7200};
    d.product = QStringLiteral("Optical Mouse");
    d.readWrite = false;
    return d;
}

const QByteArray kFramePart1 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).left(7));
const QByteArray kFramePart2 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).mid(7));
const QByteArray kEmpty = QByteArray::fromHex("00F000000000000000");

class UsbLinkTest : public ::testing::Test {
protected:
    void SetUp() override { platform.plug(mouseDevice()); }

    void start(UsbLinkVariant variant = {})
    {
        ctl = std::make_unique<THidDeviceController>(platform);
        UsbAdapterLink::Callbacks cb;
        cb.onFrame = [this](const QString& f) {
            frames << f;
            if (refuseFrames)
                throw ConversionError(QStringLiteral("bad frame"));
        };
        cb.notice = [this](UsbLinkNotice n) { informs << n; };
        cb.accessRefused = [this](THidDevice& d, int cause) {
            errors << UsbAdapterLink::DeviceDescription(d);
            accessCauses << cause;
        };
        cb.receivingChanged = [this](bool receiving) { shown.receiving = receiving; ++controlChanges; };
        link = std::make_unique<UsbAdapterLink>(*ctl, variant, cb);
    }
    void TearDown() override
    {
        link.reset();
        ctl.reset();
    }
    // The report of the selected adapter as if its reader handed it over.
    void hand(const QByteArray& withId)
    {
        THidDevice* d = link->CurrentHidDevice();
        ASSERT_NE(d, nullptr);
        link->USBReceiveVK31C(*d, static_cast<quint8>(withId.at(0)),
                              reinterpret_cast<const quint8*>(withId.constData()) + 1,
                              static_cast<quint16>(withId.size() - 1));
    }
    int featureCount() { return static_cast<int>(platform.features(kAdapterPath).size()); }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> ctl;
    std::unique_ptr<UsbAdapterLink> link;
    QStringList frames, errors;
    QList<UsbLinkNotice> informs;
    QList<int> accessCauses;
    struct {
        bool receiving = false;
    } shown;
    int controlChanges = 0;
    bool refuseFrames = false;
};

} // namespace

TEST(UsbLinkDescription, LinesAndAdapterChoice)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device noName;
    noName.path = "/dev/hidraw0";
    noName.instanceId = 10;
    noName.attributes = {0x0ABC, 0x0001, 0};
    noName.serial = QStringLiteral("7");
    noName.languages = QString(QChar(0x0409));
    platform.plug(noName);
    FakeHidPlatform::Device withSerial = adapterDevice("/dev/hidraw1", 11);
    withSerial.serial = QStringLiteral("0001");
    platform.plug(withSerial);
    platform.plug(adapterDevice("/dev/hidraw2", 12));
    FakeHidPlatform::Device echoed = adapterDevice("/dev/hidraw3", 13);
    echoed.serial = QString(QChar(0x0409));   // the language list given as serial number
    platform.plug(echoed);
    platform.plug(mouseDevice("/dev/hidraw4", 14));

    THidDeviceController ctl(platform);
    UsbAdapterLink link(ctl, {}, {});
    EXPECT_EQ(link.deviceLines(), (QStringList{"Device VID=0ABC PID=0001 (Serial=7)", "USB to Serial (Serial=0001)",
                                               "USB to Serial", "USB to Serial", "Optical Mouse"}));
    EXPECT_EQ(link.selectedIndex(), 3) << "the last exact match; one with a serial number is not the adapter";
}

TEST_F(UsbLinkTest, NoAdapterMeansNoConnection)
{
    start();
    EXPECT_EQ(link->selectedIndex(), -1);
    link->USBConClick(true);
    EXPECT_EQ(informs, QList<UsbLinkNotice>{UsbLinkNotice::NotConnected});
    EXPECT_FALSE(link->receiving());
    EXPECT_FALSE(shown.receiving);
    EXPECT_EQ(controlChanges, 1) << "the window learns that the button is up again";
}

TEST_F(UsbLinkTest, ConnectReadsFramesAndDisconnectStops)
{
    platform.plug(adapterDevice());
    start();
    ASSERT_EQ(link->selectedIndex(), 1);
    link->USBConClick(true);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(shown.receiving);
    ASSERT_EQ(featureCount(), 1);
    EXPECT_EQ(platform.features(kAdapterPath)[0].toHex(' ').toUpper(), QByteArray("00 60 09 00 00 03 00 00 00 00"));
    EXPECT_EQ(link->history().last(), QStringLiteral("00 60 09 00 00 03 00 00 00 00 "));
    ASSERT_NE(link->CurrentHidDevice(), nullptr);
    EXPECT_TRUE(link->CurrentHidDevice()->hasReader());

    platform.queueReport(kAdapterPath, kFramePart1);
    platform.queueReport(kAdapterPath, kFramePart2);
    platform.queueReport(kAdapterPath, kEmpty);
    ASSERT_TRUE(waitFor([&] { return frames.size() == 1; }));
    EXPECT_EQ(frames[0], QStringLiteral(SAMPLE_VOLTS_1234 SAMPLE_WIRE_END));
    EXPECT_TRUE(link->history().contains(QStringLiteral("R 00  F7 2B 31 32 33 34 20 31 ")));

    link->USBConClick(false);
    EXPECT_FALSE(shown.receiving);
    EXPECT_EQ(featureCount(), 2) << "the baud rate goes out on disconnecting too";
    EXPECT_FALSE(link->CurrentHidDevice()->hasReader());
}

TEST_F(UsbLinkTest, NineteenTwoHundredBaudVariant)
{
    platform.plug(adapterDevice());
    start({UsbReportHandler::None, 19200});
    link->USBConClick(true);
    ASSERT_EQ(featureCount(), 1);
    EXPECT_EQ(platform.features(kAdapterPath)[0].toHex(' ').toUpper(), QByteArray("00 00 4B 00 00 03 00 00 00 00"));
    EXPECT_FALSE(link->CurrentHidDevice()->hasReader()) << "no handler for this model";
}

TEST_F(UsbLinkTest, AdapterWithoutAccessSaysWhyAndWhereToLook)
{
    FakeHidPlatform::Device locked = adapterDevice();
    locked.readWrite = false;
    locked.accessError = EACCES;
    platform.plug(locked);
    start();
    ASSERT_EQ(link->selectedIndex(), 1);
    link->USBConClick(true);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("USB to Serial"));
    EXPECT_EQ(accessCauses, QList<int>{EACCES}) << "the window names the cause";
    EXPECT_FALSE(shown.receiving);
    EXPECT_TRUE(informs.isEmpty());
}

TEST_F(UsbLinkTest, SilenceTimeOutAtNineteenHundredReports)
{
    platform.plug(adapterDevice());
    for (const int silent : {1899, 1900}) {
        informs.clear();
        start();
        link->USBConClick(true);
        hand(kFramePart1);
        for (int i = 0; i < silent; ++i)
            hand(kEmpty);
        link->linkSilent();
        if (silent == 1899) {
            EXPECT_TRUE(informs.isEmpty());
            EXPECT_TRUE(shown.receiving);
        } else {
            EXPECT_EQ(informs, QList<UsbLinkNotice>{UsbLinkNotice::MeterSilent});
            EXPECT_EQ(link->collector().UsbSilentReports(), 0);
            EXPECT_FALSE(shown.receiving) << "back to Idle: serial controls shown again";
            EXPECT_FALSE(link->CurrentHidDevice()->hasReader());
            for (int i = 0; i < 3; ++i)
                link->linkSilent();
            EXPECT_EQ(informs.size(), 1) << "fires once";
        }
        link.reset();
        ctl.reset();
    }
}

TEST_F(UsbLinkTest, AnyDeviceChangeWhileConnectedResumesOnTheNewObject)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    THidDevice* before = link->CurrentHidDevice();
    ASSERT_TRUE(before && before->hasReader());

    platform.plug(mouseDevice("/dev/hidraw-keyboard", 3));
    platform.fireDeviceChange();
    EXPECT_TRUE(link->history().contains(QStringLiteral("Arrival of Optical Mouse")));
    EXPECT_EQ(link->deviceLines().size(), 3);
    THidDevice* after = link->CurrentHidDevice();
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(after->hasReader()) << "reading goes on";
    EXPECT_TRUE(shown.receiving);
    EXPECT_EQ(featureCount(), 2) << "baud rate sent again to the new object";
    EXPECT_TRUE(informs.isEmpty());

    platform.queueReport(kAdapterPath, kFramePart1);
    platform.queueReport(kAdapterPath, kFramePart2);
    platform.queueReport(kAdapterPath, kEmpty);
    ASSERT_TRUE(waitFor([&] { return frames.size() == 1; }));
}

TEST_F(UsbLinkTest, AdapterRemovedWhileConnectedIsWaitedForUntilReplugOrRelease)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    platform.queueReport(kAdapterPath, kFramePart1);
    ASSERT_TRUE(waitFor([&] { return link->collector().UsbBurstOpen(); }));
    platform.unplug(kAdapterPath);
    platform.fireDeviceChange();
    EXPECT_TRUE(link->history().contains(QStringLiteral("Removal of USB to Serial")));
    EXPECT_EQ(link->selectedIndex(), -1);
    EXPECT_TRUE(shown.receiving) << "still connected: the cable is waited for";
    EXPECT_TRUE(link->waitingForAdapter());
    EXPECT_EQ(informs, QList<UsbLinkNotice>{UsbLinkNotice::AdapterLost});
    EXPECT_TRUE(link->collector().UsbHexText().isEmpty()) << "half a frame from before is not joined to the next";

    // Plugged in again (a new instance): the baud rate goes to it and reading resumes.
    platform.plug(adapterDevice(kAdapterPath, 7));
    platform.fireDeviceChange();
    EXPECT_EQ(informs, (QList<UsbLinkNotice>{UsbLinkNotice::AdapterLost, UsbLinkNotice::AdapterBack}));
    ASSERT_NE(link->CurrentHidDevice(), nullptr);
    EXPECT_TRUE(link->CurrentHidDevice()->hasReader());
    EXPECT_EQ(featureCount(), 1) << "the device plugged in anew got the baud rate";
    platform.queueReport(kAdapterPath, kFramePart1);
    platform.queueReport(kAdapterPath, kFramePart2);
    platform.queueReport(kAdapterPath, kEmpty);
    ASSERT_TRUE(waitFor([&] { return frames.size() == 1; }));

    // Gone again, and released while waiting: idle, without the no-cable notice.
    platform.unplug(kAdapterPath);
    platform.fireDeviceChange();
    link->USBConClick(false);
    EXPECT_FALSE(shown.receiving);
    EXPECT_FALSE(link->waitingForAdapter());
    EXPECT_EQ(informs.count(UsbLinkNotice::NotConnected), 0);
    platform.plug(adapterDevice(kAdapterPath, 8));
    platform.fireDeviceChange();
    EXPECT_FALSE(shown.receiving) << "a released link does not come back by itself";
    EXPECT_EQ(informs.count(UsbLinkNotice::AdapterBack), 1);
}

TEST_F(UsbLinkTest, DeviceChangeWhileIdleStaysQuiet)
{
    start();
    platform.plug(adapterDevice());
    platform.fireDeviceChange();
    EXPECT_EQ(link->selectedIndex(), 1);
    EXPECT_TRUE(informs.isEmpty());
    EXPECT_EQ(controlChanges, 0);
}

TEST_F(UsbLinkTest, ReadErrorsBecomeHistoryLines)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    platform.queueReadError(kAdapterPath, EIO);
    ASSERT_TRUE(waitFor([&] { return link->history().last().startsWith(QStringLiteral("READ ERROR")); }));
    EXPECT_EQ(link->history().last(), QStringLiteral("READ ERROR: Input/output error (5)"));
}

TEST_F(UsbLinkTest, RefusedFramesAreCountedNotShown)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    refuseFrames = true;
    hand(kFramePart1);
    hand(kFramePart2);
    hand(kEmpty);
    EXPECT_EQ(link->collector().badFrameCount(), 1);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(link->collector().UsbHexText().isEmpty());
}

TEST_F(UsbLinkTest, HistoryIsCappedAndClearable)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    for (int i = 0; i < UsbAdapterLink::kHistoryLimit + 50; ++i)
        hand(kFramePart1);
    EXPECT_EQ(link->history().size(), UsbAdapterLink::kHistoryLimit);
    link->ClearBtnClick();
    EXPECT_TRUE(link->history().isEmpty());
}

TEST_F(UsbLinkTest, DestroyingTheLinkGivesTheDevicesBack)
{
    platform.plug(adapterDevice());
    start();
    link->USBConClick(true);
    link.reset();
    ASSERT_EQ(ctl->Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(ctl->DeviceAt(i)->CheckedOut());
        EXPECT_FALSE(ctl->DeviceAt(i)->hasReader());
    }
    EXPECT_EQ(platform.openConnections(kAdapterPath), 0);

    // The device objects went back without the link's report handler: checked out again,
    // the adapter gets no reader that would call into the destroyed link.
    int adapter = -1;
    for (int i = 0; i < ctl->Count(); ++i)
        if (ctl->DeviceAt(i)->PnPInfo().InterfacePath == kAdapterPath)
            adapter = i;
    std::unique_ptr<THidDevice> again;
    ASSERT_TRUE(ctl->CheckOutAt(adapter, again));
    EXPECT_FALSE(again->hasReader());
    again.reset();

    // The other order: the controller goes first while the link is receiving; the link's
    // end then frees its device objects without reaching for the controller.
    ctl.reset();
    start();
    link->USBConClick(true);
    ASSERT_TRUE(shown.receiving);
    ctl.reset();
    link.reset();
    EXPECT_EQ(platform.openConnections(kAdapterPath), 0);
}
