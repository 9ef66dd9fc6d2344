#pragma once
// The chart's read-out of one logged row: its record number, its time and its value with unit,
// as the grid shows them.
#include "log/log_row.h"

#include <functional>

class LogTable;
class PlotIndex;

#include <QString>

QString chartReadOutText(const LogRow& row);
// The read-out of the chart record under the pointer: the text of the table row the plot
// index gives for it, empty where none is. Both outlive the function.
std::function<QString(qint64 record)> chartReadOut(const LogTable& table, const PlotIndex& plotted);
