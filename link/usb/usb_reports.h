#pragma once
// The byte layouts of the USB adapter cable: its baud-rate feature report, the count byte
// of its input reports, and the text form of a report used to replay recorded traffic.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

inline constexpr int kBaudFeatureReportSize = 10;

// Report ID 0, the baud rate least significant byte first, then 03 and four zero bytes.
QByteArray baudRateFeatureReport(quint32 baud);

// What one input report carries, from the bytes after its report ID.
struct UsbReportPayload {
    bool hasCountByte = false;   // false for a report with no bytes at all
    int countNibble = 0;         // low four bits of the count byte
    QByteArray serialBytes;      // the serial bytes, only when the report carries data
    // Only counts 1 to 9 carry serial bytes; 0 and 10 to 15 mean an empty report.
    bool carriesData() const { return countNibble >= 1 && countNibble <= 9; }
};
// A count larger than the bytes present takes the bytes that are there.
UsbReportPayload unpackReportPayload(const quint8* data, int size);

// One report written as hex byte pairs separated by blanks, report ID first:
// "00 F7 2B 31 32 33 34 20 31".
struct HexReport {
    quint8 reportId = 0;
    QByteArray data;   // the bytes after the report ID
};
// False with a message naming the offending text when the line is not such a report.
bool parseHexReportLine(const QString& line, HexReport& report, QString& error);
