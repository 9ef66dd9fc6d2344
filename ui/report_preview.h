#pragma once
// Shows the report of the log table in a print preview, from which the user prints.
#include "log/files/report_layout.h"

class QWidget;

// Returns when the preview window is closed. An empty table shows no pages.
void showReportPreview(QWidget* parent, const LogTable& table, const ReportUnitText& unitText);
