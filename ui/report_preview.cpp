#include "ui/report_preview.h"

#include "ui/report_printer.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

void showReportPreview(QWidget* parent, const LogTable& table, const ReportUnitText& unitText)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&table, &unitText](QPrinter* target) { paintReport(table, *target, unitText); });
    preview.exec();
}
