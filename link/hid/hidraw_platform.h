#pragma once
// HID devices through the Linux hidraw nodes. Enumeration and hot-plug news come from
// udev; strings and attributes from sysfs, so devices the user may not open are still
// listed and described. Without udev, /dev is scanned and re-scanned every two seconds.
#include "link/hid/hid_platform.h"

#include <memory>

struct udev;
struct udev_monitor;
class QSocketNotifier;
class QTimer;

class HidrawPlatform : public HidPlatform {
public:
    HidrawPlatform();
    ~HidrawPlatform() override;
    HidrawPlatform(const HidrawPlatform&) = delete;
    HidrawPlatform& operator=(const HidrawPlatform&) = delete;

    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access, int* error) override;
    void setDeviceChangeHandler(std::function<void()> handler) override;

private:
    void stopWatching();
    void rescanForChanges();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> rescanTimer_;
    std::vector<HidInterfaceInfo> lastSeen_;
    std::function<void()> handler_;
};
