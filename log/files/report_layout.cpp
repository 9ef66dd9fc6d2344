#include "log/files/report_layout.h"

#include "log/log_table.h"
#include "log/record_events.h"

#include <algorithm>
#include <iterator>

using namespace ReportLayout;

namespace {

// Where a band starts, from the top of the body.
constexpr int kColumnHeaderTop = kPageHeaderHeight;
constexpr int kFirstDetailTop = kPageHeaderHeight + kColumnHeaderHeight;
constexpr int kPageFooterTop = kBodyHeight - kPageFooterHeight;   // at the foot of every page

struct Column {
    const char* label;
    int labelX;        // in the column header
    int fieldX;        // in the detail band
    int field;
    ReportFont font;
};

// One row per printed column: header label and position, field position and font.
constexpr Column kColumns[] = {
    {"No", 85, 85, LogTable::No, ReportFont::Report},
    {"Time", 339, 339, LogTable::Time, ReportFont::Time},
    {"DC|AC", 643, 656, LogTable::Function, ReportFont::Report},
    {"Value", 995, 995, LogTable::Value, ReportFont::Value},
    {"Unit", 1323, 1312, LogTable::Unit, ReportFont::Report},
    {"AUTO", 1630, 1630, LogTable::Auto, ReportFont::Report},
};
constexpr int kTitleTop = 21;         // in the page header
constexpr int kLabelTop = 42;         // in the column header
constexpr int kFieldTop = 21;         // in a detail band
constexpr int kFooterX = 85;
constexpr int kFooterTop = 42;        // in the page footer

// The events' section: one line per event in the detail bands.
struct EventColumn {
    const char* label;
    int x;
};
constexpr EventColumn kEventColumns[] = {{"Time", 85}, {"Kind", 500}, {"Channel", 900}, {"Rule / text", 1150}};
constexpr int kEventTextChars = 60;   // a long note is cut to what the line holds

QString eventDetail(const RecordEvent& e)
{
    QString detail = e.rule.isEmpty() ? e.text : e.text.isEmpty() ? e.rule : e.rule + QStringLiteral(" (") + e.text + QLatin1Char(')');
    detail.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (detail.size() > kEventTextChars)
        detail = detail.left(kEventTextChars - 1) + QChar(0x2026);
    return detail;
}

std::vector<ReportText> eventPageTexts(const ReportRows& report, std::int64_t page)
{
    std::vector<ReportText> texts;
    const int lines = reportRowsOnPage(report.eventCount, page);
    texts.push_back({QStringLiteral("Events"), ReportFont::Report, 0, kTitleTop, true});
    for (const EventColumn& c : kEventColumns)
        texts.push_back({QString::fromLatin1(c.label), ReportFont::Report, c.x, kColumnHeaderTop + kLabelTop, false});
    for (int i = 0; i < lines; ++i) {
        const RecordEvent& e = report.events->at(std::size_t(page * kRowsPerPage + i));
        const int top = kFirstDetailTop + i * kDetailHeight + kFieldTop;
        const QString fields[] = {e.at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), eventKindText(e.kind), e.channel,
                                  eventDetail(e)};
        for (std::size_t f = 0; f < std::size(fields); ++f)
            if (!fields[f].isEmpty())
                texts.push_back({fields[f], f == 0 ? ReportFont::Time : ReportFont::Report, kEventColumns[f].x, top, false});
    }
    return texts;
}

std::int64_t eventCountOf(const ReportRows& report)
{
    if (!report.events)
        return 0;
    return std::min<std::int64_t>(report.eventCount, std::int64_t(report.events->size()));
}

}   // namespace

std::int64_t reportPageCount(std::int64_t rows)
{
    return rows <= 0 ? 0 : (rows + kRowsPerPage - 1) / kRowsPerPage;
}

int reportRowsOnPage(std::int64_t rows, std::int64_t page)
{
    if (page < 0 || page >= reportPageCount(rows))
        return 0;
    const std::int64_t left = rows - page * kRowsPerPage;
    return int(left < kRowsPerPage ? left : kRowsPerPage);
}

std::int64_t reportPageCount(const ReportRows& rows)
{
    const std::int64_t rowPages = reportPageCount(rows.count);
    return rowPages == 0 ? 0 : rowPages + reportPageCount(eventCountOf(rows));
}

QString reportRowsCaption(const ReportRows& rows)
{
    if (rows.count <= 0)
        return QStringLiteral("This report holds no rows.");
    const QString first = rows.table.text(0, LogTable::No);
    const QString last = rows.table.text(rows.count - 1, LogTable::No);
    QString numbers;
    if (!first.isEmpty() && !last.isEmpty())
        numbers = rows.count == 1 ? QStringLiteral(" (No. %1)").arg(first)
                                  : QStringLiteral(" (No. %1 to %2)").arg(first, last);
    const QString which = rows.count == 1 ? QStringLiteral("row 1") : QStringLiteral("rows 1 to %1").arg(rows.count);
    return QStringLiteral("This report holds %1 of the log%2, as the log stood when Print was pressed. "
                          "Rows logged since then are not in it.")
        .arg(which, numbers);
}

std::vector<ReportText> reportPageTexts(const ReportRows& report, std::int64_t page, const ReportUnitText& unitText)
{
    std::vector<ReportText> texts;
    const LogTable& table = report.table;
    const std::int64_t rowPages = reportPageCount(report.count);
    if (rowPages > 0 && page >= rowPages && page < reportPageCount(report)) {
        ReportRows events = report;
        events.eventCount = eventCountOf(report);
        texts = eventPageTexts(events, page - rowPages);
        texts.push_back({QStringLiteral("The Data Print Foot"), ReportFont::Report, kFooterX,
                         kPageFooterTop + kFooterTop, false});
        return texts;
    }
    const int rows = reportRowsOnPage(report.count, page);
    if (rows == 0)
        return texts;
    texts.push_back({QStringLiteral("Data Report"), ReportFont::Report, 0, kTitleTop, true});
    for (const Column& c : kColumns)
        texts.push_back({QString::fromLatin1(c.label), ReportFont::Report, c.labelX, kColumnHeaderTop + kLabelTop, false});
    const std::int64_t first = page * kRowsPerPage;
    for (int i = 0; i < rows; ++i) {
        const int top = kFirstDetailTop + i * kDetailHeight + kFieldTop;
        for (const Column& c : kColumns) {
            QString text = table.text(first + i, c.field);
            if (c.field == LogTable::Unit && unitText)
                text = unitText(text);
            if (!text.isEmpty())
                texts.push_back({text, c.font, c.fieldX, top, false});
        }
    }
    texts.push_back({QStringLiteral("The Data Print Foot"), ReportFont::Report, kFooterX, kPageFooterTop + kFooterTop,
                     false});
    return texts;
}
