#pragma once
// The window's two links to the meter and what the top bar says of them. COMM2 is the serial
// port as the layout has it (COM1, 2400 bit/s, polled every 100 ms) at the model's speed; a
// keeper reopens its port when it comes back, and its bytes are put together into frames. The
// USB side reads the adapter cable. The connection controls follow both, and the link status
// says which link is open and how it fares.
#include "app/connection_controller.h"
#include "app/link_status.h"
#include "decode/model_variants.h"
#include "link/byte_arrivals.h"

#include <QObject>

#include <functional>
#include <memory>

class DriverPortAccess;
class HidPlatform;
class LocaleClock;
class PortKeeper;
class SerialFrameAssembly;
class TCommPortDriver;
class UsbSide;
class UserPrompts;

class MeterLinks : public QObject {
    Q_OBJECT
public:
    // A frame's text, with the time its last byte arrived.
    using Frames = std::function<void(const QString& frameText, const QDateTime& arrivedAt)>;
    using Bytes = std::function<void(const char* data, int size, const ByteArrivals& arrivals)>;
    struct Needs {
        HidPlatform* hidPlatform;   // null: the system's HID devices
        ModelFlags flags;
        UserPrompts& prompts;
        const LocaleClock& clock;
        Frames frames;              // each frame's text, for the decoder
        Bytes hexPairs, nibbles;    // the serial bytes, for the model's receive path
    };
    explicit MeterLinks(Needs needs, QObject* parent = nullptr);
    ~MeterLinks() override;

    // The top bar's buttons. COMConClick returns the error text when the port did not open.
    QString COMConClick(bool down);
    void USBConClick(bool down);
    void portPanelClicked(int panel);

    // A frame arrived; the watchdog found none for three ticks.
    void frameArrived();
    void watchdogSilent();
    // The overrun count may have grown.
    void checkOverrun();
    QString statusText() const;

    void closePort();
    long long badFrames() const;
    long long overrunBytes() const;
    const ConnectionControls& controls() const { return connection_->controls(); }

    TCommPortDriver& driver() { return *comm2_; }
    PortKeeper& keeper() { return *keeper_; }
    SerialFrameAssembly& assembly() { return *assembly_; }
    ConnectionController& connection() { return *connection_; }
    SerialPortAccess& port();
    UsbSide& usb() { return *usb_; }

signals:
    void controlsChanged();
    void statusChanged();
    // A link stopped receiving: the display no longer shows a live value.
    void linkStopped();

private:
    void receiving(bool open, const QString& source);
    void statusEvent(void (LinkStatus::*event)(const QDateTime&));

    const LocaleClock& clock_;
    std::unique_ptr<TCommPortDriver> comm2_;
    std::unique_ptr<PortKeeper> keeper_;   // reopens COMM2's port when it comes back
    std::unique_ptr<SerialFrameAssembly> assembly_;
    std::unique_ptr<DriverPortAccess> portAccess_;
    std::unique_ptr<ConnectionController> connection_;
    LinkStatus status_;
    std::unique_ptr<UsbSide> usb_;         // last: its reader hands frames on
};
