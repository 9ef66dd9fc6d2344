#pragma once
// The written forms of analysis records, in this column order:
//   no, timestamp, time, function, value, unit, value_si, si_unit, range, judge, display
// and "indicators" after them for decoded readings.
// CSV: comma-separated UTF-8, each line ending in CR LF; a field is quoted only when it holds
// a comma, a double quote, CR or LF, with "" for a quote inside. Missing values are empty.
// JSON Lines: one object a line with the same keys; no, value and value_si as numbers, null
// where the CSV field is empty, the indicators as an array of names.
#include "log/files/analysis_record.h"
#include "log/record_event.h"

#include <string>

// One CSV field as the records write it (quoted when it must be, never run as a formula);
// one JSON string with its quotes and escapes.
void appendCsvField(std::string& out, const QString& text);
void appendJsonString(std::string& out, const QString& text);

// "1.234", "-6001", "0.1": the shortest decimal text that reads back to the same double.
std::string shortestNumberText(double value);

// `withEvents`: an "event" column after the others, for a record that carries events.
void appendCsvHeader(std::string& out, bool withIndicators, bool withEvents = false);
void appendCsvRecord(std::string& out, const AnalysisRecord& record);
// The same under a header with the "event" column: the row leaves it empty.
void appendCsvRecord(std::string& out, const AnalysisRecord& record, bool withEvents);
void appendJsonRecord(std::string& out, const AnalysisRecord& record);

// An event as a line of its own among the rows. CSV: "no" is the row it is marked at (empty
// before the first), "timestamp" and "time" its own, the reading's columns (and "indicators")
// empty, and eventText() in the "event" column. JSON Lines:
//   {"event":"alarm raised","timestamp":"…","no":12,"channel":"u","rule":"u > 5","text":"12.6 V"}
// with null for what the event has not.
void appendCsvEvent(std::string& out, const RecordEvent& event, bool withIndicators);
void appendJsonEvent(std::string& out, const RecordEvent& event);
