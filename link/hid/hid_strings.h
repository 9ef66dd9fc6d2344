#pragma once
// The rule that decides whether a device's serial-number string is real.
#include <QString>
#include <optional>

// Longest string a device string request keeps, in UTF-16 units.
inline constexpr int kHidStringMaxChars = 254;

// Cuts a string the way a device string request keeps it: at the first zero, at most
// kHidStringMaxChars units.
QString keptHidString(const QString& raw);

// Some devices answer the serial-number request with their language list (string 0).
// The serial number counts only when it differs from that list within the list's length;
// an empty or unreadable language list makes it count as absent.
QString keptSerialText(const QString& serial, const std::optional<QString>& languageList);
