#include "link/usb/usb_burst_collector.h"

#include "link/usb/usb_reports.h"

#include <climits>
#include <exception>

namespace {
const char kHex[] = "0123456789ABCDEF";

void appendHex(QString& text, quint8 byte)
{
    text += QLatin1Char(kHex[byte >> 4]);
    text += QLatin1Char(kHex[byte & 0x0F]);
}

// The low digit of each of the first `count` bytes of a hex-pair text.
QString lowDigits(const QString& hexPairs, int count)
{
    QString digits;
    for (int i = 0; i < count && 2 * i + 1 < hexPairs.size(); ++i)
        digits += hexPairs.at(2 * i + 1);
    return digits;
}

bool isAcceptedShape(const QString& frame)
{
    // A sign first and a carriage return as the 13th byte.
    const QString probe = frame.mid(0, 2) + frame.mid(24, 2);
    return probe == QLatin1String("2B0D") || probe == QLatin1String("2D0D");
}
} // namespace

QString UsbBurstCollector::reportLine(quint8 reportId, const quint8* data, quint16 size)
{
    QString line = QStringLiteral("R ");
    appendHex(line, reportId);
    line += QLatin1String("  ");
    for (int i = 0; i < size; ++i) {
        appendHex(line, data[i]);
        line += QLatin1Char(' ');
    }
    return line;
}

QString UsbBurstCollector::receiveReport(quint8 reportId, const quint8* data, quint16 size)
{
    const UsbReportPayload payload = unpackReportPayload(data, size);
    if (payload.hasCountByte && silentReports_ < INT_MAX)
        ++silentReports_;
    if (payload.carriesData()) {
        silentReports_ = 0;
        burstOpen_ = true;
        for (char byte : payload.serialBytes) {
            if (usbHexText_.size() < 2 * kBurstByteBound)
                appendHex(usbHexText_, static_cast<quint8>(byte));
        }
        return reportLine(reportId, data, size);
    }
    const bool ended = burstOpen_;
    burstOpen_ = false;
    if (ended)
        burstEnded();
    return {};
}

void UsbBurstCollector::burstEnded()
{
    // The burst is gone before the handler runs, so a frame it refuses cannot linger at
    // the head of the next burst.
    const QString burst = usbHexText_;
    usbHexText_.clear();
    switch (form_) {
    case UsbReportForm::VK31C:
        frameText_ = burst;
        if (isAcceptedShape(frameText_) && onFrame_) {
            try {
                onFrame_(frameText_);
            } catch (const std::exception& e) {
                ++badFrames_;
                lastError_ = QString::fromUtf8(e.what());
            }
        }
        break;
    case UsbReportForm::VK20E:
        frameText_ = lowDigits(burst, 14);
        break;
    case UsbReportForm::VK40B: {
        const QString digits = lowDigits(burst, 11);
        frameText_ = digits.mid(10, 1) + digits.left(10);
        break;
    }
    }
}
