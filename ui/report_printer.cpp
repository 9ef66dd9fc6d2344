#include "ui/report_printer.h"

#include "log/log_table.h"
#include "log/record_events.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {

// The meter's icon font is not available; the report prints every role (report, time, value)
// in the system's sans-serif face at 10 point, black, and shows units through the unit text
// mapping instead. The roles stay apart in the layout so a face can be given to each.
QFont fontFor(ReportFont)
{
    QFont font(QStringLiteral("Sans Serif"), ReportLayout::kFontPoints);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}   // namespace

std::int64_t paintReport(const ReportRows& rows, QPagedPaintDevice& device, const ReportUnitText& unitText)
{
    using namespace ReportLayout;
    const std::int64_t pages = reportPageCount(rows);
    if (pages == 0)
        return 0;
    const qreal m = kMargin / 10.0;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(m, m, m, m),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device))
        return -1;
    const qreal unitsPerTenth = device.logicalDpiY() / 254.0;   // device units per 0.1 mm
    const qreal bodyWidth = kBodyWidth * unitsPerTenth;
    painter.setPen(Qt::black);
    for (std::int64_t page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        for (const ReportText& t : reportPageTexts(rows, page, unitText)) {
            const QFont font = fontFor(t.font);
            painter.setFont(font);
            const QFontMetricsF metrics(font, &device);
            qreal x = t.x * unitsPerTenth;
            if (t.centred)
                x = (bodyWidth - metrics.horizontalAdvance(t.text)) / 2;
            painter.drawText(QPointF(x, t.y * unitsPerTenth + metrics.ascent()), t.text);
        }
    }
    painter.end();
    return pages;
}

std::int64_t writeReportPdf(const LogTable& table, const QString& fileName, const ReportUnitText& unitText,
                            const RecordEvents* events)
{
    if (reportPageCount(table.rowCount()) == 0)
        return 0;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    std::int64_t pages = 0;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Data Report"));
        pages = paintReport({table, table.rowCount(), events, events ? std::int64_t(events->size()) : 0}, pdf, unitText);
    }
    file.close();
    return file.error() == QFileDevice::NoError ? pages : -1;
}
