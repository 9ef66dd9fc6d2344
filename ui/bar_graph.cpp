#include "ui/bar_graph.h"

#include <QtGlobal>

BarGraph::BarGraph(QWidget* parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("PBar2"));
    setTextVisible(false);
    setRange(0, 60);
    setValue(30);
}

void BarGraph::show(int maximum, int position)
{
    maximum = qMax(0, maximum);
    if (this->maximum() == maximum && value() == position)
        return;
    // A progress bar repaints itself at once on a new value, which costs a paint of its own
    // each time; with updates held, the change is drawn with the rest of the window instead.
    setUpdatesEnabled(false);
    if (this->maximum() != maximum)
        setMaximum(maximum);
    if (value() != position)
        setValue(position);
    setUpdatesEnabled(true);
}
