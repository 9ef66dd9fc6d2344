#include "app/event_record.h"

#include "log/log_table.h"
#include "reading/locale_clock.h"

EventRecord::EventRecord(const LogTable& table, const LocaleClock& clock, QObject* parent)
    : QObject(parent), table_(table), clock_(clock)
{
}

std::int64_t EventRecord::currentRow() const { return lastRowNo(table_); }

void EventRecord::useRecord(Sink sink, const RecordEvents& events)
{
    sink_ = std::move(sink);
    events_ = &events;
    own_.clear();
    emit eventsCleared();
}

void EventRecord::add(RecordEvent event)
{
    placeEvent(event, table_, clock_.now());
    if (sink_)
        return sink_(std::move(event));
    own_.append(event);
    emit eventAdded(event);
}

bool EventRecord::addNote(const QString& text)
{
    const QString note = text.trimmed();
    if (note.isEmpty())
        return false;
    RecordEvent event;
    event.kind = EventKind::Note;
    event.text = note;
    add(std::move(event));
    return true;
}

void EventRecord::logCleared()
{
    own_.clear();
    emit eventsCleared();
}
