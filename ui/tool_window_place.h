#pragma once
// Where a tool window of the main window opens: below it, as far as the screen has room, and
// never above the screen's top however tall it is.
#include <QScreen>
#include <QWidget>

#include <algorithm>

inline void placeBelow(QWidget& tool, const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    QPoint at(frame.left(), frame.bottom() + 4);
    if (const QScreen* s = window.screen()) {
        const QRect room = s->availableGeometry();
        at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - tool.frameGeometry().height())));
        at.setX(std::max(room.left(), std::min(at.x(), room.right() - tool.frameGeometry().width())));
    }
    tool.move(at);
}
