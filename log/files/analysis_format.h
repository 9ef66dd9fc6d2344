#pragma once
// The written forms of analysis records, in this column order:
//   no, timestamp, time, function, value, unit, value_si, si_unit, range, judge, display
// and "indicators" after them for decoded readings.
// CSV: comma-separated UTF-8, each line ending in CR LF; a field is quoted only when it holds
// a comma, a double quote, CR or LF, with "" for a quote inside. Missing values are empty.
// JSON Lines: one object a line with the same keys; no, value and value_si as numbers, null
// where the CSV field is empty, the indicators as an array of names.
#include "log/files/analysis_record.h"

#include <string>

// One CSV field as the records write it (quoted when it must be, never run as a formula);
// one JSON string with its quotes and escapes.
void appendCsvField(std::string& out, const QString& text);
void appendJsonString(std::string& out, const QString& text);

// "1.234", "-6001", "0.1": the shortest decimal text that reads back to the same double.
std::string shortestNumberText(double value);

void appendCsvHeader(std::string& out, bool withIndicators);
void appendCsvRecord(std::string& out, const AnalysisRecord& record);
void appendJsonRecord(std::string& out, const AnalysisRecord& record);
