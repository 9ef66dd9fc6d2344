#pragma once
// A part of a window found by the name the layout gives it ("Panel4", "DBGrid1", "MaxText").
// A missing part fails the test at once instead of crashing it.
#include <QAction>
#include <QObject>
#include <QString>

#include <stdexcept>

template <typename T>
T* part(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        throw std::logic_error(std::string("the window has no part named ") + name);
    return found;
}

// The Record menu's limit item 0..5, by its layout name.
inline QAction* limitItem(const QObject& window, int item)
{
    static const char* const names[] = {"N10001", "N50001", "N100001", "N500001", "N1000001", "limitess"};
    return part<QAction>(window, names[item]);
}
