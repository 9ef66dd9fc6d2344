#pragma once
// Handler types of the HID device controller and its device objects.
#include <QString>
#include <QtGlobal>
#include <functional>

class THidDevice;

using THidPlugEvent = std::function<void(THidDevice& HidDev)>;
// Returns true to go on with the next device.
using THidEnumerateEvent = std::function<bool(THidDevice& HidDev, int Idx)>;
// Data points at the Size bytes after the report ID; valid during the call only.
using THidDataEvent = std::function<void(THidDevice& HidDev, quint8 ReportID, const quint8* Data, quint16 Size)>;
using THidDataErrorEvent = std::function<void(THidDevice& HidDev, quint32 Error)>;
using THidNotifyEvent = std::function<void()>;

// Identity of one device interface while it stays plugged in.
struct THidPnPInfo {
    quint32 InstanceHandle = 0;
    QString InterfacePath;
};
