#pragma once
// The printed report of the log table as data: an A4 page in bands (page header, column
// header, one detail band per row, page footer) and the texts each page carries, with
// positions in millimetres. Painting it is report_printer's job.
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class LogTable;
class RecordEvents;

// Turns a stored unit text ("k*", "#") into what a person reads.
using ReportUnitText = std::function<QString(const QString&)>;

namespace ReportLayout {
// Measures in tenths of a millimetre, so the band arithmetic is exact.
constexpr int kPageWidth = 2100;     // A4 portrait
constexpr int kPageHeight = 2970;
constexpr int kMargin = 100;         // top, bottom, left and right
constexpr int kBodyWidth = kPageWidth - 2 * kMargin;     // 190 mm
constexpr int kBodyHeight = kPageHeight - 2 * kMargin;   // 277 mm
constexpr int kPageHeaderHeight = 106;
constexpr int kColumnHeaderHeight = 106;
constexpr int kDetailHeight = 66;
constexpr int kPageFooterHeight = 106;
constexpr int kFontPoints = 10;

// Rows that fit between the headers and the footer: 37.
constexpr int kRowsPerPage = (kBodyHeight - kPageHeaderHeight - kColumnHeaderHeight - kPageFooterHeight) / kDetailHeight;
}   // namespace ReportLayout

// The rows a report prints: the table's first `count`, fixed when the report is made, so that
// the pages printed are the pages previewed while logging goes on; and the log's first
// `eventCount` events, listed in a section of pages of their own after the rows.
struct ReportRows {
    const LogTable& table;
    std::int64_t count;
    const RecordEvents* events = nullptr;
    std::int64_t eventCount = 0;
};

// What a person is told about the rows a report holds: their positions and numbers.
QString reportRowsCaption(const ReportRows& rows);

// Pages the report has for a table of rows rows; an empty table has none.
std::int64_t reportPageCount(std::int64_t rows);
// Pages of the rows and then of the events ("Events": time, kind, channel, rule and text),
// the events' only when there are some.
std::int64_t reportPageCount(const ReportRows& rows);
// Rows printed on page (counted from 0).
int reportRowsOnPage(std::int64_t rows, std::int64_t page);

enum class ReportFont { Report, Time, Value };

struct ReportText {
    QString text;
    ReportFont font = ReportFont::Report;
    int x = 0;              // tenths of a millimetre from the left of the body (inside the margin)
    int y = 0;              // tenths of a millimetre from the top of the body to the text's top
    bool centred = false;   // centred across the body's width instead of starting at x

    bool operator==(const ReportText& o) const
    {
        return text == o.text && font == o.font && x == o.x && y == o.y && centred == o.centred;
    }
};

// Everything printed on one page, in drawing order: title, column labels, the page's rows (or
// events), the footer. Empty fields print nothing and are left out.
std::vector<ReportText> reportPageTexts(const ReportRows& rows, std::int64_t page, const ReportUnitText& unitText);
