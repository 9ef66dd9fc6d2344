#include "reading/computed/si_number.h"

#include <cmath>

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The power of ten of an SI prefix letter; 0 for a letter that is none.
int prefixPower(QChar c)
{
    switch (c.unicode()) {
    case u'p': return -12;
    case u'n': return -9;
    case u'u': case 0x00B5: case 0x03BC: return -6;
    case u'm': return -3;
    case u'k': return 3;
    case u'M': return 6;
    case u'G': return 9;
    default: return 0;
    }
}

}   // namespace

bool readSiNumber(const QString& s, int& at, double& value)
{
    const int start = at;
    while (at < s.size() && isDigit(s[at]))
        ++at;
    if (at < s.size() && s[at] == u'.')
        for (++at; at < s.size() && isDigit(s[at]);)
            ++at;
    if (at < s.size() && (s[at] == u'e' || s[at] == u'E')) {
        int look = at + 1;
        if (look < s.size() && (s[look] == u'+' || s[look] == u'-'))
            ++look;
        if (look < s.size() && isDigit(s[look]))
            for (at = look; at < s.size() && isDigit(s[at]);)
                ++at;
    }
    bool ok = false;
    value = s.mid(start, at - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    if (at < s.size() && prefixPower(s[at]) != 0) {
        value *= std::pow(10.0, prefixPower(s[at]));
        ++at;
    }
    return std::isfinite(value);
}
