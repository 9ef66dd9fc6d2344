// meter-read's logging: the log's own rules applied to decoded frames, the rows as text lines.
#include "tools/logging_sink.h"
#include "tools/meter_read_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

DecodedFrame frame(const char* value, double readingValue, const char* function = "DC", const char* unit = "V")
{
    DecodedFrame f;
    f.valueText = QString::fromLatin1(value);
    f.readingValue = readingValue;
    f.functionText = QString::fromLatin1(function);
    f.unitText = QString::fromLatin1(unit);
    f.rangeModeText = QStringLiteral("AUTO");
    return f;
}

class CountingSink : public FrameSink {
public:
    void frameDecoded(const DecodedFrame&) override { ++decoded; }
    void frameRefused(const QString& message) override { refused.push_back(message); }
    int decoded = 0;
    std::vector<QString> refused;
};

struct Harness {
    explicit Harness(LogSettings settings = {})
        : sink(table, settings, {[this] { return now; }, QLocale(QLocale::English, QLocale::UnitedStates)},
               [this](const LogTable& t, std::int64_t row) { lines.push_back(tableRowLine(t, row)); }, &next)
    {
    }
    LogTable table;
    QTime now{10, 15, 30};
    std::vector<std::string> lines;
    CountingSink next;
    LoggingSink sink;
};

} // namespace

TEST(LoggingSink, RowsAreTextLinesWithTheJudgesVerdict)
{
    LogSettings settings;
    settings.high = QStringLiteral("2");
    settings.low = QStringLiteral("-2");
    Harness h(settings);
    h.sink.frameDecoded(frame("1.500", 1.5));
    h.sink.frameDecoded(frame("2.001", 2.001));
    h.sink.frameDecoded(frame("-2.000", -2.0, "AC", ""));   // limits are inclusive; an empty unit is NULL
    h.sink.frameRefused(QStringLiteral("'A' is not a valid integer value"));

    const std::vector<std::string> expected = {
        "1\t10:15:30\tDC\t1.500\tV\tpass",
        "2\t10:15:30\tDC\t2.001\tV\tFail",
        "3\t10:15:30\tAC\t-2.000\tNULL\tpass",
    };
    EXPECT_EQ(h.lines, expected);
    EXPECT_EQ(h.next.decoded, 3) << "every decoded frame is passed on";
    ASSERT_EQ(h.next.refused.size(), 1u);
}

TEST(LoggingSink, CommaLocaleLimitsJudgeCommaValues)
{
    LogSettings settings;
    settings.high = QStringLiteral("1,5");
    settings.low = QStringLiteral("0,5");
    settings.decimalSeparator = QStringLiteral(",");
    Harness h(settings);
    h.sink.frameDecoded(frame("1,499", 1.499));
    h.sink.frameDecoded(frame("1,501", 1.501));
    ASSERT_EQ(h.lines.size(), 2u);
    EXPECT_EQ(h.lines[0].substr(h.lines[0].rfind('\t') + 1), "pass");
    EXPECT_EQ(h.lines[1].substr(h.lines[1].rfind('\t') + 1), "Fail");
}

TEST(LoggingSink, NoRepeatSuppressesButNumbersAdvanceAndTheLimitStops)
{
    LogSettings settings;
    settings.repeat = false;
    settings.limit = 2;
    Harness h(settings);
    h.sink.frameDecoded(frame("1.000", 1));
    h.sink.frameDecoded(frame("1.000", 1));   // suppressed, but numbered
    h.sink.frameDecoded(frame("1.001", 1.001));
    h.sink.frameDecoded(frame("1.002", 1.002));   // the limit of two rows is reached
    ASSERT_EQ(h.lines.size(), 2u);
    EXPECT_EQ(h.lines[0].substr(0, 2), "1\t");
    EXPECT_EQ(h.lines[1].substr(0, 2), "3\t");
    EXPECT_EQ(h.table.rowCount(), 2);
}

TEST(LoggingSink, SamplingLogsTheLatestReadingOncePerTickAndNothingWhileSilent)
{
    LogSettings settings;
    settings.intervalSeconds = 2;
    Harness h(settings);
    EXPECT_FALSE(h.sink.samplingActive());
    h.sink.frameDecoded(frame("1.000", 1));
    h.sink.frameDecoded(frame("1.100", 1.1));
    EXPECT_TRUE(h.lines.empty()) << "sampling logs on the tick only";
    EXPECT_TRUE(h.sink.samplingActive());
    EXPECT_EQ(h.sink.intervalMs(), 2000);

    h.sink.samplingTick();
    h.sink.samplingTick();   // no reading since the last tick
    h.now = QTime(10, 15, 32);
    h.sink.frameDecoded(frame("1.200", 1.2));
    h.sink.samplingTick();
    const std::vector<std::string> expected = {
        "1\t\"10:15:30 AM\"\tDC\t1.100\tV\tpass",   // the long time has a blank: quoted so it loads back
        "2\t\"10:15:32 AM\"\tDC\t1.200\tV\tpass",
    };
    EXPECT_EQ(h.lines, expected);
}

TEST(LoggingSink, SettingsOutsideTheLogsRangeAreUsageErrors)
{
    LogTable table;
    LogSettings settings;
    settings.limit = 0;
    EXPECT_THROW(LoggingSink(table, settings, {[] { return QTime(); }, QLocale::c()}, {}, nullptr), UsageError);
    settings.limit = 10000001;
    EXPECT_THROW(LoggingSink(table, settings, {[] { return QTime(); }, QLocale::c()}, {}, nullptr), UsageError);
    settings.limit = 10;
    settings.intervalSeconds = 3000000;   // more milliseconds than Timer3 holds
    EXPECT_THROW(LoggingSink(table, settings, {[] { return QTime(); }, QLocale::c()}, {}, nullptr), UsageError);
}
