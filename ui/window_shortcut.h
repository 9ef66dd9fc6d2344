#pragma once
// A key that runs a handler while its window, or anything in it, has the focus.
#include <QKeySequence>

#include <functional>

class QWidget;

void addWindowShortcut(QWidget& window, const QKeySequence& keys, std::function<void()> handler);
