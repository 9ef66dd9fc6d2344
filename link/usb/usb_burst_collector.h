#pragma once
// Collects the serial bytes of consecutive USB input reports into a burst; the first
// report without serial bytes ends the burst and turns it into the frame text.
// Knows nothing of what a frame means: the frame handler throws ConversionError for a bad
// frame, which is counted; any other error passes on to the caller.
#include "decode/usb_report_handler.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <functional>

class UsbBurstCollector {
public:
    using FrameHandler = std::function<void(const QString& frameText)>;

    // The report handler chooses how a burst ends; only VK31C starts the frame handler.
    explicit UsbBurstCollector(UsbReportHandler reportHandler = UsbReportHandler::VK31C, FrameHandler onFrame = {})
        : reportHandler_(reportHandler), onFrame_(std::move(onFrame))
    {
    }
    void setReportHandler(UsbReportHandler reportHandler) { reportHandler_ = reportHandler; }
    void setFrameHandler(FrameHandler onFrame) { onFrame_ = std::move(onFrame); }

    // One input report (the bytes after its report ID), which came at `arrivedAt` (invalid: not
    // known). Returns the report's history line when it carried serial bytes, an empty text otherwise.
    QString receiveReport(quint8 reportId, const quint8* data, quint16 size, const QDateTime& arrivedAt = {});

    const QString& UsbHexText() const { return usbHexText_; }
    bool UsbBurstOpen() const { return burstOpen_; }
    int UsbSilentReports() const { return silentReports_; }
    void resetSilentReports() { silentReports_ = 0; }
    // The adapter went away in the middle of a burst: its bytes would spoil the next frame.
    void dropOpenBurst()
    {
        usbHexText_.clear();
        burstOpen_ = false;
    }
    const QString& FrameText() const { return frameText_; }
    // When the last report with serial bytes of FrameText() came.
    const QDateTime& frameArrivedAt() const { return frameArrivedAt_; }
    // Frames the handler refused with a conversion error of the decoder.
    long long badFrameCount() const { return badFrames_; }
    QString lastError() const { return lastError_; }

    // Longest burst kept, in bytes: a stream without gaps cannot grow it without end.
    // Many frames' worth; the frame end reads only the start of a burst.
    static constexpr int kBurstByteBound = 1024;

    // "R 00  F2 2B 31 ..." for a report.
    static QString reportLine(quint8 reportId, const quint8* data, quint16 size);

private:
    void burstEnded();

    UsbReportHandler reportHandler_;
    FrameHandler onFrame_;
    QString usbHexText_;
    bool burstOpen_ = false;
    int silentReports_ = 0;
    QString frameText_;
    QDateTime lastBytesAt_;      // of the open burst
    QDateTime frameArrivedAt_;
    long long badFrames_ = 0;
    QString lastError_;
};
