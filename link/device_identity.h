#pragma once
// Stable names of a meter's device, so that two meters of the same model can be told apart
// across restarts and replugging: the link in /dev/serial/by-id that leads to a serial port,
// and the USB path of a HID adapter's hidraw node.
#include <QString>

// The /dev/serial/by-id/... link that resolves to `device` ("/dev/ttyUSB0"); empty when none
// does (a pseudo-terminal, a port on the board). `byIdFolder` is for tests.
QString stableSerialPath(const QString& device, const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

// The USB path of a hidraw node ("usb-0000:00:14.0-2:1.0", its device's place on the bus) from
// sysfs; empty when it is not known. `sysClassFolder` is for tests.
QString hidUsbPath(const QString& hidrawNode, const QString& sysClassFolder = QStringLiteral("/sys/class/hidraw"));
