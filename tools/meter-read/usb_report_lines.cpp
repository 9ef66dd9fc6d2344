#include "tools/meter-read/usb_report_lines.h"

#include "link/usb/usb_reports.h"

#include <QString>

#include <cstdio>

void UsbReportLines::takeLine(QByteArrayView raw)
{
    ++lineNo_;
    const QString line = QString::fromLatin1(raw).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return;
    HexReport report;
    QString error;
    if (!parseHexReportLine(line, report, error)) {
        std::fprintf(stderr, "meter-read: line %lld: %s\n", lineNo_, error.toLocal8Bit().constData());
        return;
    }
    report_(report.reportId, reinterpret_cast<const quint8*>(report.data.constData()), quint16(report.data.size()));
}

void UsbReportLines::take(const char* data, qint64 size)
{
    // A line longer than any report can be is dropped with a message, not collected forever.
    constexpr qsizetype kLongestLine = 4 * (0xFFFF + 1);
    pending_.append(data, size);
    qsizetype start = 0;
    for (qsizetype end; (end = pending_.indexOf('\n', start)) >= 0; start = end + 1) {
        if (skippingLongLine_) {
            ++lineNo_;
            skippingLongLine_ = false;
        } else {
            takeLine(QByteArrayView(pending_).sliced(start, end - start));
        }
    }
    pending_.remove(0, start);
    if (pending_.size() > kLongestLine && !skippingLongLine_) {
        // The line is counted when its end arrives.
        std::fprintf(stderr, "meter-read: line %lld: longer than any report, skipped\n", lineNo_ + 1);
        skippingLongLine_ = true;
    }
    if (skippingLongLine_)
        pending_.clear();
}

void UsbReportLines::finish()
{
    if (!pending_.isEmpty() && !skippingLongLine_)
        takeLine(pending_);
    pending_.clear();
}
