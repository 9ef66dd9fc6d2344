#include "link/usb/usb_burst_collector.h"

#include "decode/conversion_error.h"
#include "decode/frame_layout.h"
#include "link/usb/usb_reports.h"

#include <climits>

namespace {
namespace fl = frame_layout;

// The low digit of each of the first `count` bytes of a hex-pair text.
QString lowDigits(const QString& hexPairs, int count)
{
    QString digits;
    for (int i = 0; i < count && fl::lowDigitAt(i) < hexPairs.size(); ++i)
        digits += hexPairs.at(fl::lowDigitAt(i));
    return digits;
}
} // namespace

QString UsbBurstCollector::reportLine(quint8 reportId, const quint8* data, quint16 size)
{
    QString line = QStringLiteral("R ");
    fl::appendHexPair(line, reportId);
    line += QLatin1String("  ");
    for (int i = 0; i < size; ++i) {
        fl::appendHexPair(line, data[i]);
        line += QLatin1Char(' ');
    }
    return line;
}

QString UsbBurstCollector::receiveReport(quint8 reportId, const quint8* data, quint16 size, const QDateTime& arrivedAt)
{
    const UsbReportPayload payload = unpackReportPayload(data, size);
    if (payload.hasCountByte && silentReports_ < INT_MAX)
        ++silentReports_;
    if (payload.carriesData()) {
        silentReports_ = 0;
        burstOpen_ = true;
        lastBytesAt_ = arrivedAt;
        for (char byte : payload.serialBytes) {
            if (usbHexText_.size() < 2 * kBurstByteBound)
                fl::appendHexPair(usbHexText_, static_cast<quint8>(byte));
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
    frameArrivedAt_ = lastBytesAt_;
    switch (reportHandler_) {
    case UsbReportHandler::VK31C:
        frameText_ = burst;
        if (fl::isAcceptedUsbFrame(frameText_) && onFrame_) {
            try {
                onFrame_(frameText_);
            } catch (const ConversionError& e) {
                ++badFrames_;
                lastError_ = QString::fromUtf8(e.what());
            }
        }
        break;
    case UsbReportHandler::VK20E:
        frameText_ = lowDigits(burst, fl::kUsbNibbleFrameBytes);
        break;
    case UsbReportHandler::VK40B: {
        const QString digits = lowDigits(burst, fl::kUsbRotatedFrameBytes);
        frameText_ = digits.mid(fl::kUsbRotatedFrameBytes - 1, 1) + digits.left(fl::kUsbRotatedFrameBytes - 1);
        break;
    }
    case UsbReportHandler::None:
        break;   // the link binds no handler for such a model, so no burst gets here
    }
}
