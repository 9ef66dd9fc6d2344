#pragma once
// The receive path of the window without the window: raw meter bytes go through the serial
// frame assembly (or USB input reports through the burst collector) into the reading
// pipeline the window uses. Whoever runs it listens to the pipeline's signals for readings
// and rows, and to frameRefused for frames the decoder could not read.
#include "decode/reading.h"
#include "link/serial_frame_assembly.h"
#include "link/usb/usb_burst_collector.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/log_settings.h"
#include "tools/meter-read/stream_format.h"

#include <QDateTime>
#include <QObject>
#include <QString>

// Writes one reading line per frame to `out` (none when null). CSV and JSON lines carry the
// time the reading's frame arrived, or the clock's when that is not known.
class ReadingPrinter {
public:
    ReadingPrinter(LineOutput* out, StreamFormat format, const LocaleClock& clock);
    void print(const Reading& reading);
    // CSV lines end in an empty "event" column, for the events printed among them.
    void addEventColumn() { eventColumn_ = true; }

private:
    LineOutput* out_;
    bool eventColumn_ = false;
    StreamFormat format_;
    const LocaleClock& clock_;
    QString timeSeparator_;   // the locale's, as a row logged per reading has it
};

class MeterReader : public QObject {
    Q_OBJECT
public:
    // Throws UsageError when a log setting is out of range (limit, interval). `clock` outlives
    // the reader.
    MeterReader(const LogSettings& settings, int startFullScaleCount, const LocaleClock& clock);

    // A batch of received bytes, as the port delivers them, and when they came (not known for
    // a file or a pipe: the frames then take the time they are decoded).
    void receiveBytes(const char* data, int size, const ByteArrivals& arrivals = {})
    {
        assembly_.receiveHexPairs(data, size, arrivals);
    }
    // One input report of the USB adapter: its report ID, the bytes after it and when it came.
    void receiveUsbReport(quint8 reportId, const quint8* data, quint16 size, const QDateTime& arrivedAt = {})
    {
        usb_.receiveReport(reportId, data, size, arrivedAt);
    }
    // The time by the reader's clock, for stamping what arrives.
    QDateTime now() const { return clock_.now(); }

    // The sampling tick; the caller runs it every intervalMs() while samplingActive().
    void sample() { pipeline_.sample(); }
    bool samplingActive() const { return logger().samplingActive(); }
    int intervalMs() const { return logger().intervalMs(); }

    long long decodedFrames() const { return decoded_; }
    // Serial bytes of USB reports that no report without serial bytes has ended yet.
    int pendingUsbBytes() const { return int(usb_.UsbHexText().size() / 2); }
    long long refusedFrames() const { return assembly_.badFrameCount() + usb_.badFrameCount(); }
    int fullScaleCount() const { return pipeline_.fullScaleCount(); }
    const LogTable& table() const { return pipeline_.table(); }
    const RecordLogger& logger() const { return pipeline_.logger(); }
    ReadingPipeline& pipeline() { return pipeline_; }

signals:
    // An accepted frame that the decoder refused; `message` is the decoder's error text.
    void frameRefused(const QString& message);

private:
    void decode(const QString& frameText, const QDateTime& arrivedAt);

    const LocaleClock& clock_;
    ReadingPipeline pipeline_;
    long long decoded_ = 0;
    SerialFrameAssembly assembly_;
    UsbBurstCollector usb_;
};
