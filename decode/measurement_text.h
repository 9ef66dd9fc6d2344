#pragma once
// Every text the system shows or stores of a measurement, made in this one place: the value
// with the locale's separator, the unit in the system's characters ("k*", "#", "?", "uV"), the
// function ("DC", "OHM", ...), "AUTO"/"MANU" and "pass"/"Fail". Files keep these characters.
#include "decode/measurement.h"

#include <QString>
#include <QStringList>

#include <array>

QString functionText(MeterFunction f);              // empty for None
QString unitText(Quantity q, Prefix p);             // empty for Quantity::None
inline QString unitText(const Measurement& m) { return unitText(m.quantity, m.prefix); }
QString rangeModeText(bool autoRange);              // "AUTO" or "MANU"
QString verdictText(Verdict v);                     // "pass", "Fail", or empty before a verdict

// The value as the display shows it: the four digit captions, the sign, the locale's separator
// after digit `pointPosition` (0: none); an overload shows "0L" with the point where it stands.
// The captions are taken as they are, so a frame that failed on its count keeps its text.
QString shownValueText(const std::array<QString, 4>& digits, bool negative, int pointPosition, bool overload,
                       const QString& separator);

// The number times 10^exponent as exact decimal text with "." ("1.234" mV and -3 give
// "0.001234", "0024" gives "24", "-0000" gives "0"). Empty for an overload.
QString decimalText(const Measurement& m, int exponent = 0);

// The other way, for rows that have only texts: the exact texts above, else false.
bool functionFromText(const QString& text, MeterFunction& f);
bool unitFromText(const QString& text, Quantity& q, Prefix& p);

// Every function and unit text a frame can decode to, for sizing what shows them.
const QStringList& decodedFunctionTexts();
const QStringList& decodedUnitTexts();
