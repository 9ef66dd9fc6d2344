#include "ui/grid_copy.h"

#include "log/tab_cell_text.h"

namespace {

QString cellText(const QVariant& v) { return tabCellText(v.toString()); }

} // namespace

QString rowsAsTabText(const QAbstractItemModel& model, int firstRow, int lastRow)
{
    const int columns = model.columnCount();
    QString text;
    for (int c = 0; c < columns; ++c)
        text += (c ? QStringLiteral("\t") : QString()) + cellText(model.headerData(c, Qt::Horizontal));
    text += QLatin1Char('\n');
    for (int r = std::max(0, firstRow); r <= lastRow && r < model.rowCount(); ++r) {
        for (int c = 0; c < columns; ++c)
            text += (c ? QStringLiteral("\t") : QString()) + cellText(model.data(model.index(r, c)));
        text += QLatin1Char('\n');
    }
    return text;
}
