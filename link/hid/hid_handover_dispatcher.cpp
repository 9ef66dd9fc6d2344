#include "link/hid/hid_handover_dispatcher.h"

#include "link/hid/hid_reader.h"

#include <QCoreApplication>
#include <QDebug>
#include <QPointer>
#include <QSocketNotifier>

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

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

HidHandOverDispatcher::HidHandOverDispatcher(QObject* parent) : QObject(parent)
{
    bell_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (bell_ < 0)
        qFatal("HID hand-overs: no event counter: %s", qPrintable(qt_error_string(errno)));
    auto* notifier = new QSocketNotifier(bell_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { servePending(); });
}

HidHandOverDispatcher::~HidHandOverDispatcher()
{
    ::close(bell_);
}

void HidHandOverDispatcher::post(const std::weak_ptr<THidDeviceReadThread>& reader)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(reader);
    }
    // The ring carries nothing: the readers travel through the mutex above.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(bell_, &one, sizeof one);
}

void HidHandOverDispatcher::servePending()
{
    std::uint64_t rings = 0;
    [[maybe_unused]] const ssize_t n = ::read(bell_, &rings, sizeof rings);
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
