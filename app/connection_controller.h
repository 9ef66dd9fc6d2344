#pragma once
// The serial connection controls of the top bar, kept in step with the port and the USB link.
// Plain state: the window shows it; tests read it.
#include "ui/connection_controls.h"

#include <QString>

// What connection control needs of the serial driver.
class SerialPortAccess {
public:
    virtual ~SerialPortAccess() = default;
    virtual void selectPort(int n) = 0;                 // 1..4; ignored while open
    virtual int selectedPort() const = 0;
    virtual bool openPort(QString* reason) = 0;         // false with the system's reason
    virtual void closePort() = 0;
};

class ConnectionController {
public:
    explicit ConnectionController(SerialPortAccess& port) : port_(port) {}

    const ConnectionControls& controls() const { return c_; }

    // Port panels step to the next port: BtCOM1 selects COM2, ..., BtCOM4 selects COM1.
    void portPanelClicked(int visiblePanel) { selectPort(visiblePanel % 4 + 1); }

    // The toggle button was clicked; `down` is its state after the click. Returns the
    // error text to show when the port could not be opened (the controls stay Idle).
    QString COMConClick(bool down);

    // The USB link takes over the top bar while `receiving`, or gives it back.
    void usbChanged(bool receiving, const QString& caption);

private:
    void selectPort(int n);

    SerialPortAccess& port_;
    ConnectionControls c_;
};
