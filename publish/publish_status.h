#pragma once
// What the publisher says to the front ends: whether the broker is reached, why not, and how
// many readings it had to give up. The words are made here, once, for the window's top bar and
// meter-read's standard error alike.
#include <QString>

#include <cstdint>

struct PublishStatus {
    enum class State {
        Connecting,    // the first attempt is under way
        Connected,
        Unreachable,   // no connection or it was lost; tried again with a growing delay
        Refused,       // the broker refused the login, or the certificate did not hold
    };
    State state = State::Connecting;
    QString broker;              // "127.0.0.1:1883"
    QString reason;              // Unreachable, Refused: the system's or the broker's words
    std::uint64_t dropped = 0;   // readings given up since the start

    bool operator==(const PublishStatus& o) const
    {
        return state == o.state && broker == o.broker && reason == o.reason && dropped == o.dropped;
    }
    bool operator!=(const PublishStatus& o) const { return !(*this == o); }
};

// "MQTT: broker 127.0.0.1:1883 unreachable (Connection refused); trying again",
// "MQTT: publishing to 127.0.0.1:1883; 52 readings dropped", ...
QString publishStatusText(const PublishStatus& status);
