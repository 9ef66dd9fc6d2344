#include "link/serial_frame_assembly.h"

#include <exception>

namespace {
const char kHex[] = "0123456789ABCDEF";

bool isAcceptedShape(const QString& frame)
{
    // Sign first, carriage return as the 14th or the 13th byte of the group.
    const QString head = frame.left(2);
    if (head != QLatin1String("2B") && head != QLatin1String("2D"))
        return false;
    return frame.mid(24, 2) == QLatin1String("0D") || frame.mid(22, 2) == QLatin1String("0D");
}
} // namespace

void SerialFrameAssembly::RECEIVE_COM_Data(const char* data, int size)
{
    if (!data)
        return;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (receiveHexText_.size() < kHexPairBound) {
            receiveHexText_ += QLatin1Char(kHex[byte >> 4]);
            receiveHexText_ += QLatin1Char(kHex[byte & 0x0F]);
        }
        if (byte != 0x0D)
            continue;
        // A group longer than the bound is cut, but its 14th byte is never a carriage
        // return, so it is rejected exactly as the whole group would be.
        frameText_ = receiveHexText_.mid(2, 26);
        receiveHexText_.clear();
        if (isAcceptedShape(frameText_))
            frameEnded();
    }
}

void SerialFrameAssembly::H20BRData(const char* data, int size)
{
    if (!data)
        return;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (receiveHexText_.size() < kNibbleBound)
            receiveHexText_ += QLatin1Char(kHex[byte & 0x0F]);
        if ((byte >> 4) == 0x0E) {
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
    } catch (const std::exception& e) {
        ++badFrames_;
        lastError_ = QString::fromStdString(e.what());
    }
}
