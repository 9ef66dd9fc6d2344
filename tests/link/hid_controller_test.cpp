// THidDeviceController on the scripted platform: scans, check-out and check-in, changes.
#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "support/fake_hid_platform.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

FakeHidPlatform::Device dev(int n)
{
    FakeHidPlatform::Device d;
    d.path = QStringLiteral("/dev/hidraw%1").arg(n);
    d.instanceId = 100 + n;
    d.attributes = {quint16(0x1000 + n), quint16(0x2000 + n), 1};
    d.product = QStringLiteral("Device %1").arg(n);
    return d;
}

QStringList listPaths(const THidDeviceController& ctl)
{
    QStringList paths;
    for (int i = 0; i < ctl.Count(); ++i)
        paths << ctl.DeviceAt(i)->PnPInfo().InterfacePath;
    return paths;
}

} // namespace

TEST(HidController, OnlyOneAtATime)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    {
        THidDeviceController first(platform);
        try {
            THidDeviceController second(platform);
            FAIL() << "second controller created";
        } catch (const EControllerError& e) {
            EXPECT_STREQ(e.what(), "Only one THidDeviceController allowed per program");
        }
        EXPECT_EQ(first.Count(), 1);
        EXPECT_TRUE(platform.hasDeviceChangeHandler()) << "the refused one took nothing from the first";
    }
    EXPECT_FALSE(platform.hasDeviceChangeHandler());
    // The refused construction did not count: a new controller can be made.
    EXPECT_NO_THROW(THidDeviceController again(platform));
}

TEST(HidController, WithoutHidServiceNothingIsListed)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.setAvailable(false);
    THidDeviceController ctl(platform);
    EXPECT_EQ(ctl.Count(), 0);
    EXPECT_EQ(ctl.EnumerateDevices(), 0);
    EXPECT_FALSE(platform.hasDeviceChangeHandler());
    int changes = 0;
    ctl.setOnDeviceChange([&] { ++changes; });
    EXPECT_EQ(changes, 1) << "assigning the handler reports once";
}

TEST(HidController, ScanSkipsDevicesThatCannotBeCreated)
{
    FakeHidPlatform platform;
    FakeHidPlatform::Device closed = dev(1);
    closed.openable = false;
    FakeHidPlatform::Device mute = dev(2);
    mute.attributesReadable = false;
    platform.plug(dev(0));
    platform.plug(closed);
    platform.plug(mute);
    platform.plug(dev(3));
    THidDeviceController ctl(platform);
    EXPECT_EQ(listPaths(ctl), (QStringList{"/dev/hidraw0", "/dev/hidraw3"}));
}

TEST(HidController, CheckOutBoundsAndTwice)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> d;
    ASSERT_TRUE(ctl.CheckOutAt(0, d));
    EXPECT_FALSE(ctl.CheckOutAt(-1, d));
    EXPECT_EQ(d.get(), nullptr);
    EXPECT_FALSE(ctl.DeviceAt(0)->CheckedOut()) << "what the holder had went back first";
    ASSERT_TRUE(ctl.CheckOutAt(0, d));
    EXPECT_FALSE(ctl.CheckOutAt(2, d)) << "the list's length is outside";
    EXPECT_EQ(d.get(), nullptr);
    ASSERT_TRUE(ctl.CheckOutAt(1, d));
    EXPECT_TRUE(d->CheckedOut());
    std::unique_ptr<THidDevice> again;
    EXPECT_FALSE(ctl.CheckOutAt(1, again));
    EXPECT_EQ(again.get(), nullptr);
    d.reset();
}

TEST(HidController, CheckInReplacesAPluggedDeviceAndKeepsItsSettings)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> d;
    ASSERT_TRUE(ctl.CheckOutAt(1, d));
    d->setReadWaitMs(250);
    int unplugCalls = 0;
    d->setOnUnplugged([&](THidDevice&) { ++unplugCalls; });
    d.reset();
    ASSERT_EQ(ctl.Count(), 2);
    THidDevice* fresh = ctl.DeviceAt(1);
    EXPECT_EQ(fresh->PnPInfo().InstanceHandle, 101u);
    EXPECT_FALSE(fresh->CheckedOut());
    EXPECT_EQ(fresh->ReadWaitMs(), 250);
    fresh->Unplug();
    EXPECT_EQ(unplugCalls, 1) << "the kept OnUnplugged came along";
}

TEST(HidController, HeldDeviceThatWentAwayIsReportedAtEveryChangeUntilGivenBack)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    THidDeviceController ctl(platform);
    QStringList events;
    ctl.setOnRemoval([&](THidDevice& d) {
        EXPECT_TRUE(d.InCallback());
        events << "removal " + d.PnPInfo().InterfacePath;
    });
    ctl.setOnDeviceChange([&] { events << "change"; });
    events.clear();
    std::unique_ptr<THidDevice> held;
    ASSERT_TRUE(ctl.CheckOutAt(0, held));
    int unplugged = 0;
    held->setOnUnplugged([&](THidDevice&) { ++unplugged; });

    platform.unplug("/dev/hidraw0");
    platform.fireDeviceChange();
    platform.fireDeviceChange();
    EXPECT_EQ(events, (QStringList{"removal /dev/hidraw0", "change", "removal /dev/hidraw0", "change"}));
    EXPECT_EQ(unplugged, 1);
    EXPECT_FALSE(held->Plugged());
    EXPECT_EQ(listPaths(ctl), (QStringList{"/dev/hidraw0", "/dev/hidraw1"})) << "held, so still listed";

    held.reset();   // check-in of a gone device takes it out of the list
    EXPECT_EQ(listPaths(ctl), (QStringList{"/dev/hidraw1"}));
    events.clear();
    platform.fireDeviceChange();
    EXPECT_TRUE(events.isEmpty()) << "nothing changed any more";
}

TEST(HidController, RemovalsComeBeforeArrivalsAndTheChangeLast)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    platform.plug(dev(2));
    THidDeviceController ctl(platform);
    QStringList events;
    ctl.setOnArrival([&](THidDevice& d) {
        EXPECT_TRUE(d.InCallback());
        EXPECT_FALSE(d.ProductText().isEmpty()) << "a device may be opened during its arrival";
        events << "arrival " + d.PnPInfo().InterfacePath;
    });
    ctl.setOnRemoval([&](THidDevice& d) { events << "removal " + d.PnPInfo().InterfacePath; });
    ctl.setOnDeviceChange([&] { events << "change"; });
    EXPECT_EQ(events, (QStringList{"change"})) << "assigning the handler reports once";
    events.clear();

    platform.unplug("/dev/hidraw0");
    platform.unplug("/dev/hidraw2");
    platform.plug(dev(3));
    platform.plug(dev(4));
    platform.fireDeviceChange();
    EXPECT_EQ(events, (QStringList{"removal /dev/hidraw2", "removal /dev/hidraw0", "arrival /dev/hidraw3",
                                   "arrival /dev/hidraw4", "change"}));
    EXPECT_EQ(listPaths(ctl), (QStringList{"/dev/hidraw1", "/dev/hidraw3", "/dev/hidraw4"}));

    events.clear();
    platform.fireDeviceChange();
    EXPECT_TRUE(events.isEmpty()) << "the same devices found again are no change and no arrival";
    EXPECT_EQ(ctl.Count(), 3);
}

TEST(HidController, ReplugWithANewInstanceIsARemovalAndAnArrival)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    THidDeviceController ctl(platform);
    QStringList events;
    ctl.setOnArrival([&](THidDevice& d) { events << QStringLiteral("arrival %1").arg(d.PnPInfo().InstanceHandle); });
    ctl.setOnRemoval([&](THidDevice& d) { events << QStringLiteral("removal %1").arg(d.PnPInfo().InstanceHandle); });
    FakeHidPlatform::Device again = dev(0);
    again.instanceId = 555;
    platform.plug(again);
    platform.fireDeviceChange();
    EXPECT_EQ(events, (QStringList{"removal 100", "arrival 555"}));
}

TEST(HidController, EnumerationSkipsUnpluggedAndStopsAtFalse)
{
    FakeHidPlatform platform;
    for (int i = 0; i < 4; ++i)
        platform.plug(dev(i));
    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> held;
    ASSERT_TRUE(ctl.CheckOutAt(0, held));
    platform.unplug("/dev/hidraw0");
    ctl.DeviceChange();

    EXPECT_EQ(ctl.EnumerateDevices(), 1) << "without a handler the walk ends at the first device";

    std::vector<int> seen;
    ctl.setOnEnumerate([&](THidDevice& d, int idx) {
        EXPECT_TRUE(d.InCallback());
        EXPECT_TRUE(d.Plugged());
        seen.push_back(idx);
        return idx < 2;
    });
    EXPECT_EQ(ctl.EnumerateDevices(), 2) << "the device whose handler said stop counts too";
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_FALSE(ctl.DeviceAt(1)->InCallback());
    EXPECT_EQ(platform.openConnections("/dev/hidraw1"), 0) << "handles closed after the call";
    held.reset();
}

TEST(HidController, DefaultHandlersReachDevicesStillOnTheDefault)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    THidDeviceController ctl(platform);
    std::unique_ptr<THidDevice> a;
    std::unique_ptr<THidDevice> b;
    ASSERT_TRUE(ctl.CheckOutAt(0, a));
    ASSERT_TRUE(ctl.CheckOutAt(1, b));
    b->setOnReadError([](THidDevice&, quint32) {});   // its own handler
    int defaults = 0;
    ctl.setOnDeviceDataError([&](THidDevice&, quint32) { ++defaults; });
    ASSERT_TRUE(a->OnReadError()) << "checked-out devices get the new default";
    a->OnReadError()(*a, 5);
    b->OnReadError()(*b, 5);
    EXPECT_EQ(defaults, 1) << "a device with its own handler keeps it";

    ctl.setOnDeviceData([](THidDevice&, quint8, const quint8*, quint16) {});
    EXPECT_TRUE(a->hasReader()) << "the default data handler starts readers of taken devices";
    ctl.setOnDeviceData({});
    EXPECT_FALSE(a->hasReader());

    a.reset();
    b.reset();
}

TEST(HidController, DestructionLeavesHeldDevicesWithTheirHolders)
{
    FakeHidPlatform platform;
    platform.plug(dev(0));
    platform.plug(dev(1));
    std::unique_ptr<THidDevice> held;
    {
        THidDeviceController ctl(platform);
        ASSERT_TRUE(ctl.CheckOutAt(1, held));
    }
    ASSERT_NE(held.get(), nullptr);
    EXPECT_FALSE(held->Plugged());
    EXPECT_EQ(held->Controller(), nullptr);
    held.reset();   // no controller to go back to
    EXPECT_EQ(platform.openConnections("/dev/hidraw1"), 0);
}
