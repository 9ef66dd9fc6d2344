#include "ui/grid_columns.h"

#include "decode/measurement_text.h"
#include "decode/unit_display.h"
#include "log/log_time_text.h"
#include "log/record_logger.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <algorithm>

namespace {

constexpr int kSmallerFontSteps = 2;

int cellWidth(const QTableView& grid, const QString& text)
{
    // What the grid's delegate asks of the style for a cell of this text.
    QStyleOptionViewItem option;
    option.initFrom(&grid);
    option.font = grid.font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    const int gridLine = grid.showGrid() ? 1 : 0;
    return grid.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &grid).width() + gridLine;
}

std::array<int, LogGridModel::ColumnCount> neededWidths(const QTableView& grid, const GridColumnTexts& texts)
{
    std::array<int, LogGridModel::ColumnCount> widths{};
    for (int c = 0; c < LogGridModel::ColumnCount; ++c) {
        int w = std::max(LogGridModel::kColumnWidths[c], grid.horizontalHeader()->sectionSizeHint(c));
        for (const QString& text : texts[size_t(c)])
            w = std::max(w, cellWidth(grid, text));
        widths[size_t(c)] = w;
    }
    return widths;
}

} // namespace

GridColumnTexts widestGridTexts(const QLocale& locale, const QString& decimalSeparator)
{
    GridColumnTexts t;
    t[LogGridModel::NoColumn] << QString::number(RecordLogger::kLimits[RecordLogger::kLimitCount - 1]);
    for (int hour = 0; hour < 24; ++hour) {
        const QTime time(hour, 59, 59);
        t[LogGridModel::TimeColumn] << readingTimeText(time, timeSeparatorOf(locale)) << sampledTimeText(time, locale);
    }
    t[LogGridModel::FunctionColumn] = decodedFunctionTexts();
    t[LogGridModel::ValueColumn] << QStringLiteral("-8") + decimalSeparator + QStringLiteral("888");
    for (const QString& unit : decodedUnitTexts())
        t[LogGridModel::UnitColumn] << displayUnit(unit);
    t[LogGridModel::JudgeColumn] << verdictText(Verdict::Pass) << verdictText(Verdict::Fail);
    return t;
}

void fitGridColumns(QTableView& grid, const GridColumnTexts& texts)
{
    const int room = grid.width() - 2 * grid.frameWidth() - grid.verticalScrollBar()->sizeHint().width();
    QFont font = grid.font();
    std::array<int, LogGridModel::ColumnCount> widths{};
    for (int step = 0; step <= kSmallerFontSteps; ++step) {
        if (step > 0) {
            font.setPixelSize(font.pixelSize() - 1);
            grid.setFont(font);
        }
        // The titles in the cells' font: left alone, the header keeps the window's larger one.
        grid.horizontalHeader()->setFont(font);
        widths = neededWidths(grid, texts);
        int total = 0;
        for (int w : widths)
            total += w;
        if (total <= room)
            break;
    }
    for (int c = 0; c < LogGridModel::ColumnCount; ++c)
        grid.setColumnWidth(c, widths[size_t(c)]);
}
