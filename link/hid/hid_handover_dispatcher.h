#pragma once
// Carries hand-overs of the HID readers to the user-interface thread. A reader queues
// itself here under a mutex and posts one queued call; the call runs on the thread the
// dispatcher lives in and serves every reader that is waiting.
#include <QObject>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class THidDeviceReadThread;

class HidHandOverDispatcher : public QObject {
    Q_OBJECT
public:
    // The dispatcher of the user-interface thread, made on first use; call it there.
    static HidHandOverDispatcher* instance();

    // Any thread: ask for reader->service() on the dispatcher's thread.
    void post(const std::weak_ptr<THidDeviceReadThread>& reader);

    // User-interface thread: the error guard that a hand-over's failed handler is passed to,
    // once its reader has been released. Without one the error is only logged.
    using ErrorGuard = std::function<void(std::exception_ptr)>;
    static void setErrorGuard(ErrorGuard guard);
    static void handlerFailed(std::exception_ptr error);

private:
    using QObject::QObject;
    void servePending();

    std::mutex mutex_;
    std::deque<std::weak_ptr<THidDeviceReadThread>> waiting_;
};
