// The adapter pulled out while its reader is handing a report over to the user-interface
// thread: before the hand-over is served, and while its handler runs (as when a message box
// of the handler lets the device change through). Nothing may hang, crash or run twice.
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/usb/usb_adapter_link.h"
#include "frames/sample_frames.h"
#include "support/fake_hid_platform.h"
#include "support/wait_for.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString kAdapterPath = QStringLiteral("/dev/hidraw-unplug");

FakeHidPlatform::Device adapterDevice()
{
    FakeHidPlatform::Device d;
    d.path = kAdapterPath;
    d.instanceId = 1;
    d.attributes = {0x1234, 0x5678, 0x0100};
    d.product = QStringLiteral("USB to Serial");
    return d;
}

// One meter frame in two reports, then a report without serial bytes that ends the burst.
const QByteArray kFramePart1 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).left(7));
const QByteArray kFramePart2 = sample_frames::adapterReport(sample_frames::wireBytes(SAMPLE_VOLTS_1234).mid(7));
const QByteArray kEmpty = QByteArray::fromHex("00F000000000000000");

// Waits without running the event loop, so a hand-over stays pending.
template <typename Pred>
bool spinFor(Pred done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(1);
    }
    return true;
}

class UsbUnplug : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform.plug(adapterDevice());
        ctl = std::make_unique<THidDeviceController>(platform);
        UsbAdapterLink::Callbacks cb;
        cb.onFrame = [this](const QString& f) {
            frames << f;
            if (onFrame)
                onFrame();
        };
        cb.notice = [this](UsbLinkNotice n) { informs << n; };
        cb.receivingChanged = [this](bool r) { receiving = r; };
        link = std::make_unique<UsbAdapterLink>(*ctl, UsbLinkVariant{}, cb);
        link->USBConClick(true);
        ASSERT_TRUE(link->CurrentHidDevice() && link->CurrentHidDevice()->hasReader());
    }
    void TearDown() override
    {
        link.reset();
        ctl.reset();
    }
    void pullOut()
    {
        platform.unplug(kAdapterPath);
        platform.fireDeviceChange();
    }
    // The link has let go of the adapter completely and waits for it to come back.
    void expectWaitingAfterUnplug()
    {
        EXPECT_TRUE(receiving);
        EXPECT_TRUE(link->waitingForAdapter());
        EXPECT_EQ(informs, QList<UsbLinkNotice>{UsbLinkNotice::AdapterLost});
        EXPECT_EQ(link->CurrentHidDevice(), nullptr);
        EXPECT_TRUE(link->history().contains(QStringLiteral("Removal of USB to Serial")));
        EXPECT_EQ(platform.openConnections(kAdapterPath), 0);
    }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> ctl;
    std::unique_ptr<UsbAdapterLink> link;
    QStringList frames;
    QList<UsbLinkNotice> informs;
    bool receiving = false;
    std::function<void()> onFrame;
};

} // namespace

TEST_F(UsbUnplug, DuringAReadTheLinkLetsGoAndWaits)
{
    ASSERT_TRUE(waitFor([&] { return platform.readCalls(kAdapterPath) >= 1; }));
    platform.queueReport(kAdapterPath, kFramePart1);
    ASSERT_TRUE(waitFor([&] { return link->collector().UsbHexText().size() == 14; }));
    pullOut();
    expectWaitingAfterUnplug();
    EXPECT_TRUE(frames.isEmpty()) << "half a frame is no reading";
    // The stop waited for the reader's end: only what it posted before can still come.
    QCoreApplication::processEvents();
    EXPECT_EQ(informs.size(), 1) << "no late read errors or hand-overs after the stop";
}

TEST_F(UsbUnplug, WhileAHandOverWaitsItIsServedOnceThenTheLinkWaits)
{
    platform.queueReport(kAdapterPath, kFramePart1);
    ASSERT_TRUE(waitFor([&] { return link->collector().UsbHexText().size() == 14; }));
    // The reader takes the second report and waits for this thread, which does not run its
    // event loop; now the adapter goes.
    platform.queueReport(kAdapterPath, kFramePart2);
    ASSERT_TRUE(spinFor([&] { return platform.reportsTaken(kAdapterPath) == 2; }));
    pullOut();
    // Each report with serial bytes leaves a history line.
    auto reportLines = [&] { return link->history().filter(QRegularExpression(QStringLiteral("^R "))).size(); };
    EXPECT_EQ(reportLines(), 2) << "the waiting report was served by the stop";
    expectWaitingAfterUnplug();
    EXPECT_TRUE(link->collector().UsbHexText().isEmpty()) << "the cut burst is dropped, not joined to the next";
    // The hand-over posted to the event loop finds its reader gone and does nothing.
    QCoreApplication::processEvents();
    EXPECT_EQ(reportLines(), 2) << "not served a second time";
    EXPECT_TRUE(frames.isEmpty()) << "the burst never ended: no frame from it";
}

TEST_F(UsbUnplug, WhileTheHandlerRunsTheDeviceMayGoFromUnderIt)
{
    // The frame handler lets the device change through, as a message box's own event loop
    // would: the device whose report is being handled is destroyed inside its hand-over.
    onFrame = [this] {
        onFrame = nullptr;
        pullOut();
    };
    platform.queueReport(kAdapterPath, kFramePart1);
    platform.queueReport(kAdapterPath, kFramePart2);
    platform.queueReport(kAdapterPath, kEmpty);
    platform.queueReport(kAdapterPath, kFramePart1);   // never read: the adapter is gone
    ASSERT_TRUE(waitFor([&] { return !frames.isEmpty(); }));
    EXPECT_EQ(frames, QStringList{QStringLiteral(SAMPLE_VOLTS_1234 SAMPLE_WIRE_END)});
    expectWaitingAfterUnplug();
    EXPECT_TRUE(link->collector().UsbHexText().isEmpty());
    EXPECT_EQ(platform.pendingReports(kAdapterPath), 1);
    QCoreApplication::processEvents();   // a hand-over still queued would run here
    EXPECT_EQ(frames.size(), 1);

    // Plugged in again: reading resumes by itself.
    platform.plug([] {
        FakeHidPlatform::Device d = adapterDevice();
        d.instanceId = 2;
        return d;
    }());
    platform.fireDeviceChange();
    EXPECT_EQ(informs.last(), UsbLinkNotice::AdapterBack);
    ASSERT_TRUE(link->CurrentHidDevice() && link->CurrentHidDevice()->hasReader());
    platform.queueReport(kAdapterPath, kFramePart1);
    platform.queueReport(kAdapterPath, kFramePart2);
    platform.queueReport(kAdapterPath, kEmpty);
    ASSERT_TRUE(waitFor([&] { return frames.size() == 2; }));
}
