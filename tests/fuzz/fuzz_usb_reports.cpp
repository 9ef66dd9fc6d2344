// The USB adapter's input reports, in any sizes and with any count bytes, through the burst
// collector of each model form with the decoder behind the one that decodes; and the text
// form of recorded reports. The collector's state after every report is compared with a
// plain model of the burst rules.
//
// Input: a mode byte (0..2 the burst-end form, 3 a recorded report line), then for the
// forms a sequence of reports, each a size byte (low five bits), a report ID byte and that
// many data bytes; for the line the text of one line.
#include "fuzz_check.h"

#include "decode/frame_decoder.h"
#include "decode/frame_layout.h"
#include "link/usb/usb_burst_collector.h"
#include "link/usb/usb_reports.h"

#include <QStringList>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

namespace fl = frame_layout;

QString hexOf(std::uint8_t byte) { return fuzzHex(&byte, 1); }

struct BurstModel {
    UsbReportHandler form = UsbReportHandler::VK31C;
    QString hex;
    bool open = false;
    int silent = 0;
    QString frameText;
    QStringList frames;   // handed to the frame handler

    // Returns whether the report carried serial bytes.
    bool receive(const uint8_t* data, size_t size)
    {
        if (size == 0) {
            endBurst();
            return false;
        }
        if (silent < INT_MAX)
            ++silent;
        const int n = data[0] & 0x0F;
        if (n < 1 || n > 9) {
            endBurst();
            return false;
        }
        silent = 0;
        open = true;
        const size_t present = std::min<size_t>(size_t(n), size - 1);
        for (size_t i = 0; i < present; ++i)
            if (hex.size() < 2 * UsbBurstCollector::kBurstByteBound)
                hex += fuzzHex(data + 1 + i, 1);
        return true;
    }
    void endBurst()
    {
        if (!open)
            return;
        open = false;
        const QString burst = hex;
        hex.clear();
        QString low;   // the low digit of each byte
        for (int i = 1; i < burst.size(); i += 2)
            low += burst.at(i);
        switch (form) {
        case UsbReportHandler::VK31C: {
            frameText = burst;
            // A sign first and a carriage return as the 13th byte.
            const QString sign = burst.left(2);
            if ((sign == hexOf(fl::kPlus) || sign == hexOf(fl::kMinus))
                && burst.mid(2 * fl::kCarriageReturnByte, 2) == hexOf(fl::kCarriageReturn))
                frames << burst;
            break;
        }
        case UsbReportHandler::VK20E:
            frameText = low.left(fl::kUsbNibbleFrameBytes);
            break;
        case UsbReportHandler::VK40B:
            frameText = low.mid(fl::kUsbRotatedFrameBytes - 1, 1) + low.left(fl::kUsbRotatedFrameBytes - 1);
            break;
        case UsbReportHandler::None:
            break;
        }
    }
};

void checkPayload(const uint8_t* data, size_t size, const QString& where)
{
    const UsbReportPayload p = unpackReportPayload(data, int(size));
    FUZZ_CHECK(p.hasCountByte == (size > 0), where);
    if (size == 0)
        return;
    FUZZ_CHECK(p.countNibble == (data[0] & 0x0F), where);
    const bool carries = p.countNibble >= 1 && p.countNibble <= 9;
    FUZZ_CHECK(p.carriesData() == carries, where);
    const size_t present = carries ? std::min<size_t>(size_t(p.countNibble), size - 1) : 0;
    FUZZ_CHECK(size_t(p.serialBytes.size()) == present, where);
    FUZZ_CHECK(std::equal(p.serialBytes.begin(), p.serialBytes.end(), reinterpret_cast<const char*>(data) + 1), where);
}

void runReports(UsbReportHandler form, FuzzInput& input)
{
    QStringList decoded;
    long long refusals = 0;
    UsbBurstCollector collector(form, [&](const QString& frameText) {
        decoded << frameText;
        DecodeInput in;
        in.frameText = frameText;
        try {
            decodeFrame(in);
        } catch (const ConversionError&) {
            ++refusals;
            throw;
        }
    });
    BurstModel model;
    model.form = form;
    QString trace;
    while (!input.atEnd()) {
        const size_t wanted = input.byte() & 0x1F;
        const uint8_t reportId = input.byte();
        const uint8_t* bytes = nullptr;
        const size_t size = input.take(wanted, bytes);
        // An exactly sized copy, so a read past the report's end is caught.
        const std::vector<uint8_t> report(bytes, bytes + size);
        const uint8_t* data = report.empty() ? nullptr : report.data();
        trace += fuzzHex(data, size) + QLatin1Char('|');
        checkPayload(data, size, trace);

        const QString line = collector.receiveReport(reportId, data, quint16(size));
        const bool carried = model.receive(data, size);
        FUZZ_CHECK(line.isEmpty() == !carried, trace);
        if (carried) {
            // The history line reads back, through the recorded-report form, as the report.
            FUZZ_CHECK(line.startsWith(QLatin1String("R ")), line);
            HexReport back;
            QString error;
            FUZZ_CHECK(parseHexReportLine(line.mid(2), back, error), line + " " + error);
            FUZZ_CHECK(back.reportId == reportId && back.data == QByteArray(reinterpret_cast<const char*>(data), int(size)),
                       line);
        }
        FUZZ_CHECK(collector.UsbHexText() == model.hex, trace + " hex " + collector.UsbHexText());
        FUZZ_CHECK(collector.UsbHexText().size() <= 2 * UsbBurstCollector::kBurstByteBound, trace);
        FUZZ_CHECK(collector.UsbBurstOpen() == model.open, trace);
        FUZZ_CHECK(collector.UsbSilentReports() == model.silent, trace);
        FUZZ_CHECK(collector.FrameText() == model.frameText, trace + " frame " + collector.FrameText());
    }
    FUZZ_CHECK(decoded == model.frames, trace);
    FUZZ_CHECK(collector.badFrameCount() == refusals, trace);
}

bool isSpace(QChar c) { return c.isSpace(); }

int hexDigit(QChar c)
{
    const QString digits = QStringLiteral("0123456789ABCDEF");
    return digits.indexOf(c.toUpper());
}

void runLine(FuzzInput& input)
{
    const QString line = QString::fromLatin1(reinterpret_cast<const char*>(input.rest()), int(input.remaining()));
    HexReport report;
    report.reportId = 0x5A;
    report.data = QByteArrayLiteral("kept");
    QString error;
    const bool ok = parseHexReportLine(line, report, error);

    // The line's blank-separated tokens.
    QStringList tokens;
    QString token;
    for (QChar c : line + QLatin1Char(' ')) {
        if (!isSpace(c)) {
            token += c;
        } else if (!token.isEmpty()) {
            tokens << token;
            token.clear();
        }
    }
    bool allHexBytes = !tokens.isEmpty();
    for (const QString& t : tokens) {
        allHexBytes = allHexBytes && t.size() == 2 && hexDigit(t.at(0)) >= 0 && hexDigit(t.at(1)) >= 0;
    }
    FUZZ_CHECK(ok == allHexBytes, fuzzShow(line));
    if (!ok) {
        // A refused line leaves the report as it was and says why.
        FUZZ_CHECK(report.reportId == 0x5A && report.data == QByteArrayLiteral("kept"), fuzzShow(line));
        FUZZ_CHECK(!error.isEmpty(), fuzzShow(line));
        return;
    }
    FUZZ_CHECK(1 + report.data.size() == tokens.size(), fuzzShow(line));
    FUZZ_CHECK(report.reportId == uint(16 * hexDigit(tokens.at(0).at(0)) + hexDigit(tokens.at(0).at(1))), fuzzShow(line));
    for (int i = 0; i < report.data.size(); ++i)
        FUZZ_CHECK(quint8(report.data.at(i)) == 16 * hexDigit(tokens.at(i + 1).at(0)) + hexDigit(tokens.at(i + 1).at(1)), fuzzShow(line));
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    switch (input.byte() % 4) {
    case 0: runReports(UsbReportHandler::VK31C, input); break;
    case 1: runReports(UsbReportHandler::VK20E, input); break;
    case 2: runReports(UsbReportHandler::VK40B, input); break;
    default: runLine(input); break;
    }
    return 0;
}
