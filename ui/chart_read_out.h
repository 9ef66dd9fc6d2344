#pragma once
// The chart's read-out of one logged row: its record number, its time and its value with unit,
// as the grid shows them.
#include "log/log_row.h"

#include <QString>

QString chartReadOutText(const LogRow& row);
