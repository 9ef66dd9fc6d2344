#pragma once
// meter-read --format influx: the line protocol of time-series databases, one point a reading
// or row:
//   meter_reading,meter=NAME,channel=C,function=F,unit=U value=-1.234,value_si=-0.001234,overload=false 1768468530250000000
// Tags that would be empty are left out; so are value and value_si when the display shows no
// number (an overload) or the unit has no base-unit value (temperatures, percentages). Rows
// read from a table file have no date: their lines carry no time and the database gives them
// the time they arrive.
#include "log/files/analysis_record.h"

#include <QString>

#include <string>

// A tag key or value as the protocol wants it: comma, equals sign, blank and backslash with a
// backslash before them; a line end or other control character, which a line cannot hold,
// becomes an escaped blank.
std::string lineProtocolTagText(const QString& text);

std::string lineProtocolLine(const AnalysisRecord& record, bool overload, const QString& meter, const QString& channel);

// The meter tag: the model this build serves ("VK31C").
QString lineProtocolMeterName();
