#include "ui/window_shortcut.h"

#include <QAction>
#include <QWidget>

void addWindowShortcut(QWidget& window, const QKeySequence& keys, std::function<void()> handler)
{
    auto* action = new QAction(&window);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, &window, std::move(handler));
    window.addAction(action);
}
