#pragma once
// Turns batches of serial bytes into frame texts. Knows nothing of what a frame means:
// every accepted frame goes to the frame handler, which throws ConversionError for a bad frame;
// any other error passes on to the caller.
#include "decode/frame_layout.h"
#include "link/byte_arrivals.h"

#include <QDateTime>
#include <QString>
#include <functional>

class SerialFrameAssembly {
public:
    using FrameHandler = std::function<void(const QString& frameText)>;

    explicit SerialFrameAssembly(FrameHandler onFrame = {}) : onFrame_(std::move(onFrame)) {}
    void setFrameHandler(FrameHandler onFrame) { onFrame_ = std::move(onFrame); }

    // The window's RECEIVE_COM_Data and H20BRData hand their batches here.
    // Hex-pair framing: two hex digits per byte, a frame ends with 0x0D and is accepted when
    // the byte after the dropped first one is a sign and the group is 13 or 14 bytes long.
    // `arrivals` says when the bytes came; a frame takes the time of its carriage return.
    void receiveHexPairs(const char* data, int size, const ByteArrivals& arrivals = {});
    // Nibble framing: the low hex digit of each byte, a frame ends with a byte 0xE0..0xEF.
    // Nothing decodes this form: it only fills the frame text.
    void receiveNibbles(const char* data, int size);

    const QString& receiveHexText() const { return receiveHexText_; }
    const QString& frameText() const { return frameText_; }
    // When the last byte of frameText() arrived; invalid when the batch did not say.
    const QDateTime& frameArrivedAt() const { return frameArrivedAt_; }
    // Frames the handler refused with a conversion error of the decoder.
    long long badFrameCount() const { return badFrames_; }
    QString lastError() const { return lastError_; }

    // Longest text kept while no frame end arrives. Hex pairs: 14 bytes, all that the
    // frame-end steps ever read of a group, so a wrong baud rate cannot grow it.
    static constexpr int kHexPairBound = 2 * frame_layout::kFrameBytes;
    static constexpr int kNibbleBound = 64;

private:
    void frameEnded();

    FrameHandler onFrame_;
    QString receiveHexText_;
    QString frameText_;
    QDateTime frameArrivedAt_;
    long long badFrames_ = 0;
    QString lastError_;
};
