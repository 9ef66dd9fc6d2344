#pragma once
// One meter of meter-read's session: its bytes (or USB reports) assembled into frames as on
// the serial line, each frame handed to the session's input with the time its last byte
// arrived. Frames the decoder refuses are counted and said, and the reading goes on.
#include "link/serial_frame_assembly.h"
#include "link/usb/usb_burst_collector.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class MeterSession;

class SessionFeed : public QObject {
    Q_OBJECT
public:
    SessionFeed(MeterSession& session, int input);

    void receiveBytes(const char* data, int size, const ByteArrivals& arrivals = {})
    {
        assembly_.receiveHexPairs(data, size, arrivals);
    }
    void receiveUsbReport(quint8 reportId, const quint8* data, quint16 size, const QDateTime& arrivedAt = {})
    {
        usb_.receiveReport(reportId, data, size, arrivedAt);
    }

    int input() const { return input_; }
    long long decodedFrames() const { return decoded_; }
    long long refusedFrames() const { return assembly_.badFrameCount() + usb_.badFrameCount(); }
    int pendingUsbBytes() const { return int(usb_.UsbHexText().size() / 2); }

signals:
    // A frame the decoder refused; `message` is its error text.
    void frameRefused(const QString& message);

private:
    void decode(const QString& frameText, const QDateTime& arrivedAt);

    MeterSession& session_;
    int input_;
    long long decoded_ = 0;
    SerialFrameAssembly assembly_;
    UsbBurstCollector usb_;
};
