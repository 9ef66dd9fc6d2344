#pragma once
// An event as meter-read prints it among the rows, in each format: TSV a comment line
//   # event<TAB>kind<TAB>time<TAB>channel<TAB>rule<TAB>text
// (also in the line protocol, whose readers skip lines starting with '#'), CSV the analysis
// line of log/files/analysis_format.h under a header with the "event" column, JSON Lines an
// object with an "event" key.
#include "log/record_event.h"
#include "tools/meter-read/stream_format.h"

#include <string>

// `withIndicators`: the CSV header has the readings' indicators column.
std::string eventStreamLine(const RecordEvent& event, StreamFormat format, bool withIndicators = false);
// The CSV header of rows (or readings) that have events among them.
std::string rowStreamHeaderWithEvents(StreamFormat format, bool withIndicators = false);
// A row's line (from rowStreamLine) under that header: its event column left empty.
std::string withEmptyEventColumn(std::string line, StreamFormat format);

// The same in the lines of a session of several meters (session_lines.h): in CSV the channel
// first, the computed columns empty and the event column last; the other forms as above.
std::string sessionEventLine(const RecordEvent& event, StreamFormat format);
