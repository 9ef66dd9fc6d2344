// meter-read's logging: the window's reading pipeline fed with meter bytes, its rules applied
// to the decoded frames, the rows as text lines.
#include "tools/meter-sim/meter_frame.h"
#include "tools/meter-read/meter_read_options.h"
#include "tools/meter-read/meter_reader.h"
#include "doubles/fixed_locale_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::array<std::uint8_t, 4> kDcVolts = {0x30, 0, 0, 0x80};
const std::array<std::uint8_t, 4> kAcNoUnit = {0x28, 0, 0, 0};

struct Harness {
    explicit Harness(LogSettings settings = {}, const char* separator = ".")
        : clock(usClock(separator)), reader(settings, 6000, clock)
    {
        QObject::connect(&reader.pipeline(), &ReadingPipeline::frameShown, [this] { ++decoded; });
        QObject::connect(&reader, &MeterReader::frameRefused, [this](const QString& m) { refused.push_back(m); });
        QObject::connect(&reader.pipeline(), &ReadingPipeline::rowLogged, [this] {
            lines.push_back(tableRowLine(reader.table(), reader.table().rowCount() - 1));
        });
        send(QByteArray(1, '\n'));   // a byte in front of the first sign, as on a running line
    }
    static FixedLocaleClock usClock(const char* separator)
    {
        FixedLocaleClock c(QLocale(QLocale::English, QLocale::UnitedStates));
        c.setDecimalSeparator(QString::fromLatin1(separator));
        return c;
    }
    void send(const QByteArray& bytes) { reader.receiveBytes(bytes.constData(), int(bytes.size())); }
    void show(const char* display, const std::array<std::uint8_t, 4>& status = kDcVolts)
    {
        send(buildMeterFrame(meterFrameForDisplay(QLatin1String(display), status)));
    }

    FixedLocaleClock clock;
    MeterReader reader;
    int decoded = 0;
    std::vector<QString> refused;
    std::vector<std::string> lines;
};

} // namespace

TEST(ReaderLogging, RowsAreTextLinesWithTheJudgesVerdict)
{
    LogSettings settings;
    settings.high = QStringLiteral("2");
    settings.low = QStringLiteral("-2");
    Harness h(settings);
    h.show("1.500");
    h.show("2.001");
    h.show("-2.000", kAcNoUnit);   // limits are inclusive; an empty unit is NULL
    QByteArray badPoint = buildMeterFrame(meterFrameForDisplay(QStringLiteral("1.234"), kDcVolts));
    badPoint[6] = 0x3A;             // the point code reads as "A"
    h.send(badPoint);

    const std::vector<std::string> expected = {
        "1\t10:15:30\tDC\t1.500\tV\tpass",
        "2\t10:15:30\tDC\t2.001\tV\tFail",
        "3\t10:15:30\tAC\t-2.000\tNULL\tpass",
    };
    EXPECT_EQ(h.lines, expected);
    EXPECT_EQ(h.decoded, 3) << "every decoded frame is passed on";
    ASSERT_EQ(h.refused.size(), 1u);
}

TEST(ReaderLogging, CommaLocaleLimitsJudgeCommaValues)
{
    LogSettings settings;
    settings.high = QStringLiteral("1,5");
    settings.low = QStringLiteral("0,5");
    Harness h(settings, ",");
    h.show("1.499");
    h.show("1.501");
    ASSERT_EQ(h.lines.size(), 2u);
    EXPECT_EQ(h.lines[0].substr(h.lines[0].rfind('\t') + 1), "pass");
    EXPECT_EQ(h.lines[1].substr(h.lines[1].rfind('\t') + 1), "Fail");
}

TEST(ReaderLogging, NoRepeatSuppressesButNumbersAdvanceAndTheLimitStops)
{
    LogSettings settings;
    settings.repeat = false;
    settings.limit = 2;
    Harness h(settings);
    h.show("1.000");
    h.show("1.000");   // suppressed, but numbered
    h.show("1.001");
    h.show("1.002");   // the limit of two rows is reached
    ASSERT_EQ(h.lines.size(), 2u);
    EXPECT_EQ(h.lines[0].substr(0, 2), "1\t");
    EXPECT_EQ(h.lines[1].substr(0, 2), "3\t");
    EXPECT_EQ(h.reader.table().rowCount(), 2);
}

TEST(ReaderLogging, SamplingLogsTheLatestReadingOncePerTickAndNothingWhileSilent)
{
    LogSettings settings;
    settings.intervalSeconds = 2;
    Harness h(settings);
    EXPECT_FALSE(h.reader.samplingActive());
    h.show("1.000");
    h.show("1.100");
    EXPECT_TRUE(h.lines.empty()) << "sampling logs on the tick only";
    EXPECT_TRUE(h.reader.samplingActive());
    EXPECT_EQ(h.reader.intervalMs(), 2000);

    h.reader.sample();
    h.reader.sample();   // no reading since the last tick
    h.clock.setTime(QTime(10, 15, 32));
    h.show("1.200");
    h.reader.sample();
    const std::vector<std::string> expected = {
        "1\t\"10:15:30 AM\"\tDC\t1.100\tV\tpass",   // the long time has a blank: quoted so it loads back
        "2\t\"10:15:32 AM\"\tDC\t1.200\tV\tpass",
    };
    EXPECT_EQ(h.lines, expected);
}

TEST(ReaderLogging, SettingsOutsideTheLogsRangeAreUsageErrors)
{
    const FixedLocaleClock clock;
    LogSettings settings;
    settings.limit = 0;
    EXPECT_THROW(MeterReader(settings, 6000, clock), UsageError);
    settings.limit = 10000001;
    EXPECT_THROW(MeterReader(settings, 6000, clock), UsageError);
    settings.limit = 10;
    settings.intervalSeconds = 3000000;   // more milliseconds than Timer3 holds
    EXPECT_THROW(MeterReader(settings, 6000, clock), UsageError);
}
