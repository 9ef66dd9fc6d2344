#pragma once
// Finds the HID devices, keeps one device object per device, notices devices coming and
// going, and hands device objects out and takes them back. User-interface thread only.
#include "link/hid/hid_events.h"
#include "link/hid/hid_platform.h"

#include <QString>
#include <memory>
#include <vector>

class THidDevice;

class THidDeviceController {
public:
    // Scans at once and watches for device changes. Throws EControllerError
    // "Only one THidDeviceController allowed per program" while another one lives.
    explicit THidDeviceController(HidPlatform& platform);
    // Devices still checked out are unplugged and stay with their holders.
    ~THidDeviceController();
    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    // Calls OnEnumerate for every plugged-in device in list order until it returns false.
    // Returns the number of devices visited.
    int EnumerateDevices();
    // Hands out the device at Idx; false (and a null device) when Idx is outside the list
    // or the device is already out. The holder owns it and gives it back by destroying it;
    // a device HidDev held before is given back first.
    bool CheckOutAt(int Idx, std::unique_ptr<THidDevice>& HidDev);
    // Re-scans; reports removals, then arrivals, then the change.
    void DeviceChange();

    int Count() const { return static_cast<int>(devices_.size()); }
    THidDevice* DeviceAt(int Idx) const;
    static QString Version() { return QStringLiteral("1.0.22"); }

    void setOnArrival(THidPlugEvent h) { onArrival_ = std::move(h); }
    void setOnRemoval(THidPlugEvent h) { onRemoval_ = std::move(h); }
    void setOnEnumerate(THidEnumerateEvent h) { onEnumerate_ = std::move(h); }
    // Assigning a handler runs a device change at once, so the handler hears of the
    // devices present even though nothing has changed.
    void setOnDeviceChange(THidNotifyEvent h);
    // Defaults for the devices' handlers; devices still on the old default follow.
    void setOnDeviceData(THidDataEvent h);
    void setOnDeviceDataError(THidDataErrorEvent h);
    const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
    const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }

    HidPlatform& platform() const { return platform_; }
    // Expires when the controller is destroyed, for holders that may outlive it.
    std::weak_ptr<const void> lifetime() const { return lifetime_; }

private:
    friend class THidDevice;
    struct KeptHandlers {
        THidDataEvent input;
        bool inputFromController = false;
        THidPlugEvent unplugged;
        int readWaitMs = 100;
    };
    // One listed device: owned here until it is checked out, then only pointed at.
    struct Slot {
        std::unique_ptr<THidDevice> kept;
        THidDevice* lent = nullptr;
        THidDevice* device() const { return kept ? kept.get() : lent; }
    };

    // A device object that came from this controller is being destroyed.
    void checkIn(THidDevice* device, KeptHandlers kept);
    std::vector<std::unique_ptr<THidDevice>> scan();
    std::vector<Slot>::iterator slotOf(const THidDevice* device);
    // The listed devices at this moment, for loops whose handlers may change the list.
    std::vector<THidDevice*> listed() const;
    static void destroyDetached(std::unique_ptr<THidDevice> device);

    HidPlatform& platform_;
    std::shared_ptr<const int> lifetime_ = std::make_shared<const int>(0);
    std::vector<Slot> devices_;
    bool changeReported_ = false;
    THidPlugEvent onArrival_, onRemoval_;
    THidEnumerateEvent onEnumerate_;
    THidNotifyEvent onDeviceChange_;
    THidDataEvent onDeviceData_;
    THidDataErrorEvent onDeviceDataError_;
};
