#pragma once
// Who a meter of a session is and how its link stands, so that two meters of the same model
// can be told apart: the name the user gave its port, the device that name leads to now, and
// the device's stable path where the system keeps one (/dev/serial/by-id/..., or the USB path
// of a HID adapter). The front ends fill it in; they own the links.
#include <QString>

struct MeterIdentity {
    QString port;         // as the user named it: "COM2", "/dev/ttyUSB0", "/dev/hidraw3", a file, "-"
    QString device;       // the system's device it leads to now ("/dev/pts/4"); empty: not known or the same
    QString stablePath;   // "/dev/serial/by-id/usb-...-port0", "usb-0000:00:14.0-2"; empty: none known

    bool operator==(const MeterIdentity& o) const
    {
        return port == o.port && device == o.device && stablePath == o.stablePath;
    }
};

// "COM2", "COM2 (/dev/pts/4)", "COM2 (/dev/ttyUSB0, /dev/serial/by-id/usb-...)".
QString identityText(const MeterIdentity& identity);

// Whether two identities name one port: the same stable path, the same device, or (when
// neither leads to a device) the same name. A file and standard input are no port.
bool samePort(const MeterIdentity& a, const MeterIdentity& b);

// How a meter's link stands, as its front end and the session's watchdog see it.
enum class LinkState {
    Opening,   // not open yet
    Reading,   // frames come
    Silent,    // open, but no frame for three watchdog ticks
    Lost,      // the port went away; its front end waits for it to return
    Ended,     // a file or a pipe that ended, or a port given up
};

// "opening", "reading", "silent", "lost", "ended".
QString linkStateText(LinkState state);
