#pragma once
// The receive path of the window without the window: raw meter bytes go through the serial
// frame assembly (or USB input reports through the burst collector) and the frame decoder,
// with the decoder's state carried from frame to frame, and every outcome goes to a sink.
#include "decode/decoded_frame.h"
#include "link/serial_frame_assembly.h"
#include "link/usb/usb_burst_collector.h"

#include <QString>

#include <cstdio>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void frameDecoded(const DecodedFrame& frame) = 0;
    // An accepted frame that the decoder refused; `message` is the decoder's error text.
    virtual void frameRefused(const QString& message) = 0;
};

// Writes one reading line per frame to `out` (none when it is null) and each refusal to `err`.
class PrintingSink : public FrameSink {
public:
    PrintingSink(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    void frameDecoded(const DecodedFrame& frame) override;
    void frameRefused(const QString& message) override;

private:
    std::FILE* out_;
    std::FILE* err_;
};

class MeterReader {
public:
    MeterReader(FrameSink& sink, QString decimalSeparator, int startFullScaleCount);

    // A batch of received bytes, as the port delivers them.
    void RECEIVE_COM_Data(const char* data, int size) { assembly_.RECEIVE_COM_Data(data, size); }
    // One input report of the USB adapter: its report ID and the bytes after it.
    void receiveUsbReport(quint8 reportId, const quint8* data, quint16 size)
    {
        usb_.receiveReport(reportId, data, size);
    }

    long long decodedFrames() const { return decoded_; }
    long long refusedFrames() const { return assembly_.badFrameCount() + usb_.badFrameCount(); }
    int fullScaleCount() const { return fullScaleCount_; }

private:
    void decode(const QString& frameText);

    FrameSink& sink_;
    QString decimalSeparator_;
    int fullScaleCount_;
    double previousReadingCount_ = 0;
    long long decoded_ = 0;
    SerialFrameAssembly assembly_;
    UsbBurstCollector usb_;
};
