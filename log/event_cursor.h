#pragma once
// Walks a log's events beside its rows, for whatever writes both in one stream (an export, a
// recovered journal printed): events come in row order, those at the same row in the order
// they happened. Before a row with number n go the events marked before it (row < n), after it
// those marked at it; what is left (rows no longer there) goes at the end.
#include "log/record_events.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class EventCursor {
public:
    using Take = std::function<void(const RecordEvent&)>;

    // `count`: the first so many events of `events`, fixed when the walk starts.
    EventCursor(const RecordEvents& events, std::size_t count);
    explicit EventCursor(const RecordEvents& events) : EventCursor(events, events.size()) {}

    // Hands `take` every event not yet taken marked at a row below `no`, then (`inclusive`) at it.
    void takeBefore(std::int64_t no, const Take& take) { takeWhile(no, false, take); }
    void takeAt(std::int64_t no, const Take& take) { takeWhile(no, true, take); }
    void takeRest(const Take& take);
    bool done() const { return next_ == order_.size(); }

private:
    void takeWhile(std::int64_t no, bool inclusive, const Take& take);

    const RecordEvents& events_;
    std::vector<std::size_t> order_;   // indices into events_, by row, stable
    std::size_t next_ = 0;
};
