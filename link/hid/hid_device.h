#pragma once
// One HID device interface: opened on demand, its attributes and strings, feature reports,
// and a reader thread that hands input reports to the user-interface thread.
// Everything here runs on the user-interface thread except the reader's own work.
#include "link/hid/hid_events.h"
#include "link/hid/hid_platform.h"
#include "link/hid/hid_reader.h"

#include <atomic>
#include <memory>
#include <mutex>

class THidDeviceController;

struct HidCapabilities {
    int InputReportByteLength = 0;   // the report-ID byte included; 0 when unknown
};

class THidDevice : private HidReaderHost {
public:
    // Opens the device once to learn its access rights and attributes. Throws
    // EControllerError "device cannot be opened" or "device cannot be identified".
    // With a controller, the controller's default handlers become this device's handlers.
    THidDevice(HidPlatform& platform, const THidPnPInfo& info, THidDeviceController* controller = nullptr);
    // Stops the reader, closes the device and, when the object came from a controller,
    // gives the device back to it (check-in).
    ~THidDevice() override;
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    const THidPnPInfo& PnPInfo() const { return pnp_; }
    bool Plugged() const { return plugged_; }
    bool CheckedOut() const { return checkedOut_; }
    bool InCallback() const { return inCallback_; }
    bool ReadWriteAccess() const { return readWriteAccess_; }
    // Why the last opening for reading and writing failed (an errno value); 0 if it worked.
    int ReadWriteError() const { return readWriteError_; }
    const HidAttributes& DeviceAttributes() const { return attributes_; }
    THidDeviceController* Controller() const { return controller_; }

    // Read from the device on first request and kept; empty when unreadable.
    QString ProductText();
    QString SerialText();
    HidCapabilities Capabilities();

    // Sends one feature report; Buffer[0] is the report ID. False when the device cannot be
    // opened or refuses the report.
    bool SendFeature(const quint8* Buffer, int Length);

    int ReadWaitMs() const { return readWaitMs_; }
    void setReadWaitMs(int ms);   // values outside 10..10000 are ignored

    // An empty handler stops the reader first; a handler starts it when the device is
    // plugged in, checked out, readable and writable.
    void setOnInputReport(THidDataEvent handler);
    const THidDataErrorEvent& OnReadError() const { return onReadError_; }
    void setOnReadError(THidDataErrorEvent handler);
    const THidPlugEvent& OnUnplugged() const { return onUnplugged_; }
    void setOnUnplugged(THidPlugEvent handler);

    bool hasReader() const { return reader_ != nullptr; }

    // Controller side: the device is gone. Closes it and tells OnUnplugged once; a running
    // reader goes on and reports a read error per attempt.
    void Unplug();

private:
    friend class THidDeviceController;

    bool openMain();         // while the device is plugged and held
    bool openMainHandle();   // the open itself
    void closeMain() { main_.reset(); }
    void closeHandles();
    void startReaderIfReady();
    void stopReader();

    // HidReaderHost
    std::shared_ptr<HidConnection> acquireReadHandle(quint32* error) override;
    void dropReadHandle(const std::shared_ptr<HidConnection>& handle) override;
    int readWaitMs() const override { return readWaitMs_; }
    void deliverReport(quint8 reportId, const quint8* data, quint16 size) override;
    void deliverReadError(quint32 error) override;

    HidPlatform& platform_;
    THidDeviceController* controller_ = nullptr;
    THidPnPInfo pnp_;

    std::atomic<bool> plugged_{true};
    std::atomic<bool> checkedOut_{false};
    std::atomic<bool> inCallback_{false};
    std::atomic<int> readWaitMs_{100};
    bool readWriteAccess_ = false;
    int readWriteError_ = 0;
    HidAttributes attributes_;
    QString productText_;
    QString serialText_;
    bool capsFetched_ = false;
    HidCapabilities caps_;

    std::unique_ptr<HidConnection> main_;
    std::mutex readHandleMutex_;
    std::shared_ptr<HidConnection> readHandle_;

    // Handlers; `...FromController` marks a handler that is still the controller's default.
    THidDataEvent onInputReport_;
    bool inputFromController_ = false;
    THidDataErrorEvent onReadError_;
    bool readErrorFromController_ = false;
    THidPlugEvent onUnplugged_;

    std::shared_ptr<THidDeviceReadThread> reader_;
};
