#pragma once
// The receive path of the window without the window: raw meter bytes go through the serial
// frame assembly (or USB input reports through the burst collector) into the reading
// pipeline the window uses, and every outcome goes to a sink; the rows it logs to a handler.
#include "decode/decoded_frame.h"
#include "link/serial_frame_assembly.h"
#include "link/usb/usb_burst_collector.h"
#include "pipeline/local_now.h"
#include "pipeline/reading_pipeline.h"
#include "tools/log_settings.h"
#include "tools/stream_format.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdio>
#include <functional>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void frameDecoded(const DecodedFrame& frame) = 0;
    // An accepted frame that the decoder refused; `message` is the decoder's error text.
    virtual void frameRefused(const QString& message) = 0;
};

// Writes one reading line per frame to `out` (none when it is null), flushed at once, and each
// refusal to `err`. CSV and JSON lines carry the time `now` gives for each reading.
class PrintingSink : public FrameSink {
public:
    struct Stamp {
        std::function<QDateTime()> now;
        QString timeSeparator = QStringLiteral(":");
    };
    PrintingSink(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    PrintingSink(std::FILE* out, std::FILE* err, StreamFormat format, Stamp stamp)
        : out_(out), err_(err), format_(format), stamp_(std::move(stamp)) {}
    // Writing to `out` failed (a pipe whose reader went away); nothing more is written there.
    bool outputClosed() const { return closed_; }
    void frameDecoded(const DecodedFrame& frame) override;
    void frameRefused(const QString& message) override;

private:
    std::FILE* out_;
    std::FILE* err_;
    bool closed_ = false;
    StreamFormat format_ = StreamFormat::Tsv;
    Stamp stamp_;
};

struct ReaderClock {
    std::function<QDateTime()> now = LocalNow();   // rows' date and time
    QLocale locale = QLocale::system();   // the sampling rows' time format and the time separator
};

class MeterReader {
public:
    using Clock = ReaderClock;
    using RowHandler = std::function<void(const LogTable& table, std::int64_t row)>;

    // Throws UsageError when a log setting is out of range (limit, interval).
    MeterReader(FrameSink& sink, const LogSettings& settings, int startFullScaleCount, Clock clock = {},
                RowHandler rowLogged = {});
    MeterReader(FrameSink& sink, QString decimalSeparator, int startFullScaleCount);

    // A batch of received bytes, as the port delivers them.
    void RECEIVE_COM_Data(const char* data, int size) { assembly_.RECEIVE_COM_Data(data, size); }
    // One input report of the USB adapter: its report ID and the bytes after it.
    void receiveUsbReport(quint8 reportId, const quint8* data, quint16 size)
    {
        usb_.receiveReport(reportId, data, size);
    }

    // The sampling tick (Timer3); the caller runs it every intervalMs() while samplingActive().
    void samplingTick() { pipeline_.Timer3Timer(); }
    bool samplingActive() const { return logger().timer3Enabled(); }
    int intervalMs() const { return logger().timer3IntervalMs(); }

    long long decodedFrames() const { return decoded_; }
    long long refusedFrames() const { return assembly_.badFrameCount() + usb_.badFrameCount(); }
    int fullScaleCount() const { return pipeline_.reading().FullScaleCount; }
    const LogTable& table() const { return pipeline_.table(); }
    const RecordLogger& logger() const { return pipeline_.logger(); }

    // Every logged row also goes to `journal` (may be null; outlives the reader).
    void setJournal(RecordJournal* journal) { pipeline_.setJournal(journal); }

private:
    void decode(const QString& frameText);

    FrameSink& sink_;
    Clock clock_;
    QString decimalSeparator_;
    ReadingPipeline pipeline_;
    long long decoded_ = 0;
    SerialFrameAssembly assembly_;
    UsbBurstCollector usb_;
};
