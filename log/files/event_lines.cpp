#include "log/files/event_lines.h"

#include "log/event_cursor.h"
#include "log/log_table.h"

void writeRowsWithEvents(const LogTable& table, const RecordEvents* events, const std::function<void(std::int64_t)>& row,
                         const std::function<void(const RecordEvent&)>& event, const std::function<void()>& pause)
{
    writeRowsWithEvents(table, 0, table.rowCount(), events, row, event, pause);
}

void writeRowsWithEvents(const LogTable& table, std::int64_t first, std::int64_t end, const RecordEvents* events,
                         const std::function<void(std::int64_t)>& row,
                         const std::function<void(const RecordEvent&)>& event, const std::function<void()>& pause)
{
    static const RecordEvents none;
    EventCursor cursor(events ? *events : none);
    for (std::int64_t r = first; r < end; ++r) {
        // A row without a number (a loaded file's) takes no events of its own.
        const std::optional<qint32> no = cursor.done() ? std::nullopt : table.integer(r, LogTable::No);
        if (no)
            cursor.takeBefore(*no, event);
        row(r);
        if (no)
            cursor.takeAt(*no, event);
        if (pause)
            pause();
    }
    cursor.takeRest(event);
}
