#pragma once
// What the top bar shows of the serial link: plain state that the connection controller keeps
// in step and the top bar mirrors.
#include <QString>
#include <array>

struct ConnectionControls {
    std::array<bool, 4> portPanelVisible{true, false, false, false};   // BtCOM1..BtCOM4
    bool portPanelsEnabled = true;
    bool comConVisible = true;
    bool comConDown = false;
    QString comConCaption = QStringLiteral("COM Connection");
    bool usbConVisible = true;
    bool usbConDown = false;
    QString usbConCaption = QStringLiteral("USB Connection");
};
