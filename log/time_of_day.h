#pragma once
// The time of day a row's Time text says, for rows that carry no stamp (read back from a table
// file): "10:15:30", "10.15.30", "9:05:01 PM", "21:05", with fractions of a second kept.
#include <QString>

#include <optional>

// Milliseconds since midnight; empty when the text says no time of day. Hours, minutes and
// seconds are one or two ASCII digits between single marks; an "AM" or "PM" anywhere after
// or before them makes the hours a 12-hour clock's. A character of another script counts as a
// mark; other scripts' day-half names are not recognised, so such hours are read as a 24-hour
// clock's.
std::optional<int> timeOfDayMs(const QString& text);
std::optional<int> timeOfDayMs(const char* asciiBytes, int length);
