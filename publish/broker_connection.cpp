#include "publish/broker_connection.h"

#include "publish/reconnect_backoff.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr milliseconds kConnectTimeout{10000};
constexpr std::size_t kInFlightMost = 512;   // written to the socket or waiting for it

void initLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

struct BrokerConnection::Shared {
    explicit Shared(Setup s) : setup(std::move(s)), queue(setup.capacity) {}
    Setup setup;
    OutgoingQueue queue;

    std::mutex mutex;                 // guards what follows
    std::condition_variable finishedChanged;
    milliseconds flushFor{2000};
    bool silenced = false;            // stop() no longer wants status calls
    bool finished = false;
    Ending ending;

    void say(const PublishStatus& status)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!silenced && setup.statusChanged)
            setup.statusChanged(status);
    }
};

namespace {

// Runs on the connection's thread; libmosquitto's callbacks come on it too (its own loop is
// never started), so nothing here needs a lock but the queue's and the status's.
class ConnectionWorker {
public:
    explicit ConnectionWorker(BrokerConnection::Shared& shared)
        : shared_(shared), setup_(shared.setup), queue_(shared.queue)
    {
        broker_ = QStringLiteral("%1:%2").arg(setup_.address.host).arg(setup_.address.port);
        host_ = setup_.address.host.toUtf8();
    }

    void run()
    {
        if (!setUp())
            phase_ = Phase::Waiting;
        while (!queue_.stopRequested())
            step();
        finish();
        mosquitto_destroy(mosq_);
    }

private:
    enum class Phase { Waiting, Connecting, Connected };

    bool setUp();
    void step();
    void attempt();
    void pump(int timeoutMs);
    void send();
    void finish();
    void fail(PublishStatus::State state, const QString& reason, milliseconds wait);
    void failWith(int rc, int savedErrno);
    bool publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain, bool reading);
    void say(PublishStatus::State state, const QString& reason = QString());
    void sayDrops();

    static void onConnect(mosquitto*, void* self, int rc) { static_cast<ConnectionWorker*>(self)->connackCode_ = rc; }
    static void onPublish(mosquitto*, void* self, int mid) { static_cast<ConnectionWorker*>(self)->published(mid); }
    static void onMessage(mosquitto*, void* self, const mosquitto_message* m);
    static void onLog(mosquitto*, void* self, int level, const char* text)
    {
        if (level == MOSQ_LOG_ERR)
            static_cast<ConnectionWorker*>(self)->lastLibraryError_ = QString::fromUtf8(text);
    }
    std::size_t inFlight() const { return readingMids_.size() + otherMids_.size(); }
    // Readings wait and the library has room for them: the loop need not wait for the socket.
    bool moreToSend() const { return queue_.readingsWaiting() > 0 && inFlight() < kInFlightMost; }
    void published(int mid)
    {
        if (!readingMids_.erase(mid) && !otherMids_.erase(mid))
            doneEarly_.insert(mid);   // written before mosquitto_publish handed back its id
    }

    BrokerConnection::Shared& shared_;
    const BrokerConnection::Setup& setup_;
    OutgoingQueue& queue_;
    QString broker_;
    QByteArray host_;
    mosquitto* mosq_ = nullptr;
    Phase phase_ = Phase::Waiting;
    Clock::time_point nextAttempt_ = Clock::now();
    Clock::time_point connectDeadline_;
    Clock::time_point dropsSaidAt_;
    ReconnectBackoff backoff_;
    int connackCode_ = -1;            // set by the CONNACK callback
    QString lastLibraryError_;        // the library's last error line (TLS: OpenSSL's words)
    std::set<int> readingMids_, otherMids_, doneEarly_;
    PublishStatus said_;
    bool saidOnce_ = false;
};

bool ConnectionWorker::setUp()
{
    initLibraryOnce();
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        say(PublishStatus::State::Refused, QStringLiteral("the MQTT library could not start: %1").arg(std::strerror(errno)));
        nextAttempt_ = Clock::time_point::max();
        return false;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, &ConnectionWorker::onConnect);
    mosquitto_publish_callback_set(mosq_, &ConnectionWorker::onPublish);
    mosquitto_message_callback_set(mosq_, &ConnectionWorker::onMessage);
    mosquitto_log_callback_set(mosq_, &ConnectionWorker::onLog);
    const QByteArray& availability = setup_.topics.availability;
    mosquitto_will_set(mosq_, availability.constData(), int(kOffline.size()), kOffline.constData(), 1, true);
    const QByteArray user = setup_.settings.user.toUtf8();
    const QByteArray password = setup_.settings.password.toUtf8();
    if (!user.isEmpty())
        mosquitto_username_pw_set(mosq_, user.constData(), password.isEmpty() ? nullptr : password.constData());
    if (setup_.address.tls) {
        const QByteArray ca = setup_.settings.caFile.toLocal8Bit();
        const int rc = ca.isEmpty() ? mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                                    : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            say(PublishStatus::State::Refused, QStringLiteral("TLS set-up failed: %1").arg(mosquitto_strerror(rc)));
            nextAttempt_ = Clock::time_point::max();
            return false;
        }
    }
    say(PublishStatus::State::Connecting);
    return true;
}

void ConnectionWorker::step()
{
    if (phase_ == Phase::Waiting) {
        // In steps of a second at most, so that the drops are told while the broker is away.
        queue_.waitForStop(std::min(nextAttempt_, Clock::now() + milliseconds(1000)));
        sayDrops();
        if (!queue_.stopRequested() && Clock::now() >= nextAttempt_)
            attempt();
        return;
    }
    if (phase_ == Phase::Connected)
        send();
    // With the library's window full, the loop waits for the socket to take more rather than spin.
    pump(phase_ == Phase::Connected && moreToSend() ? 0 : 20);
    if (phase_ == Phase::Connecting && Clock::now() > connectDeadline_)
        fail(PublishStatus::State::Unreachable, QStringLiteral("no answer within 10 s"), backoff_.next());
    sayDrops();
}

void ConnectionWorker::attempt()
{
    errno = 0;
    lastLibraryError_.clear();
    connackCode_ = -1;
    const int rc = mosquitto_connect_async(mosq_, host_.constData(), setup_.address.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        failWith(rc, errno);
        return;
    }
    phase_ = Phase::Connecting;
    connectDeadline_ = Clock::now() + kConnectTimeout;
}

void ConnectionWorker::pump(int timeoutMs)
{
    errno = 0;
    const int rc = mosquitto_loop(mosq_, timeoutMs, 1);
    const int savedErrno = errno;
    if (phase_ == Phase::Connecting && connackCode_ == 0) {
        phase_ = Phase::Connected;
        backoff_.reset();
        publish(setup_.topics.availability, kOnline, 1, true, false);
        if (!setup_.topics.discoveryStatus.isEmpty())
            mosquitto_subscribe(mosq_, nullptr, setup_.topics.discoveryStatus.constData(), 1);
        queue_.resendRetained();
        say(PublishStatus::State::Connected);
    }
    if (connackCode_ > 0) {
        // The broker answered, and said no: the same login would be refused again at once.
        fail(PublishStatus::State::Refused, QString::fromUtf8(mosquitto_connack_string(connackCode_)),
             backoff_.afterRefusal());
        return;
    }
    if (rc != MOSQ_ERR_SUCCESS)
        failWith(rc, savedErrno);
}

void ConnectionWorker::failWith(int rc, int savedErrno)
{
    if (rc == MOSQ_ERR_TLS || rc == MOSQ_ERR_TLS_HANDSHAKE) {
        fail(PublishStatus::State::Refused,
             QStringLiteral("TLS failed: ") + (lastLibraryError_.isEmpty() ? QString::fromUtf8(mosquitto_strerror(rc)) : lastLibraryError_),
             backoff_.afterRefusal());
        return;
    }
    const QString why = rc == MOSQ_ERR_ERRNO && savedErrno ? QString::fromLocal8Bit(std::strerror(savedErrno))
                        : rc == MOSQ_ERR_CONN_LOST && phase_ == Phase::Connected ? QStringLiteral("connection lost")
                                                                                 : QString::fromUtf8(mosquitto_strerror(rc));
    fail(PublishStatus::State::Unreachable, why, backoff_.next());
}

void ConnectionWorker::send()
{
    const std::size_t held = inFlight();
    if (held >= kInFlightMost)
        return;   // the broker is slow: the queue holds the rest, and drops its oldest when full
    OutgoingQueue::Batch batch = queue_.take(kInFlightMost - held);
    for (const auto& [topic, payload] : batch.retained)
        if (!publish(topic, payload, 1, true, false))
            return queue_.resendRetained();
    for (std::size_t i = 0; i < batch.readings.size(); ++i) {
        const OutgoingReading& r = batch.readings[i];
        if (!publish(r.topic, r.payload, 0, false, true)) {
            queue_.countLost(batch.readings.size() - i);
            return;
        }
    }
    // Of a batch, only each channel's newest is its state.
    std::vector<const OutgoingReading*> newest;
    for (auto r = batch.readings.rbegin(); r != batch.readings.rend(); ++r) {
        const bool seen = std::any_of(newest.begin(), newest.end(),
                                      [&](const OutgoingReading* n) { return n->stateTopic == r->stateTopic; });
        if (!seen)
            newest.push_back(&*r);
    }
    for (auto n = newest.rbegin(); n != newest.rend(); ++n)
        publish((*n)->stateTopic, (*n)->payload, 0, true, false);
}

bool ConnectionWorker::publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain, bool reading)
{
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, topic.constData(), int(payload.size()), payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    if (!doneEarly_.erase(mid))
        (reading ? readingMids_ : otherMids_).insert(mid);
    return true;
}

void ConnectionWorker::onMessage(mosquitto*, void* self, const mosquitto_message* m)
{
    auto* w = static_cast<ConnectionWorker*>(self);
    // The home system started again and forgot what it was told: the configurations go again.
    const QByteArray payload(static_cast<const char*>(m->payload), m->payloadlen);
    if (m->topic && w->setup_.topics.discoveryStatus == m->topic && payload == kOnline)
        w->queue_.resendRetained();
}

void ConnectionWorker::fail(PublishStatus::State state, const QString& reason, milliseconds wait)
{
    mosquitto_disconnect(mosq_);
    // QoS 0 readings the library still held are gone with the connection.
    queue_.countLost(readingMids_.size());
    readingMids_.clear();
    otherMids_.clear();
    doneEarly_.clear();
    connackCode_ = -1;
    phase_ = Phase::Waiting;
    nextAttempt_ = Clock::now() + wait;
    say(state, reason);
}

void ConnectionWorker::finish()
{
    milliseconds flushFor;
    {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        flushFor = shared_.flushFor;
    }
    const Clock::time_point deadline = Clock::now() + flushFor;
    // A short run may end before its first connection is made: it is waited for, not given up.
    while (phase_ == Phase::Connecting && Clock::now() < deadline)
        pump(20);
    while (phase_ == Phase::Connected && queue_.readingsWaiting() > 0 && Clock::now() < deadline) {
        send();
        pump(moreToSend() ? 0 : 20);
    }
    send();
    bool offlineSent = false;
    if (phase_ == Phase::Connected && publish(setup_.topics.availability, kOffline, 1, true, false)) {
        while (phase_ == Phase::Connected && !(readingMids_.empty() && otherMids_.empty()) && Clock::now() < deadline)
            pump(20);
        offlineSent = phase_ == Phase::Connected && otherMids_.empty();
        mosquitto_disconnect(mosq_);
        mosquitto_loop(mosq_, 0, 1);
    }
    const std::uint64_t unsent = queue_.readingsWaiting() + readingMids_.size();
    BrokerConnection::Ending ending;
    ending.flushed = offlineSent && unsent == 0;
    ending.dropped = queue_.dropped() + unsent;
    const std::lock_guard<std::mutex> lock(shared_.mutex);
    shared_.ending = ending;
    shared_.finished = true;
    shared_.finishedChanged.notify_all();
}

void ConnectionWorker::say(PublishStatus::State state, const QString& reason)
{
    PublishStatus status{state, broker_, reason, queue_.dropped()};
    if (saidOnce_ && status == said_)
        return;
    saidOnce_ = true;
    said_ = status;
    dropsSaidAt_ = Clock::now();
    shared_.say(status);
}

void ConnectionWorker::sayDrops()
{
    // Drops are told at most once a second: while the broker is away they change with every reading.
    if (queue_.dropped() != said_.dropped && Clock::now() - dropsSaidAt_ >= milliseconds(1000))
        say(said_.state, said_.reason);
}

} // namespace

BrokerConnection::BrokerConnection(Setup setup) : shared_(std::make_shared<Shared>(std::move(setup)))
{
    thread_ = std::thread([shared = shared_] { ConnectionWorker(*shared).run(); });
}

BrokerConnection::~BrokerConnection() { stop(); }

OutgoingQueue& BrokerConnection::queue() { return shared_->queue; }

BrokerConnection::Ending BrokerConnection::stop(milliseconds flushFor)
{
    if (stopped_)
        return ending_;
    stopped_ = true;
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->flushFor = flushFor;
        shared_->silenced = true;
    }
    shared_->queue.requestStop();
    std::unique_lock<std::mutex> lock(shared_->mutex);
    // A name lookup can outlast any flush: then the thread is left to end by itself, with the
    // state it shares.
    if (shared_->finishedChanged.wait_for(lock, flushFor + milliseconds(1000), [this] { return shared_->finished; })) {
        ending_ = shared_->ending;
        lock.unlock();
        thread_.join();
    } else {
        ending_.dropped = shared_->queue.dropped() + shared_->queue.readingsWaiting();
        lock.unlock();
        thread_.detach();
    }
    return ending_;
}
