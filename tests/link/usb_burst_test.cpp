// The USB adapter's byte layouts and the burst collection of its input reports.
#include "decode/conversion_error.h"
#include "link/usb/usb_burst_collector.h"
#include "link/usb/usb_reports.h"
#include "frames/sample_frames.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <stdexcept>

namespace {

// Feeds one report given as hex text of the bytes after the report ID.
QString feed(UsbBurstCollector& c, const char* hex, quint8 id = 0, const QDateTime& arrivedAt = {})
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return c.receiveReport(id, reinterpret_cast<const quint8*>(bytes.constData()), static_cast<quint16>(bytes.size()),
                           arrivedAt);
}

struct Frames {
    QStringList seen;
    UsbBurstCollector::FrameHandler handler()
    {
        return [this](const QString& f) { seen << f; };
    }
};

} // namespace

TEST(UsbReports, BaudRateFeatureReportByteForByte)
{
    EXPECT_EQ(baudRateFeatureReport(2400).toHex(' ').toUpper(), QByteArray("00 60 09 00 00 03 00 00 00 00"));
    EXPECT_EQ(baudRateFeatureReport(19200).toHex(' ').toUpper(), QByteArray("00 00 4B 00 00 03 00 00 00 00"));
    EXPECT_EQ(baudRateFeatureReport(0x12345678).toHex(' ').toUpper(), QByteArray("00 78 56 34 12 03 00 00 00 00"));
}

TEST(UsbReports, CountNibbleUnpacking)
{
    const struct {
        const char* hex;
        bool hasCount;
        bool carries;
        const char* serial;
        const char* why;
    } cases[] = {
        {"", false, false, "", "no bytes at all"},
        {"F0", true, false, "", "count 0"},
        {"F72B3132333420", true, true, "2B3132333420", "seven claimed, six present"},
        {"0731", true, true, "31", "high nibble 0"},
        {"3731", true, true, "31", "high nibble not read"},
        {"F9AABBCCDDEEFF11", true, true, "AABBCCDDEEFF11", "nine claimed in a report of eight"},
        {"FA0102030405060708090A", true, false, "", "ten is not data"},
        {"FF01", true, false, "", "fifteen is not data"},
        {"01", true, true, "", "one claimed, none present"},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = QByteArray::fromHex(c.hex);
        const UsbReportPayload p = unpackReportPayload(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
        EXPECT_EQ(p.hasCountByte, c.hasCount) << c.why;
        EXPECT_EQ(p.carriesData(), c.carries) << c.why;
        EXPECT_EQ(p.serialBytes.toHex().toUpper(), QByteArray(c.serial)) << c.why;
    }
}

TEST(UsbReports, HexReportLines)
{
    HexReport r;
    QString error;
    ASSERT_TRUE(parseHexReportLine(QStringLiteral("00 F7 2B 31 32 33 34 20 31"), r, error)) << error.toStdString();
    EXPECT_EQ(r.reportId, 0);
    EXPECT_EQ(r.data.toHex().toUpper(), QByteArray("F72B313233342031"));
    ASSERT_TRUE(parseHexReportLine(QStringLiteral("  05\tf0 \r\n"), r, error)) << "blanks and lower case are fine";
    EXPECT_EQ(r.reportId, 5);
    EXPECT_EQ(r.data.toHex().toUpper(), QByteArray("F0"));

    const struct { const char* line; const char* mentions; } bad[] = {
        {"", "empty"},
        {"   ", "empty"},
        {"00 F7 2G", "'2G'"},
        {"00 F72B", "'F72B'"},
        {"00 7", "'7'"},
        {"0x 01", "'0x'"},
        {"00,F7", "'00,F7'"},
        {"+F 00", "'+F'"},
    };
    for (const auto& b : bad) {
        error.clear();
        EXPECT_FALSE(parseHexReportLine(QString::fromLatin1(b.line), r, error)) << b.line;
        EXPECT_TRUE(error.contains(QLatin1String(b.mentions))) << error.toStdString();
    }
}

TEST(UsbBurst, OneFrameOverThreeReports)
{
    Frames frames;
    UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
    const QString line1 = feed(c, "F72B313233342031");
    EXPECT_EQ(line1, QStringLiteral("R 00  F7 2B 31 32 33 34 20 31 "));
    EXPECT_EQ(c.UsbHexText(), QStringLiteral("2B313233342031"));
    EXPECT_TRUE(c.UsbBurstOpen());
    // The frame's time is that of its last serial bytes, not of the empty report that ends it.
    const QDateTime lastBytes = QDateTime::fromMSecsSinceEpoch(1772000000123, Qt::UTC);
    EXPECT_FALSE(feed(c, "F73000008000" "0D0A", 0, lastBytes).isEmpty());
    EXPECT_EQ(c.UsbHexText(), QStringLiteral(SAMPLE_VOLTS_1234 SAMPLE_WIRE_END));
    EXPECT_TRUE(frames.seen.isEmpty());
    EXPECT_TRUE(feed(c, "F000000000000000", 0, lastBytes.addMSecs(3)).isEmpty()) << "empty reports give no history line";
    EXPECT_EQ(c.frameArrivedAt(), lastBytes);
    ASSERT_EQ(frames.seen.size(), 1);
    EXPECT_EQ(frames.seen[0], QStringLiteral(SAMPLE_VOLTS_1234 SAMPLE_WIRE_END));
    EXPECT_EQ(c.FrameText(), frames.seen[0]);
    EXPECT_TRUE(c.UsbHexText().isEmpty());
    EXPECT_FALSE(c.UsbBurstOpen());
}

TEST(UsbBurst, OnlyTheLowNibbleOfTheCountByteCounts)
{
    for (const char* count : {"07", "37", "F7"}) {
        Frames frames;
        UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
        feed(c, (QByteArray(count) + "2B313233342031").constData());
        feed(c, (QByteArray(count) + "3000008000" "0D0A").constData());
        feed(c, "00");
        EXPECT_EQ(frames.seen, QStringList{SAMPLE_VOLTS_1234 SAMPLE_WIRE_END}) << count;
    }
}

TEST(UsbBurst, SilentReportCounting)
{
    UsbBurstCollector c;
    const struct { const char* hex; int silent; const char* why; } steps[] = {
        {"F0", 1, "count 0 is silent"},
        {"FA", 2, "count 10"},
        {"FF", 3, "count 15"},
        {"", 3, "a report without bytes leaves the count alone"},
        {"F130", 0, "data resets it"},
        {"F0", 1, ""},
    };
    for (const auto& s : steps) {
        feed(c, s.hex);
        EXPECT_EQ(c.UsbSilentReports(), s.silent) << s.why;
    }
}

TEST(UsbBurst, ZeroSizeReportEndsAnOpenBurst)
{
    Frames frames;
    UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
    feed(c, "F72B313233342031");
    feed(c, "F73000008000" "0D0A");
    feed(c, "");
    EXPECT_EQ(frames.seen.size(), 1);
    EXPECT_FALSE(c.UsbBurstOpen());
}

TEST(UsbBurst, SplitFrameIsLostBothHalves)
{
    Frames frames;
    UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
    feed(c, "F72B313233342031");
    feed(c, "F0");
    EXPECT_EQ(c.FrameText(), QStringLiteral("2B313233342031")) << "too short for the shape test";
    feed(c, "F73000008000" "0D0A");
    feed(c, "F0");
    EXPECT_EQ(c.FrameText(), QStringLiteral("3000008000" "0D0A")) << "no sign first";
    EXPECT_TRUE(frames.seen.isEmpty());
}

TEST(UsbBurst, TwoFramesInOneBurstAreOneCall)
{
    Frames frames;
    UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
    for (int i = 0; i < 2; ++i) {
        feed(c, "F72B313233342031");
        feed(c, "F73000008000" "0D0A");
    }
    feed(c, "F0");
    ASSERT_EQ(frames.seen.size(), 1);
    EXPECT_EQ(frames.seen[0].size(), 56);
}

TEST(UsbBurst, ShapeTest)
{
    const struct { const char* burst; bool decoded; const char* why; } cases[] = {
        {SAMPLE_VOLTS_1234 SAMPLE_WIRE_END, true, "plus sign"},
        {SAMPLE_VOLTS_MINUS_1234 SAMPLE_WIRE_END, true, "minus sign"},
        {"3031323334203130000080000D0A", false, "0x30 first"},
        {"2B31323334203130000080000A0D", false, "no carriage return as the 13th byte"},
        {"2B313233342031300000800D", false, "twelve bytes"},
    };
    for (const auto& cs : cases) {
        Frames frames;
        UsbBurstCollector c(UsbReportHandler::VK31C, frames.handler());
        const QByteArray bytes = QByteArray::fromHex(cs.burst);
        for (int i = 0; i < bytes.size(); i += 7) {
            const QByteArray part = bytes.mid(i, 7);
            feed(c, (QByteArray::number(part.size()) .rightJustified(2, '0') + part.toHex()).constData());
        }
        feed(c, "F0");
        EXPECT_EQ(frames.seen.size(), cs.decoded ? 1 : 0) << cs.why;
        EXPECT_EQ(c.FrameText(), QString::fromLatin1(cs.burst)) << "the frame text is replaced either way";
    }
}

TEST(UsbBurst, RefusedFrameIsCountedAndDoesNotLinger)
{
    int calls = 0;
    UsbBurstCollector c(UsbReportHandler::VK31C, [&](const QString&) {
        ++calls;
        throw ConversionError(QStringLiteral("1?34"));
    });
    feed(c, "F72B313233342031");
    feed(c, "F73000008000" "0D0A");
    feed(c, "F0");
    EXPECT_EQ(c.badFrameCount(), 1);
    EXPECT_EQ(c.lastError(), QStringLiteral("'1?34' is not a valid integer value"));
    EXPECT_TRUE(c.UsbHexText().isEmpty());
    EXPECT_FALSE(c.UsbBurstOpen());
    feed(c, "F72D313233342031");
    feed(c, "F73000008000" "0D0A");
    feed(c, "F0");
    EXPECT_EQ(c.FrameText(), QStringLiteral(SAMPLE_VOLTS_MINUS_1234 SAMPLE_WIRE_END)) << "the next burst starts clean";
    EXPECT_EQ(calls, 2);

    // A fault behind the decoder is no bad frame: it reaches the caller.
    c.setFrameHandler([](const QString&) { throw std::runtime_error("disk full"); });
    feed(c, "F72B313233342031");
    feed(c, "F73000008000" "0D0A");
    EXPECT_THROW(feed(c, "F0"), std::runtime_error);
    EXPECT_EQ(c.badFrameCount(), 2) << "only the two refused frames";
}

TEST(UsbBurst, EndlessStreamIsBounded)
{
    UsbBurstCollector c;
    for (int i = 0; i < 2000; ++i)
        feed(c, "F72B313233342031");
    EXPECT_EQ(c.UsbHexText().size(), 2 * UsbBurstCollector::kBurstByteBound);
}

TEST(UsbBurst, NibbleForms)
{
    UsbBurstCollector c20(UsbReportHandler::VK20E);
    feed(c20, "F7123456789ABCDE");
    feed(c20, "F7F1234567890000");
    feed(c20, "F0");
    EXPECT_EQ(c20.FrameText(), QStringLiteral("2468ACE1357900")) << "low digits of the first 14 bytes";

    UsbBurstCollector c40(UsbReportHandler::VK40B);
    feed(c40, "F7123456789ABCDE");
    feed(c40, "F4F1234567");
    feed(c40, "F0");
    EXPECT_EQ(c40.FrameText(), QStringLiteral("72468ACE135"));

    feed(c40, "F3123456");
    feed(c40, "F0");
    EXPECT_EQ(c40.FrameText(), QStringLiteral("246")) << "a short burst has no 11th digit";
}
