#pragma once
// Shows the report of the log table in a print preview, from which the user prints.
#include "log/files/report_layout.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

class QWidget;

// The preview of the rows the table holds when it opens. Logging goes on while it is shown; the
// pages it prints are the pages it shows, and a line under them says which rows those are.
class ReportPreview {
public:
    // `events`, when given, the log's events: those it holds when the preview opens are listed.
    ReportPreview(const LogTable& table, ReportUnitText unitText, QWidget* parent = nullptr,
                  const RecordEvents* events = nullptr);
    ReportPreview(const ReportPreview&) = delete;
    ReportPreview& operator=(const ReportPreview&) = delete;

    QPrintPreviewDialog& dialog() { return dialog_; }

private:
    const LogTable& table_;
    const std::int64_t rows_;
    const RecordEvents* events_;
    const std::int64_t eventCount_;
    const ReportUnitText unitText_;
    QPrinter printer_{QPrinter::HighResolution};
    QPrintPreviewDialog dialog_;
};

// Returns when the preview window is closed. An empty table shows no pages.
void showReportPreview(QWidget* parent, const LogTable& table, const ReportUnitText& unitText,
                       const RecordEvents* events = nullptr);
