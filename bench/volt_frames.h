#pragma once
// Meter frames the benchmarks send: `count` different readings in volts DC, auto range,
// 0.000 .. 5.999 and their negatives, each from its sign to its CR LF (the LF leads the next).
#include "tools/meter-sim/meter_frame.h"

#include <QByteArray>

#include <vector>

inline std::vector<QByteArray> voltFrames(int count = 6000)
{
    std::vector<QByteArray> frames;
    for (int i = 0; i < count; ++i) {
        MeterFrame f;
        f.negative = i % 2 == 1;
        const QByteArray digits = QByteArray::number(i % 6000).rightJustified(4, '0');
        for (int d = 0; d < 4; ++d)
            f.digits[std::size_t(d)] = digits.at(d);
        f.pointCode = '1';
        f.status = {0x30, 0x00, 0x00, 0x80};
        frames.push_back(buildMeterFrame(f));
    }
    return frames;
}
