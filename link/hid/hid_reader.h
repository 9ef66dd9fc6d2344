#pragma once
// The reader thread of one HID device: keeps one read outstanding, and hands every report
// (or failed read start) to the user-interface thread, waiting until it has been handled.
#include "link/hid/hid_platform.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What the reader needs of its device.
class HidReaderHost {
public:
    virtual ~HidReaderHost() = default;
    // Reader thread: the read handle, opened if needed; null with an error code when the
    // device may not or cannot be opened.
    virtual std::shared_ptr<HidConnection> acquireReadHandle(quint32* error) = 0;
    // Reader thread: forget a read handle that failed, so the next attempt opens anew.
    virtual void dropReadHandle(const std::shared_ptr<HidConnection>& handle) = 0;
    virtual int readWaitMs() const = 0;
    // User-interface thread, during a hand-over.
    virtual void deliverReport(quint8 reportId, const quint8* data, quint16 size) = 0;
    virtual void deliverReadError(quint32 error) = 0;
};

class HidHandOverDispatcher;

class THidDeviceReadThread : public std::enable_shared_from_this<THidDeviceReadThread> {
public:
    // The buffer holds one whole input report, its report-ID byte included.
    static std::shared_ptr<THidDeviceReadThread> create(HidReaderHost& host, int bufferLength);
    ~THidDeviceReadThread();
    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

    void start();
    // User-interface thread: asks the reader to end and waits for it, carrying out any
    // hand-over it has pending meanwhile, so a reader blocked in a hand-over still ends.
    // Also safe from inside this reader's own hand-over.
    void stop();
    int bufferLength() const { return static_cast<int>(buffer_.size()); }

    // User-interface thread, called by the dispatcher: runs the pending hand-over's handler.
    void service();

private:
    THidDeviceReadThread(HidReaderHost& host, int bufferLength);

    struct HandOver {
        bool isError = false;
        quint8 reportId = 0;
        const quint8* data = nullptr;
        int size = 0;
        quint32 error = 0;
    };

    void run();
    bool stopRequested();
    void handOver(const HandOver& item);   // reader thread; returns once handled or stopping
    void pauseAfterError();                // reader thread

    HidReaderHost& host_;
    HidHandOverDispatcher* dispatcher_;   // lives in the user-interface thread
    std::vector<quint8> buffer_;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool ended_ = false;
    bool pending_ = false;   // a hand-over waits for the user-interface thread
    bool serving_ = false;   // the user-interface thread is running its handler
    HandOver item_;
};
