#pragma once
// A tool window kept in step with the button that shows it: checking the button shows the
// window, closing the window clears the check.
#include <QAbstractButton>

template <class ToolWindow, class Show>
void pairWithButton(QAbstractButton& button, ToolWindow& window, Show show)
{
    QObject::connect(&button, &QAbstractButton::toggled, &window, show);
    QObject::connect(&window, &ToolWindow::hidden, &button, [&button] { button.setChecked(false); });
}
