#pragma once
// A value as the meter showed it and the table keeps it ("-1.234", "1,234" under a comma
// locale, "0.L" for an overload), read as a number. The meter never groups digits, so the one
// mark between digits is its decimal separator, whichever the locale was at logging.
#include <QString>

#include <optional>

// An overload as the meter shows it: "0.L", "-0,L", "OL".
bool isOverloadText(const QString& valueText);

// Where the decimal separator stands: -1 when there is none, -2 when the text is not one a
// meter shows (a sign, digits or the overload's "0" and "L", and at most one separator, which
// may be any mark but a sign).
int meterSeparatorAt(const QString& valueText);

// The number the text shows, times 10^exponent, as the double nearest to it; empty for an
// overload or a text that is not a plain number.
std::optional<double> meterNumber(const QString& valueText, int exponent);
