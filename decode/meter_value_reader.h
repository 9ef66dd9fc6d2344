#pragma once
// The one reader of a meter value text, for rows that have only texts (table files): "-1.234",
// "1,234" under a comma locale, "0.L" for an overload. The meter never groups digits, so the
// one mark between digits is its decimal separator, whichever the locale was at logging.
#include "decode/ascii_digit.h"
#include "decode/measurement.h"

#include <QString>

#include <optional>

// The measurement the texts of a row say. An overload is any value text with an "L" in it;
// otherwise a number needs digits (at most 18), an optional sign and at most one separator. Empty when
// the value text is neither. Unknown function or unit texts give None.
std::optional<Measurement> measurementFromTexts(const QString& function, const QString& value, const QString& unit,
                                                const QString& rangeMode, const QString& judge);

// The same for a value text of ASCII bytes alone, with the quantity and prefix its unit text
// gives: what a table reads without building the row's texts. Function, range mode and verdict
// are left unset.
std::optional<Measurement> measurementFromAsciiValue(const char* bytes, int length, Quantity quantity, Prefix prefix);

// A meter's value text with "." for its decimal separator ("0,L" gives "0.L"); any other text
// as it stands.
QString valueTextWithPoint(const QString& valueText);
