#include "link/serial_frame_assembly.h"

#include "decode/conversion_error.h"
#include "decode/frame_layout.h"

namespace fl = frame_layout;

void SerialFrameAssembly::receiveHexPairs(const char* data, int size, const ByteArrivals& arrivals)
{
    if (!data)
        return;
    std::size_t batch = 0;
    int batchEnd = arrivals.batches.empty() ? size : arrivals.batches.front().bytes;
    for (int i = 0; i < size; ++i) {
        while (i >= batchEnd && batch + 1 < arrivals.batches.size())
            batchEnd += arrivals.batches[++batch].bytes;
        const auto byte = static_cast<unsigned char>(data[i]);
        if (receiveHexText_.size() < kHexPairBound)
            fl::appendHexPair(receiveHexText_, byte);
        if (byte != fl::kCarriageReturn)
            continue;
        // The group's first byte is the line feed after the previous frame; the frame text is
        // the sign through the carriage return. A group longer than the bound is cut, but its
        // 14th byte is never a carriage return, so it is rejected as the whole group would be.
        frameText_ = receiveHexText_.mid(fl::highDigitAt(1), fl::highDigitAt(fl::kCarriageReturnByte + 1));
        frameArrivedAt_ = arrivals.batches.empty() ? QDateTime() : arrivals.batches[batch].at;
        receiveHexText_.resize(0);   // keeps its room: the next frame is as long
        if (fl::isAcceptedSerialFrame(frameText_))
            frameEnded();
    }
}

void SerialFrameAssembly::receiveNibbles(const char* data, int size)
{
    if (!data)
        return;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (receiveHexText_.size() < kNibbleBound)
            fl::appendLowDigit(receiveHexText_, byte);
        if ((byte >> 4) == fl::kNibbleFrameEnd) {
            frameText_ = receiveHexText_;
            receiveHexText_.clear();
        }
    }
}

void SerialFrameAssembly::frameEnded()
{
    if (!onFrame_)
        return;
    try {
        onFrame_(frameText_);
    } catch (const ConversionError& e) {
        ++badFrames_;
        lastError_ = QString::fromStdString(e.what());
    }
}
