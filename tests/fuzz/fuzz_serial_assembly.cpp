// Both serial framings on any byte stream cut into any batches, with the decoder behind the
// hex-pair framing as in the running program. The frames that reach the decoder, the frame
// text and the kept bytes are compared with a plain model of the framing rules, which does
// not depend on how the stream was cut.
//
// Input: a mode byte (bit 0: nibble framing), a byte that seeds the batch lengths, then the
// stream.
#include "fuzz_check.h"

#include "decode/frame_decoder.h"
#include "decode/frame_layout.h"
#include "link/serial_frame_assembly.h"

#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

namespace fl = frame_layout;

struct Expected {
    QStringList frames;    // accepted frames, in order
    QString frameText;     // after the last frame end
    bool anyFrameEnd = false;
    QString pending;       // the kept text
};

// A frame is accepted when its group (the bytes since the previous end, the carriage
// return included) has 13 or 14 bytes and a sign as its second byte. The text kept and
// handed on is that of the group's bytes 2 to 14.
Expected hexPairModel(const uint8_t* data, size_t size)
{
    Expected e;
    std::vector<uint8_t> group;
    for (size_t i = 0; i < size; ++i) {
        group.push_back(data[i]);
        if (data[i] != fl::kCarriageReturn)
            continue;
        const size_t n = group.size();
        const size_t kept = n < fl::kFrameBytes ? n : fl::kFrameBytes;
        e.frameText = kept > 1 ? fuzzHex(group.data() + 1, kept - 1) : QString();
        e.anyFrameEnd = true;
        if ((n == fl::kFrameBytes - 1 || n == fl::kFrameBytes) && (group[1] == fl::kPlus || group[1] == fl::kMinus))
            e.frames << e.frameText;
        group.clear();
    }
    const size_t kept = group.size() < fl::kFrameBytes ? group.size() : fl::kFrameBytes;
    e.pending = fuzzHex(group.data(), kept);
    return e;
}

// One low digit per byte; a byte E0..EF ends the frame and is part of it.
Expected nibbleModel(const uint8_t* data, size_t size)
{
    Expected e;
    QString group;
    for (size_t i = 0; i < size; ++i) {
        if (group.size() < SerialFrameAssembly::kNibbleBound)
            group += fuzzHex(&data[i], 1).at(1);
        if ((data[i] >> 4) == fl::kNibbleFrameEnd) {
            e.frameText = group;
            e.anyFrameEnd = true;
            group.clear();
        }
    }
    e.pending = group;
    return e;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const bool nibbles = input.byte() & 1;
    uint32_t cut = input.byte() * 2654435761u + 1;
    const uint8_t* stream = input.rest();
    const size_t streamSize = input.remaining();
    const QString streamHex = fuzzHex(stream, streamSize);

    // The handler decodes as the window does and carries the decoder's state forward.
    QStringList decoded;
    long long refusals = 0;
    QString lastRefusal;
    int fullScale = 6000;
    double previousCount = 0;
    SerialFrameAssembly assembly([&](const QString& frameText) {
        decoded << frameText;
        DecodeInput in;
        in.frameText = frameText;
        in.fullScaleCount = fullScale;
        in.previousReadingCount = previousCount;
        try {
            const Reading f = decodeFrame(in);
            fullScale = f.fullScaleCount;
            previousCount = f.readingCount;
        } catch (const ConversionError& e) {
            ++refusals;
            lastRefusal = QString::fromStdString(e.what());
            throw;
        }
    });

    const int bound = nibbles ? SerialFrameAssembly::kNibbleBound : SerialFrameAssembly::kHexPairBound;
    size_t pos = 0;
    while (pos < streamSize) {
        cut = cut * 1103515245u + 12345u;
        const size_t length = std::min<size_t>(streamSize - pos, 1 + (cut >> 16) % 20);
        const auto* batch = reinterpret_cast<const char*>(stream + pos);
        if (((cut >> 8) & 0x1F) == 0) {
            // Empty and negative batches change nothing.
            const QString keptBefore = assembly.receiveHexText();
            const QString frameBefore = assembly.frameText();
            assembly.receiveHexPairs(batch, 0);
            assembly.receiveNibbles(batch, -1);
            FUZZ_CHECK(assembly.receiveHexText() == keptBefore && assembly.frameText() == frameBefore, streamHex);
        }
        if (nibbles)
            assembly.receiveNibbles(batch, int(length));
        else
            assembly.receiveHexPairs(batch, int(length));
        pos += length;
        FUZZ_CHECK(assembly.receiveHexText().size() <= bound,
                   QStringLiteral("kept %1 characters of %2").arg(assembly.receiveHexText().size()).arg(streamHex));
    }

    const Expected e = nibbles ? nibbleModel(stream, streamSize) : hexPairModel(stream, streamSize);
    FUZZ_CHECK(decoded == e.frames, QStringLiteral("frames [%1], expected [%2], stream %3")
                                        .arg(decoded.join(' '), e.frames.join(' '), streamHex));
    for (const QString& frame : decoded) {
        FUZZ_CHECK(frame.startsWith(QLatin1String("2B")) || frame.startsWith(QLatin1String("2D")), frame);
        FUZZ_CHECK(frame.endsWith(QLatin1String("0D")) && (frame.size() == 24 || frame.size() == 26), frame);
    }
    if (e.anyFrameEnd)
        FUZZ_CHECK(assembly.frameText() == e.frameText,
                   QStringLiteral("frame text %1, expected %2, stream %3").arg(assembly.frameText(), e.frameText, streamHex));
    else
        FUZZ_CHECK(assembly.frameText().isEmpty(), streamHex);
    FUZZ_CHECK(assembly.receiveHexText() == e.pending,
               QStringLiteral("kept %1, expected %2, stream %3").arg(assembly.receiveHexText(), e.pending, streamHex));
    // Every refusal of the decoder is counted and its message kept; nothing else is.
    FUZZ_CHECK(assembly.badFrameCount() == refusals, streamHex);
    if (refusals > 0)
        FUZZ_CHECK(assembly.lastError() == lastRefusal, assembly.lastError());
    return 0;
}
