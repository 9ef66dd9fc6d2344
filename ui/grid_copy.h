#pragma once
// Rows of a table model as text a spreadsheet pastes into cells: the header line, then one
// line per row, the cells separated by TAB, lines ended by a line feed. A TAB or line end
// inside a cell becomes a blank, so it cannot split the row.
#include <QAbstractItemModel>
#include <QString>

QString rowsAsTabText(const QAbstractItemModel& model, int firstRow, int lastRow);
