#pragma once
// The lines meter-read prints for a session of several meters: every line carries its
// channel (a first "channel" column in TSV and CSV, a "channel" key in JSON Lines), and a
// computed value's line names the readings it was made from. CSV lines all have the same
// columns: "channel", the analysis columns (with "indicators" for readings), then "state",
// "alignment" and "inputs" ("u#12=12.5 i#13=0.4"), empty for an input's lines.
#include "reading/computed/computed_value.h"
#include "reading/session/computed_record.h"
#include "tools/meter-read/stream_format.h"

#include <QString>

#include <optional>
#include <string>

struct LogRow;

// What comes before the first line (CSV: the header); `readings`: reading lines, else rows.
std::string sessionHeader(StreamFormat format, bool readings);

// An input's line as the single-input form prints it, with the channel: a reading's line
// (`reading`: with indicators) or a row's.
std::string withChannel(const std::string& line, const QString& channel, StreamFormat format, bool reading);

// A computed value as it was worked out (not logged: no row number of its own beyond its
// value's number), or as the row `row` it made in its channel's log.
// `utcOffsetSeconds`: the clock's, for the value's time stamp.
std::string computedLine(const ComputedValue& value, StreamFormat format, int utcOffsetSeconds);
std::string computedRowLine(const QString& channel, const LogRow& row, const std::optional<ComputedValue>& value,
                            StreamFormat format);
