#pragma once
// The serial connection controls of the top bar and the hidden menus, kept in step.
// Plain state: the window shows it; tests read it.
#include <QString>
#include <array>

// What connection control needs of the serial driver.
class SerialPortAccess {
public:
    virtual ~SerialPortAccess() = default;
    virtual void selectPort(int n) = 0;                 // 1..4; ignored while open
    virtual int selectedPort() const = 0;
    virtual bool openPort(QString* reason) = 0;         // false with the system's reason
    virtual void closePort() = 0;
};

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

class ConnectionController {
public:
    explicit ConnectionController(SerialPortAccess& port) : port_(port) {}

    const ConnectionControls& controls() const { return c_; }
    ConnectionControls& controls() { return c_; }

    // Port panels step to the next port: BtCOM1 calls COM21Click, ..., BtCOM4 calls COM11Click.
    void COM11Click() { selectPort(1); }
    void COM21Click() { selectPort(2); }
    void COM31Click() { selectPort(3); }
    void COM41Click() { selectPort(4); }
    void portPanelClicked(int visiblePanel) { selectPort(visiblePanel % 4 + 1); }

    // The toggle button was clicked; `down` is its state after the click. Returns the
    // error text to show when the port could not be opened (the controls stay Idle).
    QString COMConClick(bool down);
    QString BTCon1Click();
    void BtDiscon1Click();

    // The USB link takes over or gives back the top bar.
    void usbTookOver(const QString& caption);
    void usbGaveBack(const QString& caption);

private:
    void selectPort(int n);
    QString connectSteps();       // steps 2 to 6 of connecting; error text when the port failed
    void disconnectSteps();       // steps 2 to 6 of disconnecting

    SerialPortAccess& port_;
    ConnectionControls c_;
};
