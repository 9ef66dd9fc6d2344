#pragma once
// The digits 0 to 9 and nothing else: not the other scripts' digits that QChar::isDigit takes.
#include <QChar>

inline bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
