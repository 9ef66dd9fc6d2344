#pragma once
// The rows of a table with the log's events among them, in the order an export writes them:
// events marked before a row's number, the row, the events marked at it; events whose rows are
// gone at the end.
#include "log/record_event.h"

#include <cstdint>
#include <functional>

class LogTable;
class RecordEvents;

// `events` may be null: the rows alone. `pause` runs after each row, for a writer to flush.
void writeRowsWithEvents(const LogTable& table, const RecordEvents* events, const std::function<void(std::int64_t)>& row,
                         const std::function<void(const RecordEvent&)>& event, const std::function<void()>& pause = {});
// The same for the rows `first` to `end` (not included) alone, whose events `events` are.
void writeRowsWithEvents(const LogTable& table, std::int64_t first, std::int64_t end, const RecordEvents* events,
                         const std::function<void(std::int64_t)>& row,
                         const std::function<void(const RecordEvent&)>& event, const std::function<void()>& pause = {});
