#pragma once
// A scripted HID platform: devices that come and go, strings, access rights, input
// reports, read errors and recorded feature reports. Reads may come from reader threads.
#include "link/hid/hid_platform.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

class FakeHidPlatform : public HidPlatform {
public:
    struct Device {
        QString path;
        quint32 instanceId = 0;
        HidAttributes attributes;
        bool attributesReadable = true;
        std::optional<QString> product;
        std::optional<QString> serial;
        std::optional<QString> languages;        // string 0
        bool openable = true;                    // false: not even without access rights
        bool readWrite = true;                   // may be opened for reading and writing
        int accessError = 13;                    // errno given when readWrite is false (EACCES)
        int inputReportLength = 9;
        bool featureAccepted = true;
    };

    FakeHidPlatform() = default;
    ~FakeHidPlatform() override;

    // Script, from the test's (user-interface) thread.
    void setAvailable(bool available) { available_ = available; }
    void plug(const Device& device);                 // present from now on, at the end of the scan
    void unplug(const QString& path);                // gone; reads on it fail from now on
    void update(const Device& device);               // changes a present device's properties
    void fireDeviceChange();                         // as the system announces a change
    bool hasDeviceChangeHandler() const { return static_cast<bool>(changeHandler_); }

    void queueReport(const QString& path, const QByteArray& bytesWithReportId);
    void queueReadError(const QString& path, quint32 error);

    // Observations.
    std::vector<QByteArray> features(const QString& path) const;
    int reportsTaken(const QString& path) const;    // reports and errors handed to reads
    int readCalls(const QString& path) const;
    int lastReadTimeout(const QString& path) const;
    int openConnections(const QString& path) const;
    int pendingReports(const QString& path) const;
    int enumerateCalls() const { return enumerateCalls_; }

    // HidPlatform
    bool available() const override { return available_; }
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access, int* error) override;
    void setDeviceChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }

private:
    class Connection;
    struct Queued {
        QByteArray bytes;
        bool isError = false;
        quint32 error = 0;
    };
    struct State {
        Device device;
        bool present = true;
        std::deque<Queued> queue;
        std::vector<QByteArray> features;
        int taken = 0;
        int readCalls = 0;
        int lastTimeout = 0;
        int connections = 0;
    };

    State* find(const QString& path);
    const State* find(const QString& path) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<State> states_;       // stable addresses; plug order is scan order
    bool available_ = true;
    int enumerateCalls_ = 0;
    std::function<void()> changeHandler_;
};
