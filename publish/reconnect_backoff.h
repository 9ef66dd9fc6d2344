#pragma once
// How long to wait before the next attempt to reach the broker: 1 s after the first failure,
// doubling to at most 60 s, each spread by up to a fifth either way so that many loggers that
// lost one broker do not all come back at the same moment.
#include <chrono>
#include <cstdint>
#include <random>

class ReconnectBackoff {
public:
    static constexpr std::chrono::milliseconds kFirst{1000};
    static constexpr std::chrono::milliseconds kMost{60000};

    explicit ReconnectBackoff(std::uint32_t seed = std::random_device{}()) : random_(seed) {}

    // The wait after one more failure.
    std::chrono::milliseconds next();
    // The broker refused (a login, a certificate): trying again soon would not change that.
    std::chrono::milliseconds afterRefusal();
    // Connected: the next failure waits the first delay again.
    void reset() { failures_ = 0; }

private:
    std::chrono::milliseconds spread(std::chrono::milliseconds base);

    int failures_ = 0;
    std::mt19937 random_;
};
