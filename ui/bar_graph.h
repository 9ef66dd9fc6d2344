#pragma once
// PBar2: the bar graph under the LCD, the size of the last logged value within the range's.
#include <QProgressBar>

class BarGraph : public QProgressBar {
public:
    explicit BarGraph(QWidget* parent = nullptr);
    // The frame sets the maximum before logging sets the position; the bar follows in that
    // order. The position is within the maximum, so the bar is never emptied.
    void show(int maximum, int position);
};
