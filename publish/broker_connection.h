#pragma once
// The connection to the broker, on a thread of its own: it connects (and after a failure
// connects again, waiting longer each time), says "online" on the availability topic with
// "offline" as its last will, sends the retained configurations after every connect, and
// empties the outgoing queue as fast as the broker takes it. The reading's thread only ever
// pushes on the queue, so a broker that is down, slow or refuses never holds it up.
#include "publish/broker_settings.h"
#include "publish/outgoing_queue.h"
#include "publish/publish_messages.h"
#include "publish/publish_status.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class BrokerConnection {
public:
    static constexpr std::size_t kDefaultCapacity = 10000;   // ten minutes of a meter's readings

    struct Setup {
        BrokerAddress address;
        BrokerSettings settings;   // with defaults filled in
        PublishTopics topics;
        std::size_t capacity = kDefaultCapacity;
        // Called on the connection's thread whenever the status changes, never after stop().
        std::function<void(const PublishStatus&)> statusChanged;
    };
    explicit BrokerConnection(Setup setup);
    ~BrokerConnection();
    BrokerConnection(const BrokerConnection&) = delete;
    BrokerConnection& operator=(const BrokerConnection&) = delete;

    OutgoingQueue& queue();

    struct Ending {
        bool flushed = false;        // every reading went out, and "offline" was taken
        std::uint64_t dropped = 0;   // readings given up over the whole run, those still waiting too
    };
    // Sends what waits and "offline" for at most `flushFor`, then disconnects. Returns within
    // about `flushFor` and a second, whatever the network does.
    Ending stop(std::chrono::milliseconds flushFor = std::chrono::milliseconds(2000));

    // What the thread and this object share; the thread keeps it alive until it ends.
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    bool stopped_ = false;
    Ending ending_;
};
