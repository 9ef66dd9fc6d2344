#pragma once
// The boundary between the HID device objects and the operating system. One real
// implementation talks to hidraw and udev; a scripted one serves the tests.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

// One present HID interface, as a scan finds it.
struct HidInterfaceInfo {
    QString path;            // what open() takes
    quint32 instanceId = 0;  // equal for the same device for as long as it stays plugged in
};

struct HidAttributes {
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 versionNumber = 0;
};

enum class HidAccess {
    None,       // enough for attributes and strings
    ReadWrite,  // feature reports and reading
    Read,       // the reader's own handle
};

struct HidReadResult {
    enum Status { Report, Timeout, Error };
    Status status = Timeout;
    int bytes = 0;        // Report: bytes placed in the buffer, the report-ID byte included
    quint32 error = 0;    // Error: the platform's error code
};

// An open device interface. All calls come from the user-interface thread except read()
// and cancel(), which the reader thread and the stopping thread may call concurrently.
class HidConnection {
public:
    virtual ~HidConnection() = default;
    virtual bool attributes(HidAttributes& out) = 0;
    virtual bool productString(QString& out) = 0;
    virtual bool serialString(QString& out) = 0;
    // The string with USB string index `index`; index 0 is the list of language IDs.
    virtual bool indexedString(int index, QString& out) = 0;
    // Bytes of the longest input report, the report-ID byte included; 0 when unknown.
    virtual int inputReportLength() = 0;
    // Sends one feature report; data[0] is the report ID.
    virtual bool setFeature(const quint8* data, int length) = 0;
    // Waits up to timeoutMs for one input report. The buffer receives the report ID first,
    // also for devices that do not number their reports (then 0).
    virtual HidReadResult read(quint8* buffer, int length, int timeoutMs) = 0;
    // Ends a read in progress and makes every later read fail; callable from any thread.
    virtual void cancel() = 0;
};

class HidPlatform {
public:
    virtual ~HidPlatform() = default;
    // False when the system offers no HID access at all.
    virtual bool available() const { return true; }
    virtual std::vector<HidInterfaceInfo> enumerate() = 0;
    // Null on failure, with the platform's error code in *error when given.
    virtual std::unique_ptr<HidConnection> open(const QString& path, HidAccess access, int* error) = 0;
    // Called on the user-interface thread whenever the set of devices may have changed.
    // An empty handler removes the notification.
    virtual void setDeviceChangeHandler(std::function<void()> handler) = 0;
};
