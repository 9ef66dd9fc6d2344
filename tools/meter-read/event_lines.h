#pragma once
// How meter-read prints an event (an alarm raised, cleared or acknowledged, a note) among the
// lines of readings or rows, as a line of its own in every format:
//   TSV     "# event", then TAB-separated: kind, timestamp, no, channel, rule, text; a reader
//           of the TSV lines skips it by its leading '#'
//   CSV     the analysis columns with the reading's left empty and the text in the last,
//           "event" column that the header then has (the other lines leave it empty)
//   JSON    {"event":"alarm raised","timestamp":…,"no":…,"channel":…,"rule":…,"text":…}
//   influx  meter_event,meter=NAME,channel=C,kind=K rule="…",text="…",no=12i TIME
// "no" is the number of the channel's last logged row (empty before the first and when
// nothing is logged).
#include "log/record_event.h"
#include "tools/meter-read/stream_format.h"

#include <string>

// Which CSV columns the other lines have: the single meter's readings carry "indicators", a
// session's lines start with "channel" and end with "state", "alignment" and "inputs".
enum class EventColumns { Rows, Readings, Session };

std::string eventStreamLine(const RecordEvent& event, StreamFormat format, EventColumns columns);

// A CSV line or header (ending in CR LF) with the "event" column added: empty for a line,
// named for the header. Other text is returned as it is.
std::string withEventColumn(const std::string& line, bool header = false);
