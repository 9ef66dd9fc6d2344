#include "ui/report_preview.h"

#include "log/log_table.h"
#include "log/record_events.h"
#include "ui/report_printer.h"

#include <QBoxLayout>
#include <QLabel>

#include <algorithm>

ReportPreview::ReportPreview(const LogTable& table, ReportUnitText unitText, QWidget* parent, const RecordEvents* events)
    : table_(table), rows_(table.rowCount()), events_(events), eventCount_(events ? std::int64_t(events->size()) : 0),
      unitText_(std::move(unitText)), dialog_(&printer_, parent)
{
    // The dialog paints again for the printer when the user prints, by then over a longer table.
    // The table only grows while the modal preview is up; the bound is kept anyway.
    QObject::connect(&dialog_, &QPrintPreviewDialog::paintRequested, &dialog_, [this](QPrinter* target) {
        // A cleared log has no events left to list.
        const std::int64_t events = events_ ? std::min(eventCount_, std::int64_t(events_->size())) : 0;
        paintReport({table_, std::min(rows_, table_.rowCount()), events_, events}, *target, unitText_);
    });
    const QString rows = reportRowsCaption({table_, rows_});
    auto* box = qobject_cast<QBoxLayout*>(dialog_.layout());
    if (!box) {
        dialog_.setWindowTitle(rows);
        return;
    }
    auto* caption = new QLabel(rows, &dialog_);
    caption->setObjectName(QStringLiteral("ReportRows"));
    caption->setWordWrap(true);
    caption->setContentsMargins(8, 4, 8, 4);
    box->addWidget(caption);
}

void showReportPreview(QWidget* parent, const LogTable& table, const ReportUnitText& unitText,
                       const RecordEvents* events)
{
    ReportPreview preview(table, unitText, parent, events);
    preview.dialog().exec();
}
