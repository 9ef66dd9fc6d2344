#pragma once
// Paints the report of the log table onto a paged device: a printer, a print preview or a PDF.
#include "log/files/report_layout.h"

#include <QString>

class QPagedPaintDevice;

// Sets A4 portrait with 10 mm margins on the device and paints every page of the rows. No rows
// paint nothing (the device gets no page). Returns the number of pages painted.
std::int64_t paintReport(const ReportRows& rows, QPagedPaintDevice& device, const ReportUnitText& unitText);

// Writes the report as a PDF file ("save as PDF"), with the section of `events` when there are
// some. For an empty table no file is written and 0 is returned; -1 when the file cannot be
// written.
std::int64_t writeReportPdf(const LogTable& table, const QString& fileName, const ReportUnitText& unitText,
                            const RecordEvents* events = nullptr);
