#include "link/hid/hid_reader.h"

#include "link/hid/hid_handover_dispatcher.h"

#include <algorithm>
#include <chrono>
#include <exception>

std::shared_ptr<THidDeviceReadThread> THidDeviceReadThread::create(HidReaderHost& host, int bufferLength)
{
    return std::shared_ptr<THidDeviceReadThread>(new THidDeviceReadThread(host, bufferLength));
}

THidDeviceReadThread::THidDeviceReadThread(HidReaderHost& host, int bufferLength)
    : host_(host), dispatcher_(HidHandOverDispatcher::instance()), buffer_(static_cast<size_t>(std::max(bufferLength, 1)))
{
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
            pending_ = false;
        }
        changed_.notify_all();
        thread_.join();
    }
}

void THidDeviceReadThread::start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

bool THidDeviceReadThread::stopRequested()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
}

void THidDeviceReadThread::run()
{
    while (!stopRequested()) {
        std::fill(buffer_.begin(), buffer_.end(), quint8(0));
        quint32 error = 0;
        const std::shared_ptr<HidConnection> handle = host_.acquireReadHandle(&error);
        if (!handle) {
            handOver({true, 0, nullptr, 0, error});
            pauseAfterError();
            continue;
        }
        HidReadResult result;
        bool stopping = false;
        for (;;) {
            result = handle->read(buffer_.data(), bufferLength(), host_.readWaitMs());
            // A stop is obeyed even when the read has just completed.
            if (stopRequested()) {
                stopping = true;
                break;
            }
            if (result.status != HidReadResult::Timeout)
                break;
        }
        if (stopping)
            break;
        if (result.status == HidReadResult::Error) {
            host_.dropReadHandle(handle);
            handOver({true, 0, nullptr, 0, result.error});
            pauseAfterError();
            continue;
        }
        const int bytes = std::min(result.bytes, bufferLength());
        if (bytes <= 0)
            continue;
        handOver({false, buffer_[0], buffer_.data() + 1, bytes - 1, 0});
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

void THidDeviceReadThread::handOver(const HandOver& item)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_)
            return;
        item_ = item;
        pending_ = true;
    }
    if (dispatcher_)
        dispatcher_->post(weak_from_this());
    std::unique_lock<std::mutex> lock(mutex_);
    // Without an application object nobody could serve it; only a stop releases it then.
    changed_.wait(lock, [this] { return !pending_; });
}

void THidDeviceReadThread::pauseAfterError()
{
    // A device that keeps failing is retried at the pace of the wait slice, not in a spin.
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(host_.readWaitMs()), [this] { return stop_; });
}

void THidDeviceReadThread::service()
{
    HandOver item;
    std::vector<quint8> copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!pending_ || serving_)
            return;
        serving_ = true;
        item = item_;
        // The handler works on a copy, so a stop from inside it may let the reader go on.
        if (!item.isError && item.size > 0)
            copy.assign(item.data, item.data + item.size);
    }
    std::shared_ptr<THidDeviceReadThread> keepAlive = shared_from_this();
    std::exception_ptr failure;
    try {
        if (item.isError)
            host_.deliverReadError(item.error);
        else
            host_.deliverReport(item.reportId, copy.data(), static_cast<quint16>(item.size));
    } catch (...) {
        failure = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = false;
        serving_ = false;
    }
    changed_.notify_all();
    // The reader goes on; the error box (which runs the event loop) comes after its release.
    if (failure)
        HidHandOverDispatcher::handlerFailed(failure);
}

void THidDeviceReadThread::stop()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        stop_ = true;
        // Stopped from inside its own hand-over: that hand-over counts as done.
        if (serving_)
            pending_ = false;
        changed_.notify_all();
        if (thread_.joinable()) {
            while (!ended_) {
                if (pending_ && !serving_) {
                    lock.unlock();
                    service();
                    lock.lock();
                    continue;
                }
                changed_.wait(lock);
            }
        }
    }
    if (thread_.joinable())
        thread_.join();
}
