#pragma once
// meter-read's inputs. Each runs the application's event loop until its input ends, a stop
// is requested (Ctrl+C) or the input fails, and returns the exit code; timers of the caller
// (the sampling tick) keep running meanwhile.
#include "tools/meter-read/meter_read_options.h"

#include <QCoreApplication>

#include <functional>

class MeterReader;

struct ReadLoop {
    QCoreApplication& app;
    MeterReader& reader;
    std::function<bool()> stopRequested;   // polled every 50 ms
    std::function<void()> afterInput;      // after each batch of input has gone through the reader
};

// Raw serial bytes from a file or standard input ("-").
int readByteStream(const QString& path, const ReadLoop& loop);
// A serial port, COM1..COM4 or any other name the resolver knows, or a device path.
int readSerialPort(const MeterReadOptions& options, const ReadLoop& loop);
// Hex lines, one USB input report each; blank lines and lines starting with '#' are skipped.
int readUsbReportLines(const QString& path, const ReadLoop& loop);
// A USB adapter's hidraw node: the baud-rate report first, then its input reports.
int readHidAdapter(const QString& path, quint32 baud, const ReadLoop& loop);
