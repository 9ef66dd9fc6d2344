#include "app/event_record.h"

#include "reading/locale_clock.h"

EventRecord::EventRecord(CurrentRow currentRow, const LocaleClock& clock, QObject* parent)
    : QObject(parent), currentRow_(std::move(currentRow)), clock_(clock)
{
}

void EventRecord::useRecord(Sink sink, const RecordEvents& events)
{
    sink_ = std::move(sink);
    events_ = &events;
    own_.clear();
    emit eventsCleared();
}

void EventRecord::add(RecordEvent event)
{
    if (event.row <= 0)
        event.row = currentRow_();
    if (!event.at.isValid())
        event.at = clock_.now();
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
