#pragma once
// The one reader of numbers as users write them, for formulas and alarm rules alike: digits
// with an optional point and exponent ("1e-3"), then an optional SI prefix letter
// (p n u µ m k M G: "1.5k", "2m", "500u"). No sign: the caller decides what a minus means.
#include <QString>

// Reads the number that starts at `at` in `text` and moves `at` past it (past its prefix
// letter too). False when the characters there make no finite number; `at` is then past
// them, so the caller can quote text.mid(start, at - start).
bool readSiNumber(const QString& text, int& at, double& value);
