#pragma once
// Maps the port names "COM1".."COM4" to the system's serial ports.
//
// COM<n> is, in this order:
//  1. the link (or file) named COM<n> in the program's runtime folder, when one is there; the
//     virtual meter publishes its pseudo-terminal this way, and a user can point one at any
//     device (ln -s /dev/ttyS0 "$XDG_RUNTIME_DIR/meter-logger/COM1");
//  2. otherwise the n-th serial port the system lists: USB adapters first (ttyUSB*, then
//     ttyACM*), then the rest, each group in name order with numbers compared as numbers.
#include <QString>
#include <QStringList>

// $XDG_RUNTIME_DIR/meter-logger, or /tmp/meter-logger-<uid> when XDG_RUNTIME_DIR is unset.
QString meterRuntimeDir();

// The serial ports' system locations ("/dev/ttyUSB0", ...) in COM order.
QStringList orderSerialPorts(const QStringList& systemLocations);

// The system port for "COM1".."COM4" given the runtime folder and the system's ports
// (system locations, any order). Empty when there is none; the name itself when it is not
// of the form COM<n>.
QString resolveComPort(const QString& comName, const QString& runtimeDir, const QStringList& systemPorts);

// The same with the serial ports the system lists now.
QString resolveComPort(const QString& comName, const QString& runtimeDir);

// Whether a port that went away is there again: `comName` (COM<n>, or any name or path the
// resolver takes) leads to a device that exists, and it is either the device that was lost
// (`lostSystemPort`, as resolved when it was opened) or one published under that name in the
// runtime folder: a virtual meter started again publishes a new pseudo-terminal. Another port
// the name falls back to meanwhile does not count, nor does a published device that is not a
// serial port (serial_device_check.h).
bool comPortReturned(const QString& comName, const QString& runtimeDir, const QString& lostSystemPort);

// The device that the link `comName` in the runtime folder leads to now; empty when there is no
// such link (or it leads nowhere). A virtual meter started again repoints it.
QString publishedPort(const QString& comName, const QString& runtimeDir);

// Where the serial port object looks for a port name: a name without a folder is a device
// under /dev; a relative path is taken from the current folder.
QString serialDevicePath(const QString& name);
