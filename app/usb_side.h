#pragma once
// The window's side of the USB adapter cable: the HID device controller over a platform,
// the adapter link on top of it, and the glue between the link and the window (its frame
// path, its message boxes and its top bar). Without widgets, so tests can drive it.
#include "decode/model_variants.h"
#include "link/usb/usb_adapter_link.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class HidPlatform;
class THidDevice;
class THidDeviceController;
class UserPrompts;

// What the window shows of the USB link.
struct UsbLinkControls {
    bool receiving = false;   // USBCon down; COMCon and the port panels hidden
    QString caption = QStringLiteral("USB Connection");
};

class UsbSide : public QObject {
    Q_OBJECT
public:
    // Each burst's frame text goes to the decoder, which throws for a bad frame, with the time
    // its last report came.
    using FrameHandler = std::function<void(const QString& frameText, const QDateTime& arrivedAt)>;

    static const QString kNotConnected;       // no adapter
    static const QString kMeterSilent;        // adapter there, meter not sending
    static const QString kCaptionIdle;        // "USB Connection"
    static const QString kCaptionReceiving;   // "USB Disconnect"
    static const QString kAccessSection;      // the README section on adapter access

    // `platform` null: the system's HID devices, through a platform this side owns.
    // Otherwise the caller's platform, which must outlive this side. `now` stamps the reports.
    UsbSide(HidPlatform* platform, const ModelFlags& flags, UserPrompts& prompts, FrameHandler onFrame,
            std::function<QDateTime()> now = {});
    ~UsbSide() override;
    UsbSide(const UsbSide&) = delete;
    UsbSide& operator=(const UsbSide&) = delete;

    // False when no HID controller could be made (only one may live per program); the
    // reason is shown when USBCon is clicked.
    bool available() const { return link_ != nullptr; }

    // Click of USBCon; `down` is the button's state after the click.
    void USBConClick(bool down);
    // The watchdog found no frame for three ticks: the silence time-out.
    void linkSilent();
    // Bursts the decoder refused.
    long long badFrames() const;

    UsbAdapterLink* link() { return link_.get(); }
    THidDeviceController* controller() { return controller_.get(); }

    static UsbLinkVariant linkVariant(const ModelFlags& flags);

signals:
    // The link began or stopped receiving: the top bar and the serial side follow.
    void controlsChanged(const UsbLinkControls& controls);
    // The adapter was removed while reading and is waited for; it is back and read again.
    void adapterLost();
    void adapterBack();

private:
    class GuardedPlatform;

    void notice(UsbLinkNotice notice);
    void accessRefused(THidDevice& adapter, int cause);
    void receivingChanged(bool receiving);

    UserPrompts& prompts_;
    FrameHandler onFrame_;
    std::unique_ptr<HidPlatform> ownPlatform_;
    std::unique_ptr<GuardedPlatform> platform_;
    std::unique_ptr<THidDeviceController> controller_;
    std::unique_ptr<UsbAdapterLink> link_;
    QString unavailableReason_;
};
