#pragma once
// Where each part of the window sits in its client area (663 x 509 pixels), by the part's name.
// The extremes labels lie below the visible client area, as in the layout.
#include <QRect>
#include <QString>

struct PartPlace {
    const char* name;
    int left, top, width, height;
};

inline constexpr int kClientWidth = 663;
inline constexpr int kClientHeight = 509;

inline constexpr PartPlace kPartPlaces[] = {
    {"Panel5", 0, 0, kClientWidth, 32},      // top bar: ports, connections, Quit
    {"Panel1", 5, 36, 302, 162},             // the meter's LCD
    {"PBar2", 5, 197, 302, 17},              // bar graph
    {"Panel2", 4, 216, 305, 41},             // logging controls and file buttons
    {"DBGrid1", 4, 264, 303, 241},           // the log grid
    {"Panel4", 308, 34, 351, 116},           // limits and verdict
    {"Panel3", 4, kClientHeight + 4, 300, 24},   // extremes labels
    {"TntPanel1", 306, 149, 353, 41},        // chart tool bar
    {"Chtshow", 309, 189, 350, 316},         // trend chart
};

inline QRect placeOf(const QString& name)
{
    for (const PartPlace& p : kPartPlaces)
        if (name == QLatin1String(p.name))
            return QRect(p.left, p.top, p.width, p.height);
    return QRect();
}
