#include "log/event_cursor.h"

#include <algorithm>
#include <numeric>

EventCursor::EventCursor(const RecordEvents& events, std::size_t count)
    : events_(events), order_(std::min(count, events.size()))
{
    std::iota(order_.begin(), order_.end(), std::size_t(0));
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::size_t a, std::size_t b) { return events_.at(a).row < events_.at(b).row; });
}

void EventCursor::takeWhile(std::int64_t no, bool inclusive, const Take& take)
{
    while (next_ < order_.size()) {
        const RecordEvent& e = events_.at(order_[next_]);
        if (e.row > no || (!inclusive && e.row == no))
            return;
        ++next_;
        take(e);
    }
}

void EventCursor::takeRest(const Take& take)
{
    while (next_ < order_.size())
        take(events_.at(order_[next_++]));
}
