#include "app/extra_meter_link.h"

#include "app/meter_links.h"
#include "app/usb_side.h"
#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "link/device_identity.h"
#include "link/port_keeper.h"
#include "link/serial_frame_assembly.h"

ExtraMeterLink::ExtraMeterLink(const QString& source, Needs needs, QObject* parent) : QObject(parent), source_(source)
{
    links_ = std::make_unique<MeterLinks>(MeterLinks::Needs{
        needs.hidPlatform, needs.flags, needs.prompts, needs.clock,
        [this](const QString& text, const QDateTime& at) { emit frame(text, at); },
        [this](const char* data, int size, const ByteArrivals& at) { links_->assembly().receiveHexPairs(data, size, at); },
        [this](const char* data, int size, const ByteArrivals&) { links_->assembly().receiveNibbles(data, size); }});
    connect(&links_->keeper(), &PortKeeper::lost, this, [this] { emit stateChanged(LinkState::Lost); });
    connect(&links_->keeper(), &PortKeeper::regained, this, [this] { emit stateChanged(LinkState::Reading); });
    connect(&links_->keeper(), &PortKeeper::switched, this, [this] { emit identityChanged(identityOf(source_)); });
    connect(&links_->usb(), &UsbSide::adapterLost, this, [this] { emit stateChanged(LinkState::Lost); });
    connect(&links_->usb(), &UsbSide::adapterBack, this, [this] { emit stateChanged(LinkState::Reading); });
    const int port = source_.mid(3).toInt();
    if (!usb() && port >= 1 && port <= 4)
        links_->portPanelClicked(port == 1 ? 4 : port - 1);   // a panel selects the port after it
}

ExtraMeterLink::~ExtraMeterLink() = default;

MeterIdentity ExtraMeterLink::identityOf(const QString& source)
{
    if (source == QLatin1String("USB"))
        return {source, QString(), QString()};
    const QString device = resolveComPort(source, meterRuntimeDir());
    return {source, device, device.isEmpty() ? QString() : stableSerialPath(device)};
}

void ExtraMeterLink::open()
{
    if (usb()) {
        links_->USBConClick(true);
        open_ = links_->controls().usbConDown;
        problem_ = open_ ? QString() : QStringLiteral("no USB adapter cable");
    } else {
        problem_ = links_->COMConClick(true);
        open_ = problem_.isEmpty();
    }
    ticksToRetry_ = kRetryTicks;
    emit stateChanged(open_ ? LinkState::Opening : LinkState::Lost);
}

void ExtraMeterLink::tick()
{
    if (open_ || usb() || --ticksToRetry_ > 0)   // the USB side watches for its adapter itself
        return;
    if (!usb())
        emit identityChanged(identityOf(source_));
    open();
}

void ExtraMeterLink::silent() { links_->watchdogSilent(); }
long long ExtraMeterLink::badFrames() const { return links_->badFrames(); }
