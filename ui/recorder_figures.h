#pragma once
// The figures of the recorder's cursor range, per function and base unit, with the texts of
// the Statistics window and the time the range spans, under a line saying which records it
// covers.
#include "log/row_statistics.h"

#include <QLocale>
#include <QWidget>

class QLabel;
class QTableWidget;

class RecorderFigures : public QWidget {
    Q_OBJECT
public:
    explicit RecorderFigures(QLocale locale, QWidget* parent = nullptr);

    // The figures of table rows first..last (both included), and when they began and ended
    // (invalid when not known).
    void show(const RowStatistics& figures, qint64 firstRow, qint64 lastRow, const QDateTime& from, const QDateTime& to);
    // No range chosen: says how to choose one.
    void showNone();

    QLabel* cover = nullptr;
    QTableWidget* table = nullptr;

private:
    QLocale locale_;
};
