#pragma once
// A computed value in the written forms that meter-read's lines and the published messages
// share: its analysis record, and the keys JSON adds after the record's ("state", "alignment",
// "inputs"), so a value that is stale or has no number reads the same wherever it goes.
#include "log/files/analysis_record.h"
#include "reading/computed/computed_value.h"

#include <QString>

#include <string>

// "valid", "stale", "overload", "empty".
QString computedStateText(ComputedState state);

// The value as it was worked out, numbered by its value's number, time-stamped with the
// clock's UTC offset: every digit, the unit as people read it; no value or value_si when it
// is not valid (the judge says why).
AnalysisRecord computedRecord(const ComputedValue& value, int utcOffsetSeconds);

// ,"state":"stale","alignment":"hold:0.5","inputs":[{"channel":"u","no":12,"value_si":12.5},...]
// (mean: "first_no" and "count" too; an input that gave no number: "value_si":null).
void appendComputedJson(std::string& out, const ComputedValue& value);
