#pragma once
// Which devices a COM link may lead to. A serial port or the slave side of a pseudo-terminal
// (the virtual meter's) carries a meter's bytes and hangs up when it goes away; anything else
// that opens as a terminal (the pseudo-terminal multiplexer /dev/ptmx, a console) never sends a
// frame and never hangs up, so a link pointed there would hold the name for ever.
#include <QString>

// Empty when `devicePath` is such a port, or when it cannot be looked at (opening it then
// gives the system's reason); otherwise why it is not one.
QString serialDeviceRefusal(const QString& devicePath);
