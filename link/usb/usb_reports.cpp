#include "link/usb/usb_reports.h"

#include "decode/ascii_digit.h"

#include <QStringList>
#include <algorithm>

namespace {
bool isHexDigit(QChar c)
{
    return isAsciiDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}
} // namespace

QByteArray baudRateFeatureReport(quint32 baud)
{
    QByteArray report(kBaudFeatureReportSize, '\0');
    report[0] = 0x00;   // report ID
    for (int i = 0; i < 4; ++i)
        report[1 + i] = static_cast<char>((baud >> (8 * i)) & 0xFF);
    report[5] = 0x03;   // fixed by the adapter's protocol
    return report;
}

UsbReportPayload unpackReportPayload(const quint8* data, int size)
{
    UsbReportPayload payload;
    if (size <= 0 || !data)
        return payload;
    payload.hasCountByte = true;
    payload.countNibble = data[0] & 0x0F;
    if (payload.carriesData()) {
        const int present = std::min(payload.countNibble, size - 1);
        payload.serialBytes = QByteArray(reinterpret_cast<const char*>(data + 1), present);
    }
    return payload;
}

bool parseHexReportLine(const QString& line, HexReport& report, QString& error)
{
    const QStringList parts = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        error = QStringLiteral("empty report line");
        return false;
    }
    QByteArray bytes;
    for (const QString& part : parts) {
        if (part.size() != 2 || !isHexDigit(part.at(0)) || !isHexDigit(part.at(1))) {
            error = QStringLiteral("'%1' is not a hex byte (two digits 00 to FF) in report line \"%2\"")
                        .arg(part, line.trimmed());
            return false;
        }
        bytes.append(static_cast<char>(part.toUInt(nullptr, 16)));
    }
    if (bytes.size() > 0xFFFF + 1) {
        error = QStringLiteral("report line longer than 65536 bytes");
        return false;
    }
    report.reportId = static_cast<quint8>(bytes.at(0));
    report.data = bytes.mid(1);
    return true;
}
