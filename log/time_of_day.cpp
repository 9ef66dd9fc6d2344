#include "log/time_of_day.h"

namespace {

constexpr int kHourMs = 3600 * 1000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// "AM" or "PM" as a word of its own: 'A' for before noon, 'P' after, 0 when neither.
char dayHalf(const char* s, int n)
{
    for (int i = 0; i + 1 < n; ++i) {
        const char c = upper(s[i]);
        if ((c == 'A' || c == 'P') && upper(s[i + 1]) == 'M' && (i == 0 || !isLetter(s[i - 1]))
            && (i + 2 == n || !isLetter(s[i + 2])))
            return c;
    }
    return 0;
}

}   // namespace

std::optional<int> timeOfDayMs(const char* s, int n)
{
    int i = 0;
    while (i < n && !isDigit(s[i]))
        ++i;
    int fields[3] = {0, 0, 0};
    int count = 0;
    int fraction = 0;
    while (i < n && count < 3) {
        int digits = 0, v = 0;
        while (i < n && isDigit(s[i]) && digits < 3) {
            v = v * 10 + (s[i++] - '0');
            ++digits;
        }
        if (digits == 0 || digits > 2)
            return std::nullopt;
        fields[count++] = v;
        // One mark between fields; anything else ends the time.
        if (count < 3 && i + 1 < n && !isDigit(s[i]) && !isLetter(s[i]) && s[i] != ' ' && isDigit(s[i + 1]))
            ++i;
        else
            break;
    }
    if (count < 2)
        return std::nullopt;
    // Fractions of a second: "10:15:30.250".
    if (count == 3 && i + 1 < n && (s[i] == '.' || s[i] == ',') && isDigit(s[i + 1])) {
        ++i;
        int scale = 100;
        for (; i < n && isDigit(s[i]); ++i, scale /= 10)
            fraction += (s[i] - '0') * scale;
    }
    int hour = fields[0];
    const int minute = fields[1], second = fields[2];
    if (minute > 59 || second > 59)
        return std::nullopt;
    if (const char half = dayHalf(s, n)) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == 'P' ? 12 : 0);
    } else if (hour > 23) {
        return std::nullopt;
    }
    return hour * kHourMs + minute * 60000 + second * 1000 + fraction;
}

std::optional<int> timeOfDayMs(const QString& text)
{
    // A character of another script is read as a mark between fields (hours, minutes and
    // seconds named in another script), never as a digit or a day half.
    QByteArray ascii(text.size(), '\x01');
    for (int i = 0; i < text.size(); ++i)
        if (text.at(i).unicode() < 0x80)
            ascii[i] = char(text.at(i).unicode());
    return timeOfDayMs(ascii.constData(), int(ascii.size()));
}
