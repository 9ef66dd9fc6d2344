#pragma once
// What the virtual meter shows: a loop of readings across its functions and ranges, each held
// for a few frames with the last digit moving a little. Deterministic: the same loop every run.
#include "tools/meter-sim/meter_frame.h"

#include <QString>
#include <QStringList>

#include <vector>

struct ScenarioFrame {
    QByteArray bytes;          // the 14 bytes on the wire
    QString display;           // what the display shows, "." as the point
    // What the receiving program makes of the frame.
    QString functionText;
    QString unitText;
    QString rangeModeText;
    QString rangeName;
    double readingValue = 0;
    QStringList indicators;    // panel elements that must be shown (others may be too)
};

// One loop of the default scenario, in sending order.
std::vector<ScenarioFrame> defaultScenario();
