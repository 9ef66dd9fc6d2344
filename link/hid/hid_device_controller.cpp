#include "link/hid/hid_device_controller.h"

#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"

#include <algorithm>

namespace {
int liveControllers = 0;

// Sets InCallback on a device for the length of one controller event.
class InCallbackScope {
public:
    explicit InCallbackScope(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~InCallbackScope() { flag_ = false; }

private:
    std::atomic<bool>& flag_;
};
} // namespace

THidDeviceController::THidDeviceController(HidPlatform& platform) : platform_(platform)
{
    if (++liveControllers > 1) {
        // The failed construction must not count, or no controller could ever be made again.
        --liveControllers;
        throw EControllerError("Only one THidDeviceController allowed per program");
    }
    for (std::unique_ptr<THidDevice>& device : scan())
        devices_.push_back(Slot{std::move(device), nullptr});
    if (platform_.available())
        platform_.setDeviceChangeHandler([this] { DeviceChange(); });
}

THidDeviceController::~THidDeviceController()
{
    --liveControllers;
    onDeviceChange_ = {};
    onEnumerate_ = {};
    platform_.setDeviceChangeHandler({});
    std::vector<Slot> devices;
    devices.swap(devices_);
    for (Slot& slot : devices) {
        if (slot.kept) {
            destroyDetached(std::move(slot.kept));
        } else {
            slot.lent->controller_ = nullptr;
            slot.lent->Unplug();
        }
    }
}

void THidDeviceController::destroyDetached(std::unique_ptr<THidDevice> device)
{
    // Without its controller the object does not check itself back in.
    device->controller_ = nullptr;
    device.reset();
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::scan()
{
    std::vector<std::unique_ptr<THidDevice>> found;
    if (!platform_.available())
        return found;
    for (const HidInterfaceInfo& info : platform_.enumerate()) {
        try {
            found.push_back(std::make_unique<THidDevice>(platform_, THidPnPInfo{info.instanceId, info.path}, this));
        } catch (const EControllerError&) {
            // A device that cannot be opened or identified is never listed.
        }
    }
    return found;
}

std::vector<THidDeviceController::Slot>::iterator THidDeviceController::slotOf(const THidDevice* device)
{
    return std::find_if(devices_.begin(), devices_.end(), [device](const Slot& s) { return s.device() == device; });
}

std::vector<THidDevice*> THidDeviceController::listed() const
{
    std::vector<THidDevice*> devices;
    devices.reserve(devices_.size());
    for (const Slot& slot : devices_)
        devices.push_back(slot.device());
    return devices;
}

THidDevice* THidDeviceController::DeviceAt(int Idx) const
{
    if (Idx < 0 || Idx >= Count())
        return nullptr;
    return devices_[static_cast<size_t>(Idx)].device();
}

int THidDeviceController::EnumerateDevices()
{
    int visited = 0;
    for (int i = 0; i < Count(); ++i) {
        THidDevice* device = DeviceAt(i);
        if (!device->Plugged())
            continue;
        ++visited;
        bool goOn = false;
        {
            InCallbackScope scope(device->inCallback_);
            if (onEnumerate_)
                goOn = onEnumerate_(*device, i);
        }
        if (!device->CheckedOut())
            device->closeHandles();
        if (!goOn)
            break;
    }
    return visited;
}

bool THidDeviceController::CheckOutAt(int Idx, std::unique_ptr<THidDevice>& HidDev)
{
    HidDev.reset();
    THidDevice* device = DeviceAt(Idx);
    if (!device || device->CheckedOut())
        return false;
    Slot& slot = devices_[static_cast<size_t>(Idx)];
    device->checkedOut_ = true;
    slot.lent = device;
    HidDev = std::move(slot.kept);
    device->startReaderIfReady();
    return true;
}

void THidDeviceController::DeviceChange()
{
    std::vector<std::unique_ptr<THidDevice>> fresh = scan();
    bool changed = false;

    // Removals, last to first.
    for (int i = Count() - 1; i >= 0; --i) {
        if (i >= Count())
            continue;
        THidDevice* device = DeviceAt(i);
        const bool present = device->Plugged()
            && std::any_of(fresh.begin(), fresh.end(), [device](const std::unique_ptr<THidDevice>& f) {
                   return f->PnPInfo().InstanceHandle == device->PnPInfo().InstanceHandle;
               });
        if (present)
            continue;
        device->Unplug();
        if (onRemoval_) {
            InCallbackScope scope(device->inCallback_);
            onRemoval_(*device);
        }
        if (!device->CheckedOut()) {
            auto it = slotOf(device);
            if (it != devices_.end()) {
                std::unique_ptr<THidDevice> gone = std::move(it->kept);
                devices_.erase(it);
                destroyDetached(std::move(gone));
            }
        }
        changed = true;
    }

    // Duplicates of devices already listed, then arrivals in scan order.
    std::vector<std::unique_ptr<THidDevice>> arrivals;
    for (std::unique_ptr<THidDevice>& f : fresh) {
        const bool duplicate = std::any_of(devices_.begin(), devices_.end(), [&f](const Slot& s) {
            return s.device()->Plugged() && s.device()->PnPInfo().InstanceHandle == f->PnPInfo().InstanceHandle;
        });
        if (duplicate)
            destroyDetached(std::move(f));
        else
            arrivals.push_back(std::move(f));
    }
    for (std::unique_ptr<THidDevice>& arrival : arrivals) {
        THidDevice* device = arrival.get();
        devices_.push_back(Slot{std::move(arrival), nullptr});
        changed = true;
        if (onArrival_) {
            InCallbackScope scope(device->inCallback_);
            onArrival_(*device);
        }
    }

    if ((changed || !changeReported_) && onDeviceChange_)
        onDeviceChange_();
}

void THidDeviceController::setOnDeviceChange(THidNotifyEvent h)
{
    if (!h) {
        // Unbinding needs no scan: nobody is left to hear of it.
        onDeviceChange_ = {};
        return;
    }
    onDeviceChange_ = std::move(h);
    DeviceChange();
    changeReported_ = true;
}

void THidDeviceController::setOnDeviceData(THidDataEvent h)
{
    onDeviceData_ = std::move(h);
    for (THidDevice* device : listed()) {
        if (!device->inputFromController_)
            continue;
        device->setOnInputReport(onDeviceData_);
        device->inputFromController_ = true;
    }
}

void THidDeviceController::setOnDeviceDataError(THidDataErrorEvent h)
{
    onDeviceDataError_ = std::move(h);
    for (THidDevice* device : listed()) {
        if (device->readErrorFromController_)
            device->onReadError_ = onDeviceDataError_;
    }
}

void THidDeviceController::checkIn(THidDevice* device, KeptHandlers kept)
{
    auto it = slotOf(device);
    if (it == devices_.end())
        return;
    if (!device->Plugged()) {
        devices_.erase(it);
        return;
    }
    std::unique_ptr<THidDevice> replacement;
    try {
        replacement = std::make_unique<THidDevice>(platform_, device->PnPInfo(), this);
    } catch (const EControllerError&) {
        // The device stopped answering: it leaves the list.
        devices_.erase(it);
        return;
    }
    replacement->onInputReport_ = std::move(kept.input);
    replacement->inputFromController_ = kept.inputFromController;
    replacement->onUnplugged_ = std::move(kept.unplugged);
    replacement->setReadWaitMs(kept.readWaitMs);
    it->kept = std::move(replacement);
    it->lent = nullptr;
}
