#include "log/record_events.h"

#include "log/log_table.h"

#include <algorithm>

void RecordEvents::append(RecordEvent event)
{
    if (events_.size() >= kMostEvents) {
        events_.pop_front();
        ++dropped_;
    }
    events_.push_back(std::move(event));
}

void RecordEvents::clear()
{
    events_.clear();
    dropped_ = 0;
}

std::vector<RecordEvent> RecordEvents::atRow(std::int64_t no) const
{
    std::vector<RecordEvent> found;
    for (const RecordEvent& e : events_)
        if (e.row == no)
            found.push_back(e);
    return found;
}

std::vector<std::int64_t> RecordEvents::markedRows() const
{
    std::vector<std::int64_t> rows;
    for (const RecordEvent& e : events_)
        if (rows.empty() || rows.back() != e.row)
            rows.push_back(e.row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::int64_t lastRowNo(const LogTable& table)
{
    const std::int64_t rows = table.rowCount();
    return rows > 0 ? table.integer(rows - 1, LogTable::No).value_or(qint32(rows)) : 0;
}

void placeEvent(RecordEvent& event, const LogTable& table, const QDateTime& now)
{
    if (event.row == 0)
        event.row = lastRowNo(table);
    if (!event.at.isValid())
        event.at = now;
}
