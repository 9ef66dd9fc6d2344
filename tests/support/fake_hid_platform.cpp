#include "support/fake_hid_platform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

class FakeHidPlatform::Connection : public HidConnection {
public:
    Connection(FakeHidPlatform& platform, QString path) : platform_(platform), path_(std::move(path)) {}
    ~Connection() override
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        if (State* s = platform_.find(path_))
            --s->connections;
    }

    bool attributes(HidAttributes& out) override
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        const State* s = live();
        if (!s || !s->device.attributesReadable)
            return false;
        out = s->device.attributes;
        return true;
    }
    bool productString(QString& out) override { return text(&Device::product, out); }
    bool serialString(QString& out) override { return text(&Device::serial, out); }
    bool indexedString(int index, QString& out) override { return index == 0 && text(&Device::languages, out); }
    int inputReportLength() override
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        const State* s = live();
        return s ? s->device.inputReportLength : 0;
    }
    bool setFeature(const quint8* data, int length) override
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        State* s = live();
        if (!s || !s->device.featureAccepted || !s->device.readWrite)
            return false;
        s->features.emplace_back(reinterpret_cast<const char*>(data), length);
        return true;
    }
    HidReadResult read(quint8* buffer, int length, int timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(platform_.mutex_);
        if (State* s = platform_.find(path_)) {
            ++s->readCalls;
            s->lastTimeout = timeoutMs;
        }
        auto ready = [this] {
            const State* s = platform_.find(path_);
            return cancelled_ || !s || !s->present || !s->queue.empty();
        };
        platform_.changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
        HidReadResult r;
        State* s = platform_.find(path_);
        if (cancelled_ || !s || !s->present) {
            r.status = HidReadResult::Error;
            r.error = cancelled_ ? ECANCELED : ENODEV;
            return r;
        }
        if (s->queue.empty())
            return r;   // timeout
        Queued q = s->queue.front();
        s->queue.pop_front();
        ++s->taken;
        if (q.isError) {
            r.status = HidReadResult::Error;
            r.error = q.error;
            return r;
        }
        r.status = HidReadResult::Report;
        r.bytes = std::min(length, static_cast<int>(q.bytes.size()));
        if (r.bytes > 0)
            std::memcpy(buffer, q.bytes.constData(), static_cast<size_t>(r.bytes));
        return r;
    }
    void cancel() override
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        cancelled_ = true;
        platform_.changed_.notify_all();
    }

private:
    State* live()
    {
        State* s = platform_.find(path_);
        return (s && s->present && !cancelled_) ? s : nullptr;
    }
    bool text(std::optional<QString> Device::*field, QString& out)
    {
        std::lock_guard<std::mutex> lock(platform_.mutex_);
        const State* s = live();
        if (!s || !(s->device.*field))
            return false;
        out = *(s->device.*field);
        return true;
    }

    FakeHidPlatform& platform_;
    QString path_;
    bool cancelled_ = false;   // guarded by the platform's mutex
};

FakeHidPlatform::~FakeHidPlatform() = default;

FakeHidPlatform::State* FakeHidPlatform::find(const QString& path)
{
    for (State& s : states_)
        if (s.device.path == path)
            return &s;
    return nullptr;
}

const FakeHidPlatform::State* FakeHidPlatform::find(const QString& path) const
{
    for (const State& s : states_)
        if (s.device.path == path)
            return &s;
    return nullptr;
}

void FakeHidPlatform::plug(const Device& device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (State* s = find(device.path)) {
        const int connections = s->connections;
        *s = State{};
        s->device = device;
        s->connections = connections;
    } else {
        states_.push_back(State{});
        states_.back().device = device;
    }
    changed_.notify_all();
}

void FakeHidPlatform::unplug(const QString& path)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (State* s = find(path))
        s->present = false;
    changed_.notify_all();
}

void FakeHidPlatform::update(const Device& device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (State* s = find(device.path))
        s->device = device;
}

void FakeHidPlatform::fireDeviceChange()
{
    if (changeHandler_)
        changeHandler_();
}

void FakeHidPlatform::queueReport(const QString& path, const QByteArray& bytesWithReportId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (State* s = find(path))
        s->queue.push_back({bytesWithReportId, false, 0});
    changed_.notify_all();
}

void FakeHidPlatform::queueReadError(const QString& path, quint32 error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (State* s = find(path))
        s->queue.push_back({{}, true, error});
    changed_.notify_all();
}

std::vector<QByteArray> FakeHidPlatform::features(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? s->features : std::vector<QByteArray>{};
}

int FakeHidPlatform::reportsTaken(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? s->taken : 0;
}

int FakeHidPlatform::readCalls(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? s->readCalls : 0;
}

int FakeHidPlatform::lastReadTimeout(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? s->lastTimeout : 0;
}

int FakeHidPlatform::openConnections(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? s->connections : 0;
}

int FakeHidPlatform::pendingReports(const QString& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const State* s = find(path);
    return s ? static_cast<int>(s->queue.size()) : 0;
}

std::vector<HidInterfaceInfo> FakeHidPlatform::enumerate()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++enumerateCalls_;
    std::vector<HidInterfaceInfo> found;
    for (const State& s : states_)
        if (s.present)
            found.push_back({s.device.path, s.device.instanceId});
    return found;
}

std::unique_ptr<HidConnection> FakeHidPlatform::open(const QString& path, HidAccess access, int* error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    State* s = find(path);
    int failure = 0;
    if (!s || !s->present || !s->device.openable)
        failure = ENOENT;
    else if (access != HidAccess::None && !s->device.readWrite)
        failure = s->device.accessError;
    if (failure) {
        if (error)
            *error = failure;
        return nullptr;
    }
    ++s->connections;
    return std::make_unique<Connection>(*this, path);
}
