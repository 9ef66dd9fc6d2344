#include "app/usb_side.h"

#include "app/entry_guard.h"
#include "ui/user_prompts.h"
#include "link/hid/controller_error.h"
#include "link/hid/hid_handover_dispatcher.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hidraw_platform.h"

#include <QtGlobal>

const QString UsbSide::kNotConnected =
    QStringLiteral("USB interface cable is not securely connected, please check and re-try.");
const QString UsbSide::kMeterSilent =
    QStringLiteral("USB interface cable is securely connected, please check if the meter is ready.");
const QString UsbSide::kCaptionIdle = QStringLiteral("USB Connection");
const QString UsbSide::kCaptionReceiving = QStringLiteral("USB Disconnect");
const QString UsbSide::kAccessSection = QStringLiteral("USB adapter access");

// Passes everything through to the real platform, except that the device-change news runs
// inside the window's guard: it arrives straight from the event loop (a socket notifier or
// a timer), and the list rebuild behind it must not let an error escape there.
class UsbSide::GuardedPlatform : public HidPlatform {
public:
    GuardedPlatform(HidPlatform& inner, UserPrompts& prompts) : inner_(inner), prompts_(prompts) {}

    bool available() const override { return inner_.available(); }
    std::vector<HidInterfaceInfo> enumerate() override { return inner_.enumerate(); }
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access, int* error) override
    {
        return inner_.open(path, access, error);
    }
    void setDeviceChangeHandler(std::function<void()> handler) override
    {
        if (!handler) {
            inner_.setDeviceChangeHandler({});
            return;
        }
        inner_.setDeviceChangeHandler([this, handler = std::move(handler)] { guarded(prompts_, handler); });
    }

private:
    HidPlatform& inner_;
    UserPrompts& prompts_;
};

UsbLinkVariant UsbSide::linkVariant(const ModelFlags& flags)
{
    const UsbVariant v = usbVariant(flags);
    return {v.reportHandler, static_cast<quint32>(v.adapterBaud)};
}

UsbSide::UsbSide(HidPlatform* platform, const ModelFlags& flags, UserPrompts& prompts, FrameHandler onFrame,
                 std::function<QDateTime()> now)
    : prompts_(prompts), onFrame_(std::move(onFrame))
{
    if (!platform) {
        ownPlatform_ = std::make_unique<HidrawPlatform>();
        platform = ownPlatform_.get();
    }
    platform_ = std::make_unique<GuardedPlatform>(*platform, prompts_);
    try {
        controller_ = std::make_unique<THidDeviceController>(*platform_);
    } catch (const EControllerError& e) {
        // Another window holds the program's one controller: this one works without USB.
        unavailableReason_ = QString::fromUtf8(e.what());
        return;
    }

    UsbAdapterLink::Callbacks cb;
    cb.onFrame = [this](const QString& frameText) {
        if (onFrame_)
            onFrame_(frameText, link_->collector().frameArrivedAt());
    };
    cb.now = std::move(now);
    cb.notice = [this](UsbLinkNotice n) { notice(n); };
    cb.accessRefused = [this](THidDevice& adapter, int cause) { accessRefused(adapter, cause); };
    cb.receivingChanged = [this](bool receiving) { receivingChanged(receiving); };
    // Binding the link builds the device list at once.
    link_ = std::make_unique<UsbAdapterLink>(*controller_, linkVariant(flags), std::move(cb));
    // A report's handler that fails for another reason than a bad frame reaches the error box.
    HidHandOverDispatcher::setErrorGuard([this](std::exception_ptr error) {
        guarded(prompts_, [&] { std::rethrow_exception(error); });
    });
}

void UsbSide::notice(UsbLinkNotice notice)
{
    switch (notice) {
    case UsbLinkNotice::NotConnected: prompts_.inform(kNotConnected); break;
    case UsbLinkNotice::MeterSilent: prompts_.inform(kMeterSilent); break;
    case UsbLinkNotice::AdapterLost: emit adapterLost(); break;
    case UsbLinkNotice::AdapterBack: emit adapterBack(); break;
    }
}

void UsbSide::accessRefused(THidDevice& adapter, int cause)
{
    const QString reason = cause ? qt_error_string(cause) : QStringLiteral("access refused");
    prompts_.error(QStringLiteral("The USB adapter \"%1\" cannot be opened for reading and writing: %2.\n"
                                  "See \"%3\" in the README.")
                       .arg(UsbAdapterLink::DeviceDescription(adapter), reason, kAccessSection));
}

void UsbSide::receivingChanged(bool receiving)
{
    emit controlsChanged({receiving, receiving ? kCaptionReceiving : kCaptionIdle});
}

UsbSide::~UsbSide()
{
    // The link first: it stops the adapter's reader and gives every device back.
    if (link_)
        HidHandOverDispatcher::setErrorGuard({});
    link_.reset();
    controller_.reset();
}

void UsbSide::USBConClick(bool down)
{
    if (!link_) {
        receivingChanged(false);
        if (down)
            prompts_.error(unavailableReason_);
        return;
    }
    link_->USBConClick(down);
}

void UsbSide::linkSilent()
{
    if (link_)
        link_->linkSilent();
}

long long UsbSide::badFrames() const
{
    return link_ ? link_->collector().badFrameCount() : 0;
}
