#include "decode/indicators.h"

#include <array>

namespace {
const std::array<const char*, kIndicatorCount> kNames = {
    "LcdAuto", "LcdDc1", "LcdAC", "LCDREL", "LCDHold",
    "Labmax", "Labmin", "LCDBATT",
    "LCDn", "LCDu", "Lcdm", "LCDk", "LCDM1",
    "LCDFm", "LCDDI", "LCDBF",
    "LcdV", "LCDA", "LCDohm", "LCDHz", "LCDF", "LCDCS", "LCDFS",
    "LcdFH",
    "LcdP1", "LcdP2", "LcdP3",
};
}

QString indicatorName(Indicator i)
{
    return QString::fromLatin1(kNames[static_cast<int>(i)]);
}

QStringList IndicatorSet::names() const
{
    QStringList out;
    for (int i = 0; i < kIndicatorCount; ++i)
        if (shown(static_cast<Indicator>(i)))
            out << indicatorName(static_cast<Indicator>(i));
    out.sort();
    return out;
}
