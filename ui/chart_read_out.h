#pragma once
// The chart's read-out of one logged row: its record number, its time and its value with unit,
// as the grid shows them.
#include "log/log_row.h"

#include <cstdint>
#include <functional>
#include <optional>

class LogTable;
class PlotIndex;

#include <QString>

QString chartReadOutText(const LogRow& row);
// The recorder's read-out of a row: as the chart's, with the date before the time when the row's
// time (`ms`, since the epoch) is known.
QString recorderReadOutText(const LogRow& row, std::optional<std::int64_t> ms);
// The read-out of the chart record under the pointer: the text of the table row the plot
// index gives for it, empty where none is. Both outlive the function.
std::function<QString(qint64 record)> chartReadOut(const LogTable& table, const PlotIndex& plotted);
