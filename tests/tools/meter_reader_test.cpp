// The headless receive path: scenario frames through the assembly and the decoder, the
// decoder's state carried between frames, refused frames reported and skipped.
#include "decode/range_table.h"
#include "tools/meter-sim/meter_frame.h"
#include "tools/meter-read/meter_reader.h"
#include "tools/meter-sim/meter_scenario.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A reader with the system's clock and the given separator, and what it said.
struct Recording {
    explicit Recording(const char* separator = ".") : clock(QString::fromLatin1(separator)), reader({}, 6000, clock)
    {
        QObject::connect(&reader.pipeline(), &ReadingPipeline::frameShown,
                         [this](const Reading& f) { frames.push_back(f); });
        QObject::connect(&reader, &MeterReader::frameRefused, [this](const QString& m) { refusals.push_back(m); });
    }
    SystemLocaleClock clock;
    MeterReader reader;
    std::vector<Reading> frames;
    std::vector<QString> refusals;
};

QByteArray frameBytes(const char* display, std::array<std::uint8_t, 4> status)
{
    return buildMeterFrame(meterFrameForDisplay(QLatin1String(display), status));
}

void feed(MeterReader& reader, const QByteArray& bytes)
{
    reader.receiveBytes(bytes.constData(), int(bytes.size()));
}

const std::array<std::uint8_t, 4> kDcVolts = {0x30, 0, 0, 0x80};
const std::array<std::uint8_t, 4> kHertz = {0x20, 0, 0, 0x08};
const std::array<std::uint8_t, 4> kKiloOhm = {0x20, 0, 0x20, 0x20};

} // namespace

TEST(MeterScenario, EveryFrameDecodesToTheReadingItClaims)
{
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    ASSERT_FALSE(scenario.empty());
    Recording sink;
    MeterReader& reader = sink.reader;
    // Two loops: the wrap from the last reading to the first must decode as well.
    for (int loop = 0; loop < 2; ++loop)
        for (const ScenarioFrame& f : scenario)
            feed(reader, f.bytes);

    EXPECT_TRUE(sink.refusals.empty());
    // The very first frame has no byte in front of its sign and is dropped.
    ASSERT_EQ(sink.frames.size(), 2 * scenario.size() - 1);
    for (size_t k = 0; k < sink.frames.size(); ++k) {
        const ScenarioFrame& claim = scenario[(k + 1) % scenario.size()];
        const Reading& got = sink.frames[k];
        SCOPED_TRACE("frame " + std::to_string(k + 1) + " shows " + claim.display.toStdString());
        EXPECT_EQ(got.valueText, claim.display);
        EXPECT_EQ(got.functionText, claim.functionText);
        EXPECT_EQ(got.unitText, claim.unitText);
        EXPECT_EQ(got.rangeModeText, claim.rangeModeText);
        EXPECT_TRUE(bool(got.range));
        ASSERT_TRUE(got.range);
        EXPECT_EQ(QLatin1String(got.range->name), claim.rangeName);
        EXPECT_NEAR(got.readingValue, claim.readingValue, 1e-9);
        const QStringList shown = got.indicators.names();
        for (const QString& name : claim.indicators)
            EXPECT_TRUE(shown.contains(name)) << name.toStdString();
    }
}

TEST(MeterScenario, CoversTheMetersFunctionsAndIsTheSameEveryRun)
{
    const std::vector<ScenarioFrame> a = defaultScenario();
    const std::vector<ScenarioFrame> b = defaultScenario();
    ASSERT_EQ(a.size(), b.size());
    std::set<QString> functions, units, indicators;
    bool negative = false, overload = false, manual = false, moving = false;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].bytes, b[i].bytes);
        EXPECT_EQ(a[i].bytes.size(), kMeterFrameSize);
        functions.insert(a[i].functionText);
        units.insert(a[i].unitText);
        for (const QString& n : a[i].indicators)
            indicators.insert(n);
        negative |= a[i].display.startsWith(QLatin1Char('-'));
        overload |= a[i].display.contains(QLatin1Char('L'));
        manual |= a[i].rangeModeText == QLatin1String("MANU");
        moving |= i > 0 && a[i].display != a[i - 1].display && a[i].unitText == a[i - 1].unitText;
    }
    for (const char* f : {"DC", "AC", "OHM", "Freq", "CAP", "TMP", "DutyCycle", "Diode"})
        EXPECT_TRUE(functions.count(QLatin1String(f))) << f;
    for (const char* u : {"V", "mV", "*", "k*", "Hz", "kHz", "nF", "uF", "#", "?", "%", "mA"})
        EXPECT_TRUE(units.count(QLatin1String(u))) << u;
    for (const char* i : {"LCDHold", "LCDBATT", "LCDk", "LCDFm"})
        EXPECT_TRUE(indicators.count(QLatin1String(i))) << i;
    EXPECT_TRUE(negative && overload && manual && moving);
}

TEST(MeterReaderState, FullScaleCarriesFromFrameToFrame)
{
    Recording sink;
    MeterReader& reader = sink.reader;
    feed(reader, QByteArray(1, '\n'));            // a byte in front, as on a running line
    feed(reader, frameBytes("12.34", kHertz));     // hertz: the next frame's full scale is 1000
    feed(reader, frameBytes("0.L", kKiloOhm));     // overload counts from the previous full scale
    feed(reader, frameBytes("0.L", kKiloOhm));     // ohm left 6000
    feed(reader, frameBytes("1234", kHertz));      // hertz without a point: no range row
    ASSERT_EQ(sink.frames.size(), 4u);

    EXPECT_EQ(sink.frames[0].fullScaleCount, 1000);
    EXPECT_EQ(reader.fullScaleCount(), 1000);
    EXPECT_DOUBLE_EQ(sink.frames[1].readingCount, 1001);
    EXPECT_DOUBLE_EQ(sink.frames[1].readingValue, 10.01);
    EXPECT_DOUBLE_EQ(sink.frames[2].readingCount, 6001);
    EXPECT_FALSE(sink.frames[3].range);
    EXPECT_EQ(sink.frames[3].fullScaleCount, 1000);
}

TEST(MeterReaderState, RefusedFrameIsReportedCountedAndLeavesTheStateAlone)
{
    Recording sink;
    MeterReader& reader = sink.reader;
    feed(reader, QByteArray(1, '\n'));
    feed(reader, frameBytes("12.34", kHertz));     // full scale 1000
    QByteArray badPoint = frameBytes("1.234", kDcVolts);
    badPoint[6] = 0x3A;                            // point code reads as "A"
    feed(reader, badPoint);
    QByteArray badDigit = frameBytes("1.234", kDcVolts);
    badDigit[2] = 0x3B;                            // second digit reads as "B"
    feed(reader, badDigit);
    feed(reader, frameBytes("0.L", kKiloOhm));

    ASSERT_EQ(sink.refusals.size(), 2u);
    EXPECT_EQ(sink.refusals[0], QStringLiteral("'A' is not a valid integer value"));
    EXPECT_EQ(sink.refusals[1], QStringLiteral("'1B34' is not a valid integer value"));
    EXPECT_EQ(reader.refusedFrames(), 2);
    EXPECT_EQ(reader.decodedFrames(), 2);
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_DOUBLE_EQ(sink.frames[1].readingCount, 1001) << "the refused frames set no full scale";
}

TEST(MeterReaderState, DecimalSeparatorGoesIntoTheValueText)
{
    Recording sink(",");
    MeterReader& reader = sink.reader;
    feed(reader, QByteArray(1, '\n') + frameBytes("-1.234", kDcVolts));
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].valueText, QStringLiteral("-1,234"));
    EXPECT_DOUBLE_EQ(sink.frames[0].readingValue, -1.234);
}
