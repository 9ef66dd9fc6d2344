#pragma once
// Collects the serial bytes of consecutive USB input reports into a burst; the first
// report without serial bytes ends the burst and turns it into the frame text.
// Knows nothing of what a frame means: the frame handler may throw to mark a frame bad.
#include <QString>
#include <QtGlobal>
#include <functional>

// The burst-end forms of the meter models; only the VK31C form starts the frame handler.
enum class UsbReportForm { VK31C, VK20E, VK40B };

class UsbBurstCollector {
public:
    using FrameHandler = std::function<void(const QString& frameText)>;

    explicit UsbBurstCollector(UsbReportForm form = UsbReportForm::VK31C, FrameHandler onFrame = {})
        : form_(form), onFrame_(std::move(onFrame))
    {
    }
    void setForm(UsbReportForm form) { form_ = form; }
    void setFrameHandler(FrameHandler onFrame) { onFrame_ = std::move(onFrame); }

    // One input report (the bytes after its report ID). Returns the report's history line
    // when it carried serial bytes, an empty text otherwise.
    QString receiveReport(quint8 reportId, const quint8* data, quint16 size);

    const QString& UsbHexText() const { return usbHexText_; }
    bool UsbBurstOpen() const { return burstOpen_; }
    int UsbSilentReports() const { return silentReports_; }
    void resetSilentReports() { silentReports_ = 0; }
    const QString& FrameText() const { return frameText_; }
    // Frames the handler refused with an exception (a conversion error of the decoder).
    long long badFrameCount() const { return badFrames_; }
    QString lastError() const { return lastError_; }

    // Longest burst kept, in bytes: a stream without gaps cannot grow it without end.
    // Many frames' worth; the frame end reads only the start of a burst.
    static constexpr int kBurstByteBound = 1024;

    // "R 00  F2 2B 31 ..." for a report.
    static QString reportLine(quint8 reportId, const quint8* data, quint16 size);

private:
    void burstEnded();

    UsbReportForm form_;
    FrameHandler onFrame_;
    QString usbHexText_;
    bool burstOpen_ = false;
    int silentReports_ = 0;
    QString frameText_;
    long long badFrames_ = 0;
    QString lastError_;
};
