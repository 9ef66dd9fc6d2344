#pragma once
// The events of one log beside its rows (alarms, links, the safety copy, notes), in the order
// they happened, each marked at the row number it happened after. Bounded: past kMostEvents
// the oldest go and are counted, so a rule that fires a thousand times a second cannot
// exhaust memory. Plain data; its owner tells front ends when it changed.
#include "log/record_event.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class LogTable;
class QDateTime;

// The No. of the table's last row; 0 before the first.
std::int64_t lastRowNo(const LogTable& table);
// An event left without a row (0) or a time (invalid) is marked at the table's last row, at `now`.
void placeEvent(RecordEvent& event, const LogTable& table, const QDateTime& now);

class RecordEvents {
public:
    static constexpr std::size_t kMostEvents = 100000;

    void append(RecordEvent event);
    void clear();

    std::size_t size() const { return events_.size(); }
    bool empty() const { return events_.empty(); }
    const RecordEvent& at(std::size_t index) const { return events_[index]; }
    // Events left out since the last clear() because there were more than kMostEvents.
    std::int64_t dropped() const { return dropped_; }

    // The events marked at row number `no` (the row's No, from 1; 0: before the first row).
    std::vector<RecordEvent> atRow(std::int64_t no) const;
    // The row numbers that carry at least one event, ascending, each once.
    std::vector<std::int64_t> markedRows() const;

private:
    std::deque<RecordEvent> events_;
    std::int64_t dropped_ = 0;
};
