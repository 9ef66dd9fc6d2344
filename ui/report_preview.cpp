#include "ui/report_preview.h"

#include "log/log_table.h"
#include "ui/report_printer.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPrinter>

#include <algorithm>

ReportPreview::ReportPreview(const LogTable& table, ReportUnitText unitText, QWidget* parent)
    : QPrintPreviewDialog(parent), table_(table), rows_(table.rowCount()), unitText_(std::move(unitText))
{
    // The dialog paints again for the printer when the user prints, by then over a longer table.
    // The table only grows while the modal preview is up; the bound is kept anyway.
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        paintReport({table_, std::min(rows_, table_.rowCount())}, *target, unitText_);
    });
    const QString rows = reportRowsCaption({table_, rows_});
    auto* box = qobject_cast<QBoxLayout*>(layout());
    if (!box) {
        setWindowTitle(rows);
        return;
    }
    auto* caption = new QLabel(rows, this);
    caption->setObjectName(QStringLiteral("ReportRows"));
    caption->setWordWrap(true);
    caption->setContentsMargins(8, 4, 8, 4);
    box->addWidget(caption);
}

void showReportPreview(QWidget* parent, const LogTable& table, const ReportUnitText& unitText)
{
    ReportPreview preview(table, unitText, parent);
    preview.exec();
}
