#pragma once
// What waits for the broker: readings in a bounded queue (the oldest dropped when it is full,
// and counted), and the retained configurations, which are never dropped and go out again
// after every connect. Filled by the reading's thread, emptied by the connection's; a mutex
// and a condition variable are all they share.
#include <QByteArray>

#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// A reading's message and where it goes: a meter publishes on one reading topic and one state
// topic, a session of several meters on a pair per channel.
struct OutgoingReading {
    QByteArray topic;        // every reading, not retained
    QByteArray stateTopic;   // the newest reading of its channel, retained
    QByteArray payload;
};

class OutgoingQueue {
public:
    explicit OutgoingQueue(std::size_t capacity) : capacity_(capacity) {}

    // Never blocks for longer than the lock: a full queue drops its oldest reading.
    void pushReading(OutgoingReading reading);
    // A retained message that replaces the last one on `topic`; sent at the next chance.
    void setRetained(const QByteArray& topic, const QByteArray& payload);
    // Every retained message goes out again (after a connect, or when asked for).
    void resendRetained();

    struct Batch {
        std::vector<OutgoingReading> readings;
        std::vector<std::pair<QByteArray, QByteArray>> retained;   // topic, payload
        bool empty() const { return readings.empty() && retained.empty(); }
    };
    // Up to `most` readings, and the retained messages not yet sent; never waits.
    Batch take(std::size_t most);
    // Waits until a stop was asked for or `until`.
    void waitForStop(std::chrono::steady_clock::time_point until);

    void requestStop();
    bool stopRequested() const;
    // Readings given up: dropped for room, or lost with a connection.
    std::uint64_t dropped() const;
    void countLost(std::uint64_t readings);
    std::size_t readingsWaiting() const;

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<OutgoingReading> readings_;
    std::map<QByteArray, std::pair<QByteArray, bool>> retained_;   // topic: payload, sent
    std::uint64_t dropped_ = 0;
    bool stop_ = false;
};
