#pragma once
// Something that happened during a recording, kept beside its rows: an alarm raised, cleared
// or acknowledged, a link lost or back, the safety copy stopped or started, a note typed by
// the user. The journal keeps events next to the rows, so a restore gives both back; CSV and
// JSON Lines export them; the table files keep their seven fields and carry none.
#include <QDateTime>
#include <QString>

#include <cstdint>

enum class EventKind {
    AlarmRaised,
    AlarmCleared,
    AlarmAcknowledged,
    LinkLost,
    LinkBack,
    SafetyCopyStopped,
    SafetyCopyStarted,
    Note,
};

struct RecordEvent {
    EventKind kind = EventKind::Note;
    QDateTime at;            // by the session's clock, local with its UTC offset
    QString channel;         // the channel it concerns; empty: the window's or a single meter
    // The number (No) of the channel's last row logged when it happened, so it is marked at
    // that row; 0 before the first row.
    std::int64_t row = 0;
    QString rule;            // an alarm's rule as the user wrote it; empty for other kinds
    QString text;            // a note's text; an alarm's reading ("12.6 V"); a link's port
};

// The event's kind as every written form names it: "alarm raised", "alarm cleared",
// "alarm acknowledged", "link lost", "link back", "safety copy stopped",
// "safety copy started", "note".
QString eventKindText(EventKind kind);
// One line for people: "alarm raised: u > 5 (12.6 V)", "note: fan switched on",
// "link lost: COM2".
QString eventText(const RecordEvent& event);
