#include "link/hid/hid_strings.h"

#include <algorithm>

QString keptHidString(const QString& raw)
{
    int end = raw.indexOf(QChar(0));
    if (end < 0)
        end = raw.size();
    return raw.left(std::min(end, kHidStringMaxChars));
}

QString keptSerialText(const QString& serial, const std::optional<QString>& languageList)
{
    if (!languageList)
        return {};
    const QString serialKept = keptHidString(serial);
    const int n = std::min<int>(keptHidString(*languageList).size(), kHidStringMaxChars);
    for (int i = 0; i < n; ++i) {
        // The serial buffer is zero-filled past its string.
        const QChar a = i < serialKept.size() ? serialKept.at(i) : QChar(0);
        if (a != languageList->at(i))
            return serialKept;
    }
    return {};
}
