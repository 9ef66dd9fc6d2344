#include "link/hid/hid_handover_dispatcher.h"

#include "link/hid/hid_reader.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaObject>
#include <QPointer>

namespace {
HidHandOverDispatcher::ErrorGuard& errorGuard()
{
    static HidHandOverDispatcher::ErrorGuard guard;
    return guard;
}
} // namespace

void HidHandOverDispatcher::setErrorGuard(ErrorGuard guard)
{
    errorGuard() = std::move(guard);
}

void HidHandOverDispatcher::handlerFailed(std::exception_ptr error)
{
    if (errorGuard()) {
        errorGuard()(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        qWarning("HID input handler failed: %s", e.what());
    } catch (...) {
        qWarning("HID input handler failed");
    }
}

HidHandOverDispatcher* HidHandOverDispatcher::instance()
{
    static QPointer<HidHandOverDispatcher> dispatcher;
    if (!dispatcher)
        dispatcher = new HidHandOverDispatcher(QCoreApplication::instance());
    return dispatcher;
}

void HidHandOverDispatcher::post(const std::weak_ptr<THidDeviceReadThread>& reader)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(reader);
    }
    // The call carries nothing: the readers travel through the mutex above.
    QMetaObject::invokeMethod(this, [this] { servePending(); }, Qt::QueuedConnection);
}

void HidHandOverDispatcher::servePending()
{
    std::deque<std::weak_ptr<THidDeviceReadThread>> now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        now.swap(waiting_);
    }
    for (const auto& weak : now) {
        if (auto reader = weak.lock())
            reader->service();
    }
}
