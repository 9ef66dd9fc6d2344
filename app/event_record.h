#pragma once
// The window's side of the record's events (alarms, acknowledgements, notes): one place that
// takes an event, marks it at the log's current row with the clock's time, and hands it on,
// and one list the marks in the grid, the chart and the recorder read back.
//
// The log's own list of events lives with the reading pipeline, which journals and exports
// them. Until the window hands this record the pipeline's sink and list (useRecord), it keeps
// the events itself, so the window's parts and their tests work alike either way.
#include "log/record_events.h"

#include <QObject>

#include <cstdint>
#include <functional>

class LocaleClock;
class LogTable;

class EventRecord : public QObject {
    Q_OBJECT
public:
    using Sink = std::function<void(RecordEvent)>;

    // `table` is the log the events are marked in; both outlive the record.
    EventRecord(const LogTable& table, const LocaleClock& clock, QObject* parent = nullptr);

    // The events go to `sink` from now on and are read from `events`, both the pipeline's; its
    // signal of an added event is to be connected to eventRecorded.
    void useRecord(Sink sink, const RecordEvents& events);

    // An event of the window. A row of 0 or a time left invalid is filled with the current one.
    void add(RecordEvent event);
    // The user's note at the current row; a blank text stores nothing.
    bool addNote(const QString& text);
    // The No. of the log's last row; 0 before the first.
    std::int64_t currentRow() const;

    const RecordEvents& events() const { return *events_; }
    // The log was emptied or replaced: so are its events (the own list's; the pipeline clears its own).
    void logCleared();

public slots:
    // An event the record took, to tell the marks.
    void eventRecorded(const RecordEvent& event) { emit eventAdded(event); }

signals:
    void eventAdded(const RecordEvent& event);
    void eventsCleared();

private:
    const LogTable& table_;
    const LocaleClock& clock_;
    RecordEvents own_;
    Sink sink_;
    const RecordEvents* events_ = &own_;
};
