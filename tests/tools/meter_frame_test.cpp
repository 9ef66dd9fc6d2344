// The virtual meter's frames: their bytes, and that the receive path reads them back.
#include "decode/frame_decoder.h"
#include "link/serial_frame_assembly.h"
#include "tools/meter-sim/meter_frame.h"
#include "frames/sample_frames.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(MeterFrame, BytesOnTheWire)
{
    const struct {
        const char* display;
        std::array<std::uint8_t, 4> status;
        const char* bytes;
        const char* why;
    } cases[] = {
        {"1.234", {0x30, 0x00, 0x00, 0x80}, SAMPLE_VOLTS_1234 SAMPLE_WIRE_END, "DC volts, point after digit 1"},
        {"-1.234", {0x30, 0x00, 0x00, 0x80}, SAMPLE_VOLTS_MINUS_1234 SAMPLE_WIRE_END, "minus sign"},
        {"12.34", {0, 0, 0, 0}, "2B3132333420320000000000" "0D0A", "point after digit 2 is code 2"},
        {"123.4", {0, 0, 0, 0}, "2B3132333420340000000000" "0D0A", "point after digit 3 is code 4, not 3"},
        {"0023", {0, 0, 0, 0x02}, "2B3030323320300000000200" "0D0A", "no point is code 0"},
        {"0.L", {0, 0, 0x20, 0x20}, SAMPLE_OVERLOAD_KOHM SAMPLE_WIRE_END, "overload digits, point after digit 2"},
        {".0L", {0, 0, 0, 0}, "2B3F303A3F20310000000000" "0D0A", "overload with the point after digit 1"},
        {"0L.", {0, 0, 0, 0}, "2B3F303A3F20340000000000" "0D0A", "overload with the point after digit 3"},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = buildMeterFrame(meterFrameForDisplay(QLatin1String(c.display), c.status));
        EXPECT_EQ(bytes.size(), kMeterFrameSize) << c.why;
        EXPECT_EQ(bytes.toHex().toUpper(), QByteArray(c.bytes)) << c.why;
    }
}

TEST(MeterFrame, TextsThatNoDisplayShowsAreRefused)
{
    const char* bad[] = {"", "123", "12345", "1.2.3", "1a34", ".1234", "1234.", "0L.L", "--1.234", "+1.234"};
    for (const char* text : bad)
        EXPECT_THROW(meterFrameForDisplay(QLatin1String(text), {}), std::invalid_argument) << text;
}

TEST(MeterFrame, ReceiverDropsTheFirstFrameAndDecodesTheNext)
{
    std::vector<QString> accepted;
    SerialFrameAssembly assembly([&](const QString& text) { accepted.push_back(text); });
    const QByteArray frame = buildMeterFrame(meterFrameForDisplay(QStringLiteral("-5.012"), {0x30, 0, 0, 0x80}));
    assembly.receiveHexPairs(frame.constData(), int(frame.size()));
    EXPECT_TRUE(accepted.empty()) << "nothing in front of the first sign";
    assembly.receiveHexPairs(frame.constData(), int(frame.size()));
    ASSERT_EQ(accepted.size(), 1u);

    DecodeInput in;
    in.frameText = accepted.front();
    const Reading f = decodeFrame(in);
    EXPECT_EQ(f.valueText, QStringLiteral("-5.012"));
    EXPECT_EQ(f.functionText, QStringLiteral("DC"));
    EXPECT_EQ(f.unitText, QStringLiteral("V"));
    EXPECT_DOUBLE_EQ(f.readingValue, -5.012);
}
