// Serial frame assembly: batches of bytes in, frame texts and accepted frames out.
#include "link/serial_frame_assembly.h"

#include "decode/conversion_error.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <stdexcept>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void feed(SerialFrameAssembly& a, const Bytes& bytes, std::size_t from, std::size_t to)
{
    a.receiveHexPairs(reinterpret_cast<const char*>(bytes.data() + from), int(to - from));
}

void feedNibbles(SerialFrameAssembly& a, const Bytes& bytes)
{
    a.receiveNibbles(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

// An assembly that records every frame it passes on.
struct Recorder {
    QStringList frames;
    SerialFrameAssembly assembly{[this](const QString& t) { frames << t; }};
};

// The hex-pair steps exactly as described, with no bound on the received text.
struct ReferenceHexPair {
    QString receiveHexText;
    QString frameText;
    QStringList frameTexts;  // FrameText at every frame end
    QStringList accepted;    // FrameText of every frame handed to the decoder

    void receive(const Bytes& bytes)
    {
        for (std::uint8_t byte : bytes) {
            const QString digits = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
            receiveHexText += digits;
            if (digits != QLatin1String("0D"))
                continue;
            frameText = receiveHexText.mid(2, 26);  // characters 3 to 28
            frameTexts << frameText;
            const QString first = frameText.mid(0, 2) + frameText.mid(24, 2);
            const QString second = frameText.mid(0, 2) + frameText.mid(22, 2);
            if (first == QLatin1String("2B0D") || first == QLatin1String("2D0D")
                || second == QLatin1String("2B0D") || second == QLatin1String("2D0D"))
                accepted << frameText;
            receiveHexText.clear();
        }
    }
};

// A group as the meter sends it: a leading byte, the sign, `body` bytes, the carriage return.
Bytes group(std::uint8_t sign, int body, std::uint8_t first = 0x0A)
{
    Bytes g{first, sign};
    for (int i = 0; i < body; ++i)
        g.push_back(std::uint8_t(0x11 + i));
    g.push_back(0x0D);
    return g;
}

} // namespace

TEST(SerialFrameAssembly, AcceptsFourteenAndThirteenByteGroups)
{
    struct Case { Bytes bytes; const char* frameText; bool accepted; const char* why; };
    const Case cases[] = {
        {group(0x2B, 11), "2B1112131415161718191A1B0D", true, "14 bytes, plus"},
        {group(0x2D, 10), "2D1112131415161718191A0D", true, "13 bytes, minus: 24 characters"},
        {group(0x2B, 9), "2B1112131415161718190D", false, "12 bytes"},
        {group(0x2B, 12), "2B1112131415161718191A1B1C", false, "15 bytes: the text stops before the CR"},
        {group(0x20, 11), "201112131415161718191A1B0D", false, "second byte is no sign"},
        {Bytes{0x2B, 0x31, 0x32, 0x33, 0x34, 0x20, 0x31, 0x30, 0x00, 0x00, 0x80, 0x00, 0x0D},
         "31323334203130000080000D", false, "a frame with no byte before its sign loses the sign"},
        {Bytes{0x0D}, "", false, "a lone carriage return"},
        {Bytes{0x2B, 0x0D}, "0D", false, "two bytes"},
    };
    for (const Case& c : cases) {
        Recorder r;
        feed(r.assembly, c.bytes, 0, c.bytes.size());
        EXPECT_EQ(r.assembly.frameText(), c.frameText) << c.why;
        EXPECT_EQ(r.frames.size(), c.accepted ? 1 : 0) << c.why;
        if (c.accepted) {
            EXPECT_EQ(r.frames.value(0), c.frameText) << c.why;
        }
        EXPECT_EQ(r.assembly.receiveHexText(), "") << c.why;
    }
}

TEST(SerialFrameAssembly, AnySplitGivesTheSameFrames)
{
    const Bytes stream = group(0x2B, 11) + group(0x2D, 10) + Bytes{0x01, 0x2B, 0x33};
    const QStringList expected = {"2B1112131415161718191A1B0D", "2D1112131415161718191A0D"};

    // Every split into up to three batches.
    for (std::size_t i = 0; i <= stream.size(); ++i) {
        for (std::size_t j = i; j <= stream.size(); ++j) {
            Recorder r;
            feed(r.assembly, stream, 0, i);
            feed(r.assembly, stream, i, j);
            feed(r.assembly, stream, j, stream.size());
            ASSERT_EQ(r.frames, expected) << "split at " << i << ", " << j;
            ASSERT_EQ(r.assembly.frameText(), expected.last());
            ASSERT_EQ(r.assembly.receiveHexText(), "012B33") << "bytes after the last CR are kept";
        }
    }

    // One byte per batch: the frame is passed on during the batch of its carriage return.
    Recorder r;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        feed(r.assembly, stream, i, i + 1);
        EXPECT_EQ(r.frames.size(), i < 13 ? 0 : i < 26 ? 1 : 2) << "after byte " << i;
    }
}

TEST(SerialFrameAssembly, TwoFramesInOneBatchCallTheHandlerInOrder)
{
    QStringList seen;
    SerialFrameAssembly a;
    a.setFrameHandler([&](const QString& t) {
        // The frame text is already the current frame's when the handler runs.
        EXPECT_EQ(a.frameText(), t);
        seen << t;
    });
    const Bytes batch = group(0x2B, 11) + group(0x2D, 11);
    feed(a, batch, 0, batch.size());
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].startsWith("2B"));
    EXPECT_TRUE(seen[1].startsWith("2D"));
    EXPECT_EQ(a.frameText(), seen[1]);
}

TEST(SerialFrameAssembly, EmptyAndNegativeBatchesChangeNothing)
{
    Recorder r;
    const Bytes start = group(0x2B, 11) + Bytes{0x0A, 0x2B};
    feed(r.assembly, start, 0, start.size());
    const Bytes data{0x0D, 0x0D};
    r.assembly.receiveHexPairs(reinterpret_cast<const char*>(data.data()), 0);
    r.assembly.receiveHexPairs(reinterpret_cast<const char*>(data.data()), -1);
    r.assembly.receiveHexPairs(nullptr, 5);  // no bytes at all: nothing to read
    r.assembly.receiveNibbles(reinterpret_cast<const char*>(data.data()), -7);
    EXPECT_EQ(r.assembly.receiveHexText(), "0A2B");
    EXPECT_EQ(r.assembly.frameText(), "2B1112131415161718191A1B0D");
    EXPECT_EQ(r.frames.size(), 1);
}

TEST(SerialFrameAssembly, AHandlerErrorCountsABadFrameAndTheBatchGoesOn)
{
    QStringList decoded;
    SerialFrameAssembly a([&](const QString& t) {
        if (t.startsWith("2D"))
            throw ConversionError(QStringLiteral("A"));
        decoded << t;
    });
    const Bytes batch = group(0x2B, 11) + group(0x2D, 11) + group(0x2B, 10);
    feed(a, batch, 0, batch.size());
    EXPECT_EQ(decoded.size(), 2) << "the frame after the bad one is still decoded";
    EXPECT_EQ(a.badFrameCount(), 1);
    EXPECT_EQ(a.lastError(), "'A' is not a valid integer value");
    EXPECT_EQ(a.receiveHexText(), "");

    feed(a, batch, 0, batch.size());
    EXPECT_EQ(a.badFrameCount(), 2);
    EXPECT_EQ(decoded.size(), 4);

    // Without a handler frames are assembled and nothing is counted.
    SerialFrameAssembly silent;
    feed(silent, batch, 0, batch.size());
    EXPECT_EQ(silent.badFrameCount(), 0);
    EXPECT_EQ(silent.frameText(), "2B1112131415161718191A0D");

    // A fault behind the decoder (logging, the chart) is no bad frame: it reaches the caller.
    SerialFrameAssembly faulty([](const QString&) { throw std::runtime_error("disk full"); });
    EXPECT_THROW(feed(faulty, batch, 0, batch.size()), std::runtime_error);
    EXPECT_EQ(faulty.badFrameCount(), 0);
}

TEST(SerialFrameAssembly, ReceivedTextIsBoundedWithoutLosingFrames)
{
    Recorder r;
    Bytes noise(5000, 0x55);
    feed(r.assembly, noise, 0, noise.size());
    EXPECT_LE(r.assembly.receiveHexText().size(), SerialFrameAssembly::kHexPairBound);

    // The long group ends, is rejected, and the next whole group is accepted.
    const Bytes after = Bytes{0x0D} + group(0x2B, 11);
    feed(r.assembly, after, 0, after.size());
    EXPECT_EQ(r.frames, QStringList{"2B1112131415161718191A1B0D"});

    // A group that starts like a frame but runs past 14 bytes before its carriage return is
    // rejected, though only its first 14 bytes are kept.
    Recorder r2;
    Bytes tricky = group(0x2B, 11);
    tricky.insert(tricky.end() - 1, 40, 0x0D + 1);
    feed(r2.assembly, tricky, 0, tricky.size());
    EXPECT_TRUE(r2.frames.isEmpty());
}

// The bounded text must give the same frame texts and the same accepted frames as the
// unbounded steps, whatever arrives and however it is split.
TEST(SerialFrameAssembly, BoundedTextMatchesTheUnboundedSteps)
{
    std::mt19937 rng(20261209);
    // Bytes that make frames likely: signs and carriage returns are frequent.
    const std::uint8_t alphabet[] = {0x0D, 0x0D, 0x2B, 0x2B, 0x2D, 0x2D, 0x00, 0x30, 0x31, 0x0A, 0xD0, 0xFF};
    std::uniform_int_distribution<int> pick(0, int(sizeof alphabet) - 1);
    std::uniform_int_distribution<int> shape(0, 9);
    std::uniform_int_distribution<int> body(0, 40);
    std::uniform_int_distribution<int> batchSize(0, 20);
    long long acceptedTotal = 0;

    for (int round = 0; round < 300; ++round) {
        Bytes stream;
        while (stream.size() < 600) {
            switch (shape(rng)) {
            case 0: case 1: case 2:  // one to three groups of 13 or 14 bytes, any leading byte
                for (int k = shape(rng) % 3; k >= 0; --k)
                    stream = stream + group(shape(rng) < 5 ? 0x2B : 0x2D, 10 + shape(rng) % 2,
                                            std::uint8_t(pick(rng)));
                break;
            case 3: {                // a long run without a carriage return
                const int n = 20 + body(rng) * 3;
                for (int i = 0; i < n; ++i)
                    stream.push_back(std::uint8_t(0x40 + i % 64));
                break;
            }
            default:                 // random bytes from the alphabet
                for (int i = body(rng); i > 0; --i)
                    stream.push_back(alphabet[pick(rng)]);
            }
        }

        ReferenceHexPair reference;
        reference.receive(stream);

        // Byte by byte: the frame text after every carriage return.
        QStringList frameTexts;
        Recorder single;
        for (std::size_t i = 0; i < stream.size(); ++i) {
            feed(single.assembly, stream, i, i + 1);
            if (stream[i] == 0x0D)
                frameTexts << single.assembly.frameText();
        }
        ASSERT_EQ(frameTexts, reference.frameTexts) << "round " << round;
        ASSERT_EQ(single.frames, reference.accepted) << "round " << round;

        // Random batches: the same accepted frames and the same end state.
        Recorder batched;
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t end = std::min(stream.size(), at + std::size_t(batchSize(rng)));
            feed(batched.assembly, stream, at, end);
            at = end;
        }
        ASSERT_EQ(batched.frames, reference.accepted) << "round " << round;
        ASSERT_EQ(batched.assembly.frameText(), reference.frameText);
        ASSERT_EQ(batched.assembly.receiveHexText(), reference.receiveHexText.left(SerialFrameAssembly::kHexPairBound));
        acceptedTotal += reference.accepted.size();
    }
    EXPECT_GT(acceptedTotal, 1000) << "the streams must exercise accepted frames";
}

TEST(SerialFrameAssembly, NibbleFraming)
{
    int calls = 0;
    SerialFrameAssembly a([&](const QString&) { ++calls; });
    const Bytes partial{0x13, 0x2A};
    feedNibbles(a, partial);
    EXPECT_EQ(a.frameText(), "");
    EXPECT_EQ(a.receiveHexText(), "3A");

    const Bytes end{0xE5};
    feedNibbles(a, end);
    EXPECT_EQ(a.frameText(), "3A5");
    EXPECT_EQ(a.receiveHexText(), "");

    // Any byte 0xE0..0xEF ends a frame, 0x0D does not; nothing is decoded.
    const Bytes more{0x0D, 0xDF, 0xF1, 0xE0, 0x77};
    feedNibbles(a, more);
    EXPECT_EQ(a.frameText(), "DF10");
    EXPECT_EQ(a.receiveHexText(), "7");
    EXPECT_EQ(calls, 0);

    // A wrong speed cannot grow the text without end, and the next group comes whole.
    const Bytes noise(1000, 0x12);
    feedNibbles(a, noise);
    EXPECT_LE(a.receiveHexText().size(), SerialFrameAssembly::kNibbleBound);
    const Bytes groups{0xE1, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0xEE};
    feedNibbles(a, groups);
    EXPECT_EQ(a.frameText(), "123456789ABCDE");
}
