#pragma once
// meter-read with several inputs (--input NAME=SOURCE, --calc, --align, --wide): one session,
// one clock and one event loop for all meters; returns the exit status.
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/meter_read_options.h"

#include <QCoreApplication>

#include <functional>

// `stopRequested` is polled every 50 ms (Ctrl+C, SIGTERM, a reader of the lines gone away).
int runSession(QCoreApplication& app, const MeterReadOptions& options, LineOutput& output,
               const std::function<bool()>& stopRequested);
