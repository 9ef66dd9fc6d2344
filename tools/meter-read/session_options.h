#pragma once
// meter-read's options for several meters at once: --input NAME=SOURCE, and the checks of the
// inputs and computed channels together. Both throw UsageError with the reason.
#include "tools/meter-read/meter_read_options.h"

// "u=port:COM2", "i=hid:/dev/hidraw0", "x=usb-reports:FILE", "y=-", "z=run.bin".
NamedInput parseNamedInput(const QString& text);

// Names plain and used once, one port per input, at most one standard input, --calc channels
// that read, know their names and use each other in no cycle, --wide with CSV, --rows with
// --log and without --wide.
void checkSessionOptions(const MeterReadOptions& options);
