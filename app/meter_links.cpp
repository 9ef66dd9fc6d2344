#include "app/meter_links.h"

#include "app/serial_port_access.h"
#include "app/usb_side.h"
#include "link/comm_port_driver.h"
#include "link/port_keeper.h"
#include "link/serial_frame_assembly.h"
#include "log/log_time_text.h"
#include "reading/locale_clock.h"

MeterLinks::MeterLinks(Needs needs, QObject* parent) : QObject(parent), clock_(needs.clock)
{
    const StartupVariant variant = startupVariant(needs.flags);
    comm2_ = std::make_unique<TCommPortDriver>(this);
    comm2_->SetComPort(pnCOM1);
    comm2_->SetComPortSpeed(variant.serialBaud == 19200 ? br19200 : br2400);
    comm2_->SetComPortPollingDelay(100);
    comm2_->SetArrivalClock([this] { return clock_.now(); });
    const Bytes receive = variant.serialHandler == SerialHandler::HexPair  ? needs.hexPairs
                          : variant.serialHandler == SerialHandler::Nibble ? needs.nibbles
                                                                           : Bytes();
    if (receive)
        comm2_->OnReceiveData = [receive](TCommPortDriver*, const char* data, int size, const ByteArrivals& at) {
            receive(data, size, at);
        };
    assembly_ = std::make_unique<SerialFrameAssembly>(
        [this, frames = needs.frames](const QString& frameText) { frames(frameText, assembly_->frameArrivedAt()); });
    keeper_ = std::make_unique<PortKeeper>(*comm2_);
    portAccess_ = std::make_unique<DriverPortAccess>(*comm2_, *keeper_);
    connection_ = std::make_unique<ConnectionController>(*portAccess_);
    connect(keeper_.get(), &PortKeeper::lost, this, [this] { statusEvent(&LinkStatus::lost); });
    connect(keeper_.get(), &PortKeeper::regained, this, [this] { statusEvent(&LinkStatus::regained); });

    usb_ = std::make_unique<UsbSide>(needs.hidPlatform, needs.flags, needs.prompts, needs.frames,
                                     [this] { return clock_.now(); });
    connect(usb_.get(), &UsbSide::controlsChanged, this, [this](const UsbLinkControls& c) {
        connection_->usbChanged(c.receiving, c.caption);
        emit controlsChanged();
        receiving(c.receiving, QStringLiteral("the USB cable"));
    });
    connect(usb_.get(), &UsbSide::adapterLost, this, [this] { statusEvent(&LinkStatus::lost); });
    connect(usb_.get(), &UsbSide::adapterBack, this, [this] { statusEvent(&LinkStatus::regained); });
}

MeterLinks::~MeterLinks()
{
    usb_.reset();
    closePort();
}

QString MeterLinks::COMConClick(bool down)
{
    const QString failure = connection_->COMConClick(down);
    emit controlsChanged();
    receiving(connection_->controls().comConDown, QStringLiteral("COM%1").arg(portAccess_->selectedPort()));
    return failure;
}

void MeterLinks::USBConClick(bool down)
{
    usb_->USBConClick(down);
    // A click the link refused still leaves the button as the link sees it.
    emit controlsChanged();
}

void MeterLinks::portPanelClicked(int panel)
{
    connection_->portPanelClicked(panel);
    emit controlsChanged();
}

void MeterLinks::receiving(bool open, const QString& source)
{
    const LinkStatus::Change change = status_.receiving(source, open, clock_.now(), comm2_->OverrunBytes());
    if (change == LinkStatus::Change::Closed)
        emit linkStopped();
    if (change != LinkStatus::Change::None)
        emit statusChanged();
}

void MeterLinks::statusEvent(void (LinkStatus::*event)(const QDateTime&))
{
    (status_.*event)(clock_.now());
    emit statusChanged();
}

void MeterLinks::frameArrived()
{
    if (status_.frameArrived(clock_.now()))
        emit statusChanged();
}

void MeterLinks::watchdogSilent()
{
    // On the tick the indicator turns, the USB side checks for its silence time-out.
    usb_->linkSilent();
    status_.silent();
    emit statusChanged();
}

void MeterLinks::checkOverrun()
{
    if (status_.droppedBytes(comm2_->OverrunBytes()))
        emit statusChanged();
}

QString MeterLinks::statusText() const { return status_.text(timeSeparatorOf(clock_.userLocale())); }
SerialPortAccess& MeterLinks::port() { return *portAccess_; }
void MeterLinks::closePort() { comm2_->ClosePort(); }
long long MeterLinks::badFrames() const { return assembly_->badFrameCount() + usb_->badFrames(); }
long long MeterLinks::overrunBytes() const { return comm2_->OverrunBytes(); }
