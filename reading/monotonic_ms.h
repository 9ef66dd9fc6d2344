#pragma once
// Milliseconds on one monotonic clock for the whole program, counted from its first use: the
// gaps that limit floods (alarm commands, notes) are measured on it, so a changed system time
// neither blocks them nor lets a flood through.
#include <QElapsedTimer>

#include <cstdint>

inline std::int64_t monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}
