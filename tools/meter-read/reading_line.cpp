#include "tools/meter-read/reading_line.h"

#include "decode/range_table.h"

std::string readingLine(const Reading& f)
{
    const std::string tab = "\t";
    std::string line;
    line += f.valueText.toStdString() + tab;
    line += shortestNumberText(f.readingCount) + tab;
    line += shortestNumberText(f.readingValue) + tab;
    line += f.functionText.toStdString() + tab;
    line += f.unitText.toStdString() + tab;
    line += f.rangeModeText.toStdString() + tab;
    line += (f.range ? std::string(f.range->name) : std::string()) + tab;
    line += (f.range ? shortestNumberText(f.range->bound) : std::string()) + tab;
    line += std::to_string(f.fullScaleCount) + tab;
    line += std::to_string(f.pointPosition) + tab;
    line += f.indicators.names().join(QLatin1Char(',')).toStdString();
    return line;
}
