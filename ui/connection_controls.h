#pragma once
// What the top bar and the hidden connection menus show of the serial link: plain state that
// the connection controller keeps in step and the top bar mirrors.
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
    bool comSetupEnabled = true;                                        // menu ComSetup1
    std::array<bool, 4> comItemChecked{true, false, false, false};     // COM11..COM41
    bool start1Checked = false, start1Enabled = true;
    bool stop1Checked = false, stop1Enabled = false;
    bool btConVisible = true, btDisconVisible = false;
};
