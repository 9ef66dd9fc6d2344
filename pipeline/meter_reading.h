#pragma once
// The current reading and the decoder's state between frames, overwritten by every frame.
#include <QString>

struct MeterReading {
    QString ValueText;
    double ReadingCount = 0;
    double ReadingValue = 0;
    QString FunctionText;
    QString UnitText;
    QString RangeModeText;
    QString JudgeText;
    int PointPosition = 0;
    int FullScaleCount = 4000;
    bool NewReadingFlag = false;
};
