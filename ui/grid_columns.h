#pragma once
// Widths of the log grid's columns: the layout's widths are the least, and a column is made
// wide enough for its title and for the widest text logging can put into it, in the font the
// grid really uses. When the columns do not fit the grid's width (with room for its scroll
// bar), the font is made a pixel smaller, a few times at most.
#include "log/log_grid_model.h"

#include <QStringList>
#include <array>

class QLocale;
class QTableView;

using GridColumnTexts = std::array<QStringList, LogGridModel::ColumnCount>;

// The widest texts each column can show: record numbers up to the largest record limit, both
// time formats of the locale, every function and unit the decoder gives, a full value.
GridColumnTexts widestGridTexts(const QLocale& locale, const QString& decimalSeparator);

void fitGridColumns(QTableView& grid, const GridColumnTexts& texts);
