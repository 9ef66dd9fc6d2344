#pragma once
// Unit texts as a person reads them.
#include <QString>

// Stored unit texts use "*" for ohm, "#" for degrees Celsius, "?" for degrees Fahrenheit and
// "u" for micro; files keep those characters. Everything shown on screen or on paper goes
// through this function. Texts it does not know come back unchanged.
QString displayUnit(const QString& storedUnit);
