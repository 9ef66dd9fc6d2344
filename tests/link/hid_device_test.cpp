// THidDevice on the scripted platform: creation, strings, feature reports and the reader.
#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_handover_dispatcher.h"
#include "link/hid/hid_strings.h"
#include "support/fake_hid_platform.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace {

const QString kPath = QStringLiteral("/dev/hidraw-test0");

FakeHidPlatform::Device adapter()
{
    FakeHidPlatform::Device d;
    d.path = kPath;
    d.instanceId = 7;
    d.attributes = {0x1234, 0x5678, 0x0100};
    d.product = QStringLiteral("USB to Serial");
    d.inputReportLength = 9;
    return d;
}

struct Received {
    quint8 id = 0;
    QByteArray data;
    int size = 0;
};

// A controller holding one scripted device, checked out, as the link uses it.
class HidReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform.plug(adapter());
        ctl = std::make_unique<THidDeviceController>(platform);
        ASSERT_TRUE(ctl->CheckOutAt(0, device));
    }
    void TearDown() override
    {
        device.reset();
        ctl.reset();
    }
    THidDataEvent recorder()
    {
        return [this](THidDevice&, quint8 id, const quint8* data, quint16 size) {
            received.push_back({id, QByteArray(reinterpret_cast<const char*>(data), size), size});
        };
    }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> ctl;
    std::unique_ptr<THidDevice> device;
    std::vector<Received> received;
};

} // namespace

TEST(HidDevice, CreationFailsWithTheControllerErrors)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device closed = adapter();
    closed.openable = false;
    platform.plug(closed);
    try {
        THidDevice d(platform, {7, kPath});
        FAIL() << "created";
    } catch (const EControllerError& e) {
        EXPECT_STREQ(e.what(), "device cannot be opened");
    }

    FakeHidPlatform::Device mute = adapter();
    mute.attributesReadable = false;
    platform.plug(mute);
    try {
        THidDevice d(platform, {7, kPath});
        FAIL() << "created";
    } catch (const EControllerError& e) {
        EXPECT_STREQ(e.what(), "device cannot be identified");
    }
    EXPECT_EQ(platform.openConnections(kPath), 0) << "a failed creation leaves nothing open";
}

TEST(HidDevice, DeviceWithoutAccessRightsIsStillListedWithItsReason)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device d = adapter();
    d.readWrite = false;
    d.accessError = EACCES;
    platform.plug(d);
    THidDevice device(platform, {7, kPath});
    EXPECT_FALSE(device.ReadWriteAccess());
    EXPECT_EQ(device.ReadWriteError(), EACCES);
    EXPECT_EQ(device.DeviceAttributes().vendorId, 0x1234);
    EXPECT_EQ(platform.openConnections(kPath), 0) << "creation closes the main handle";
}

TEST(HidDevice, ReadWaitMsKeepsOnlyValuesFromTenToTenThousand)
{
    FakeHidPlatform platform;
    platform.plug(adapter());
    THidDevice device(platform, {7, kPath});
    EXPECT_EQ(device.ReadWaitMs(), 100);
    const struct { int value; int expected; } cases[] = {
        {9, 100},        // just below the bound
        {10, 10},        // lowest accepted
        {10001, 10},     // just above the bound
        {10000, 10000},  // highest accepted
        {-5, 10000},
    };
    for (const auto& c : cases) {
        device.setReadWaitMs(c.value);
        EXPECT_EQ(device.ReadWaitMs(), c.expected) << c.value;
    }
}

TEST(HidDevice, StringsAreReadOnlyWhileTheDeviceMayBeOpened)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device d = adapter();
    d.serial = QStringLiteral("A1B2");
    d.languages = QString(QChar(0x0409));
    platform.plug(d);
    THidDevice loose(platform, {7, kPath});
    EXPECT_EQ(loose.ProductText(), QString()) << "not checked out and not in a callback";

    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> held;
    ASSERT_TRUE(ctl.CheckOutAt(0, held));
    EXPECT_EQ(held->ProductText(), QStringLiteral("USB to Serial"));
    EXPECT_EQ(held->SerialText(), QStringLiteral("A1B2"));
    EXPECT_EQ(platform.openConnections(kPath), 0) << "reading strings closes the handle again";

    // A kept product string is not asked for again; an empty one is.
    d.product = QStringLiteral("Renamed");
    platform.update(d);
    EXPECT_EQ(held->ProductText(), QStringLiteral("USB to Serial"));
    held.reset();
}

TEST(HidDevice, EmptyProductStringIsAskedForAgain)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device d = adapter();
    d.product.reset();
    platform.plug(d);
    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> held;
    ASSERT_TRUE(ctl.CheckOutAt(0, held));
    EXPECT_EQ(held->ProductText(), QString());
    d.product = QStringLiteral("Late name");
    platform.update(d);
    EXPECT_EQ(held->ProductText(), QStringLiteral("Late name"));
    held.reset();
}

TEST(HidStrings, SerialNumberAgainstTheLanguageList)
{
    const QString us(QChar(0x0409));
    const struct {
        QString serial;
        std::optional<QString> languages;
        QString expected;
        const char* why;
    } cases[] = {
        {QStringLiteral("7"), us, QStringLiteral("7"), "a real serial number"},
        {us, us, QString(), "the device answered with its language list"},
        {us + QStringLiteral("XYZ"), us, QString(), "equal over the list's length is enough"},
        {QStringLiteral("7"), std::nullopt, QString(), "string 0 unreadable"},
        {QStringLiteral("7"), QString(), QString(), "an empty language list"},
        {QString(), us, QString(), "no serial: zero differs from the list but keeps nothing"},
        {QStringLiteral("AB") + QChar(0) + QStringLiteral("CD"), us, QStringLiteral("AB"), "cut at a zero"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keptSerialText(c.serial, c.languages), c.expected) << c.why;
    EXPECT_EQ(keptHidString(QString(300, QLatin1Char('x'))).size(), kHidStringMaxChars);
}

TEST_F(HidReaderTest, SendFeatureGoesOutAndFailsWithoutAccess)
{
    const quint8 report[] = {0x00, 0x60, 0x09, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
    EXPECT_TRUE(device->SendFeature(report, sizeof report));
    ASSERT_EQ(platform.features(kPath).size(), 1u);
    EXPECT_EQ(platform.features(kPath)[0], QByteArray(reinterpret_cast<const char*>(report), sizeof report));

    FakeHidPlatform::Device refusing = adapter();
    refusing.featureAccepted = false;
    platform.update(refusing);
    EXPECT_FALSE(device->SendFeature(report, sizeof report));
    device->Unplug();
    EXPECT_FALSE(device->SendFeature(report, sizeof report)) << "an unplugged device cannot be opened";
}

TEST_F(HidReaderTest, HandsOverReportIdDataAndSize)
{
    device->setOnInputReport(recorder());
    EXPECT_TRUE(device->hasReader());
    platform.queueReport(kPath, QByteArray::fromHex("00F72B3132333420310000"));   // 11 bytes, buffer of 9
    platform.queueReport(kPath, QByteArray());                                        // 0 bytes: no call
    platform.queueReport(kPath, QByteArray::fromHex("05F0"));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 2; }));
    EXPECT_EQ(received[0].id, 0x00);
    EXPECT_EQ(received[0].size, 8) << "nine bytes read: the ID and eight data bytes";
    EXPECT_EQ(received[0].data, QByteArray::fromHex("F72B313233342031"));
    EXPECT_EQ(received[1].id, 0x05);
    EXPECT_EQ(received[1].data, QByteArray::fromHex("F0")) << "the empty read in between gave no call";
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(HidReaderTest, WaitsInSlicesOfReadWaitMs)
{
    device->setReadWaitMs(10);
    device->setOnInputReport(recorder());
    ASSERT_TRUE(waitFor([&] { return platform.readCalls(kPath) >= 3; }));
    EXPECT_EQ(platform.lastReadTimeout(kPath), 10);
    device->setOnInputReport({});   // returns once the reader has seen the stop
    EXPECT_FALSE(device->hasReader());
}

TEST_F(HidReaderTest, NoReaderWithoutReadWriteAccess)
{
    FakeHidPlatform platform2;
    FakeHidPlatform::Device d = adapter();
    d.readWrite = false;
    platform2.plug(d);
    device.reset();
    ctl.reset();
    THidDeviceController ctl2(platform2);
    std::unique_ptr<THidDevice> held;
    ASSERT_TRUE(ctl2.CheckOutAt(0, held)) << "a device without access can still be checked out";
    held->setOnInputReport(recorder());
    EXPECT_FALSE(held->hasReader());
    held.reset();
}

TEST_F(HidReaderTest, ReaderStartsOnlyWhenCheckedOut)
{
    FakeHidPlatform platform2;
    platform2.plug(adapter());
    THidDevice loose(platform2, {7, kPath});
    loose.setOnInputReport(recorder());
    EXPECT_FALSE(loose.hasReader());
}

TEST_F(HidReaderTest, StopWhileBlockedInHandOverCarriesItOut)
{
    device->setOnInputReport(recorder());
    platform.queueReport(kPath, QByteArray::fromHex("00F1AA"));
    // The reader has taken the report and now waits for this thread, which does not
    // run its event loop: the stop must serve the hand-over itself.
    QElapsedTimer t;
    t.start();
    while (platform.reportsTaken(kPath) < 1 && t.elapsed() < 3000)
        QThread::msleep(1);
    ASSERT_EQ(platform.reportsTaken(kPath), 1);
    EXPECT_TRUE(received.empty()) << "nothing is handled while the event loop does not run";
    device->setOnInputReport({});
    EXPECT_FALSE(device->hasReader());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].data, QByteArray::fromHex("F1AA"));
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 1u) << "the queued hand-over is not run a second time";
}

TEST_F(HidReaderTest, HandlerMayStopItsOwnReader)
{
    int calls = 0;
    device->setOnInputReport([&](THidDevice& d, quint8, const quint8* data, quint16 size) {
        ++calls;
        d.setOnInputReport({});
        EXPECT_EQ(size, 1);
        EXPECT_EQ(data[0], 0xF3) << "the data stays valid after the stop";
    });
    platform.queueReport(kPath, QByteArray::fromHex("00F3"));
    platform.queueReport(kPath, QByteArray::fromHex("00F4"));
    ASSERT_TRUE(waitFor([&] { return calls > 0; }));
    EXPECT_FALSE(device->hasReader());
    QCoreApplication::processEvents();   // a hand-over still queued would run here
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(platform.pendingReports(kPath), 1) << "the stopped reader took no further report";
}

TEST_F(HidReaderTest, SwappingTheHandlerKeepsTheReader)
{
    device->setOnInputReport(recorder());
    int other = 0;
    device->setOnInputReport([&](THidDevice&, quint8, const quint8*, quint16) { ++other; });
    EXPECT_TRUE(device->hasReader());
    platform.queueReport(kPath, QByteArray::fromHex("00F1"));
    ASSERT_TRUE(waitFor([&] { return other == 1; }));
    EXPECT_TRUE(received.empty());
}

TEST_F(HidReaderTest, ReadErrorsAreHandedOverAndReadingGoesOn)
{
    std::vector<quint32> errors;
    device->setReadWaitMs(10);
    device->setOnReadError([&](THidDevice&, quint32 e) { errors.push_back(e); });
    device->setOnInputReport(recorder());
    platform.queueReadError(kPath, EIO);
    platform.queueReport(kPath, QByteArray::fromHex("00F1"));
    ASSERT_TRUE(waitFor([&] { return received.size() == 1; }));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], quint32(EIO));
}

TEST_F(HidReaderTest, AFailingHandlerReachesTheErrorGuardAndReadingGoesOn)
{
    QStringList guarded;
    HidHandOverDispatcher::setErrorGuard([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            guarded << QString::fromUtf8(e.what());
        }
    });
    int calls = 0;
    device->setOnInputReport([&](THidDevice&, quint8, const quint8*, quint16) {
        if (++calls == 1)
            throw std::runtime_error("chart failed");
    });
    platform.queueReport(kPath, QByteArray::fromHex("00F1"));
    platform.queueReport(kPath, QByteArray::fromHex("00F2"));
    const bool both = waitFor([&] { return calls == 2; });
    HidHandOverDispatcher::setErrorGuard({});
    ASSERT_TRUE(both);
    EXPECT_EQ(guarded, QStringList{QStringLiteral("chart failed")});
}

TEST_F(HidReaderTest, AfterUnplugEveryAttemptIsAReadErrorUntilStopped)
{
    std::vector<quint32> errors;
    int unplugged = 0;
    device->setReadWaitMs(10);
    device->setOnReadError([&](THidDevice&, quint32 e) { errors.push_back(e); });
    device->setOnUnplugged([&](THidDevice&) { ++unplugged; });
    device->setOnInputReport(recorder());
    ASSERT_TRUE(waitFor([&] { return platform.readCalls(kPath) >= 1; }));
    platform.unplug(kPath);
    device->Unplug();
    device->Unplug();
    EXPECT_EQ(unplugged, 1) << "OnUnplugged is called once and then cleared";
    EXPECT_FALSE(device->Plugged());
    EXPECT_TRUE(device->hasReader()) << "an unplug does not stop the reader";
    ASSERT_TRUE(waitFor([&] { return errors.size() >= 3; }));
    device->setOnInputReport({});
    EXPECT_FALSE(device->hasReader());
    const size_t seen = errors.size();
    const int reads = platform.readCalls(kPath);
    QCoreApplication::processEvents();   // a hand-over still queued would run here
    EXPECT_EQ(errors.size(), seen) << "no errors after the stop";
    EXPECT_EQ(platform.readCalls(kPath), reads) << "no read after the stop";
    EXPECT_TRUE(received.empty());
}

TEST_F(HidReaderTest, DestroyingADeviceWithARunningReaderStopsIt)
{
    device->setOnInputReport(recorder());
    platform.queueReport(kPath, QByteArray::fromHex("00F1"));
    ASSERT_TRUE(waitFor([&] { return platform.reportsTaken(kPath) == 1; }));
    device.reset();   // the pending hand-over is served, then the object goes back
    EXPECT_EQ(received.size(), 1u);
    ASSERT_EQ(ctl->Count(), 1);
    EXPECT_FALSE(ctl->DeviceAt(0)->hasReader()) << "the replacement is not checked out";
    EXPECT_EQ(platform.openConnections(kPath), 0);
}
