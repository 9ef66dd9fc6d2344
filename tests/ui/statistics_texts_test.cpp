// The statistics table's figures as a person reads them.
#include "ui/statistics_texts.h"

#include <gtest/gtest.h>

namespace {

TEST(StatisticsTexts, EachFigureInThePrefixThatSuitsIt)
{
    struct Case {
        std::vector<std::pair<const char*, const char*>> rows;   // value, unit
        const char* locale;
        QStringList unitMinMaxMean;
        const char* why;
    } cases[] = {
        {{{"-123.6", "V"}, {"500.0", "mV"}}, "en_US", {"mV", "-123.6 V", "500 mV", "-61.55 V"},
         "a group that went from V to mV: no -123600 mV"},
        {{{"0.999", "V"}, {"999.9999", "mV"}}, "en_US", {"mV", "999 mV", "1 V", "999.5 mV"},
         "rounded to the digits shown before the prefix is chosen"},
        {{{"2.000", "M*"}, {"400.0", "*"}}, "de_DE", {"\u03A9", "400 \u03A9", "2 M\u03A9", "1,0002 M\u03A9"},
         "ohms with the locale's separator"},
    };
    for (const Case& c : cases) {
        RowStatistics s;
        for (const auto& [value, unit] : c.rows) {
            LogRow row;
            row.function = QStringLiteral("DC");
            row.value = QString::fromUtf8(value);
            row.unit = QString::fromUtf8(unit);
            s.add(row);
        }
        const QStringList texts = statisticsRowTexts(s.groups().front(), QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(QStringList({texts[1], texts[4], texts[5], texts[6]}), c.unitMinMaxMean) << c.why;
    }
}

} // namespace
