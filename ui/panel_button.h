#pragma once
// A push button on a panel's row: named as in the layout, with its hint, 25 pixels high.
#include <QPushButton>

inline QPushButton* panelButton(QWidget* parent, const char* name, const QString& text, const QString& hint, int x,
                                int width)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setGeometry(x, 8, width, 25);
    return b;
}
