#pragma once
// Carries hand-overs of the HID readers to the user-interface thread. A reader queues
// itself here under a mutex and rings an event counter; a notifier on the dispatcher's
// thread hears it and serves every reader that is waiting. Nothing made on a reader's thread
// is handed to the event loop, so a race detector sees each step of the way.
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

    ~HidHandOverDispatcher() override;

private:
    explicit HidHandOverDispatcher(QObject* parent);
    void servePending();

    int bell_ = -1;   // an eventfd: readers add, the dispatcher drains
    std::mutex mutex_;
    std::deque<std::weak_ptr<THidDeviceReadThread>> waiting_;
};
