#include "link/usb/usb_adapter_link.h"

#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/usb/usb_reports.h"

#include <QtGlobal>

const QString UsbAdapterLink::kProductName = QStringLiteral("USB to Serial");

namespace {
// At least four upper-case hex digits.
QString hex4(quint16 value)
{
    return QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
} // namespace

UsbAdapterLink::UsbAdapterLink(THidDeviceController& HidCtl, UsbLinkVariant variant, Callbacks callbacks)
    : hidCtl_(HidCtl), controllerAlive_(HidCtl.lifetime()), variant_(variant), callbacks_(std::move(callbacks)),
      collector_(variant.handler, callbacks_.onFrame)
{
    // The window's order: the device-change handler comes after arrival and enumeration,
    // so the first list build finds them in place.
    hidCtl_.setOnArrival([this](THidDevice& d) { HidCtlArrival(d); });
    hidCtl_.setOnEnumerate([this](THidDevice& d, int idx) { return HidCtlEnumerate(d, idx); });
    hidCtl_.setOnDeviceChange([this] { HidCtlDeviceChange(); });
    hidCtl_.setOnDeviceDataError([this](THidDevice& d, quint32 e) { HidCtlDeviceDataError(d, e); });
    hidCtl_.setOnRemoval([this](THidDevice& d) { HidCtlRemoval(d); });
}

UsbAdapterLink::~UsbAdapterLink()
{
    // A controller destroyed first has dropped these handlers with itself and unplugged the
    // device objects it handed out; they are freed below all the same.
    const bool controllerAlive = !controllerAlive_.expired();
    if (controllerAlive) {
        hidCtl_.setOnArrival({});
        hidCtl_.setOnEnumerate({});
        hidCtl_.setOnDeviceChange({});
        hidCtl_.setOnRemoval({});
    }
    releaseDevices();
    if (controllerAlive)
        hidCtl_.setOnDeviceDataError({});
}

QString UsbAdapterLink::DeviceDescription(THidDevice& HidDev)
{
    QString line = HidDev.ProductText();
    if (line.isEmpty()) {
        const HidAttributes& a = HidDev.DeviceAttributes();
        line = QStringLiteral("Device VID=%1 PID=%2").arg(hex4(a.vendorId), hex4(a.productId));
    }
    const QString serial = HidDev.SerialText();
    if (!serial.isEmpty())
        line += QStringLiteral(" (Serial=%1)").arg(serial);
    return line;
}

QStringList UsbAdapterLink::deviceLines() const
{
    QStringList texts;
    for (const DeviceLine& l : lines_)
        texts << l.text;
    return texts;
}

THidDevice* UsbAdapterLink::selectedDevice() const
{
    if (selected_ < 0 || selected_ >= static_cast<int>(lines_.size()))
        return nullptr;
    return lines_[static_cast<size_t>(selected_)].device.get();
}

void UsbAdapterLink::addHistory(const QString& line)
{
    history_.append(line);
    while (history_.size() > kHistoryLimit)
        history_.removeFirst();
}

void UsbAdapterLink::tell(UsbLinkNotice notice)
{
    if (callbacks_.notice)
        callbacks_.notice(notice);
}

void UsbAdapterLink::ReadBtnClick()
{
    current_ = nullptr;
    THidDevice* device = selectedDevice();
    if (!device)
        return;
    current_ = device;
    if (device->ReadWriteAccess())
        device->setOnInputReport({});
}

void UsbAdapterLink::SetFeatureClick()
{
    current_ = nullptr;
    THidDevice* device = selectedDevice();
    if (!device) {
        tell(UsbLinkNotice::NotConnected);
        usbConDown_ = false;
        return;
    }
    current_ = device;
    const QByteArray report = baudRateFeatureReport(variant_.adapterBaud);
    // A refused report is not noticed; the meter's silence will show it.
    device->SendFeature(reinterpret_cast<const quint8*>(report.constData()), report.size());
    QString line;
    for (char byte : report)
        line += QStringLiteral("%1 ").arg(static_cast<quint8>(byte), 2, 16, QLatin1Char('0')).toUpper();
    addHistory(line);
}

void UsbAdapterLink::USBConClick(bool down)
{
    if (!down && adapterLost_) {
        // Disconnect while the removed adapter is waited for: the waiting ends, without
        // telling once more that no cable is there.
        collector_.resetSilentReports();
        current_ = nullptr;
        enterIdle();
        return;
    }
    usbConDown_ = down;
    const bool connecting = down;
    ReadBtnClick();
    SetFeatureClick();
    collector_.resetSilentReports();
    current_ = nullptr;
    THidDevice* device = selectedDevice();
    if (!device) {
        // Released or refused without an adapter: the controls go back to Idle in any case,
        // so the serial side is never left hidden behind an up button.
        enterIdle();
        return;
    }
    current_ = device;
    if (!device->ReadWriteAccess()) {
        usbConDown_ = false;
        if (connecting)
            showAccessError(*device);
        enterIdle();
        return;
    }
    if (usbConDown_)
        enterReceiving();
    else
        enterIdle();
}

void UsbAdapterLink::showAccessError(THidDevice& device)
{
    if (callbacks_.accessRefused)
        callbacks_.accessRefused(device, device.ReadWriteError());
}

void UsbAdapterLink::bindHandler(THidDevice& device)
{
    switch (variant_.handler) {
    case UsbReportHandler::VK31C:
        device.setOnInputReport([this](THidDevice& d, quint8 id, const quint8* data, quint16 size) {
            USBReceiveVK31C(d, id, data, size);
        });
        break;
    case UsbReportHandler::VK20E:
        device.setOnInputReport([this](THidDevice& d, quint8 id, const quint8* data, quint16 size) {
            USBReceiveVK20E(d, id, data, size);
        });
        break;
    case UsbReportHandler::VK40B:
        device.setOnInputReport([this](THidDevice& d, quint8 id, const quint8* data, quint16 size) {
            USBReceiveVK40B(d, id, data, size);
        });
        break;
    case UsbReportHandler::None:
        break;
    }
}

void UsbAdapterLink::enterReceiving()
{
    usbConDown_ = true;
    receiving_ = true;
    if (current_)
        bindHandler(*current_);
    if (callbacks_.receivingChanged)
        callbacks_.receivingChanged(true);
}

void UsbAdapterLink::enterIdle()
{
    usbConDown_ = false;
    adapterLost_ = false;
    if (current_)
        current_->setOnInputReport({});
    receiving_ = false;
    if (callbacks_.receivingChanged)
        callbacks_.receivingChanged(false);
}

void UsbAdapterLink::releaseDevices()
{
    std::vector<DeviceLine> lines;
    lines.swap(lines_);
    selected_ = -1;
    current_ = nullptr;
    // Destroying a checked-out object gives the device back to the controller, with the
    // handlers it has; the link's own must not go with it, or whoever checks the device out
    // next would call into this link.
    for (DeviceLine& l : lines) {
        if (l.device)
            l.device->setOnInputReport({});
        l.device.reset();
    }
}

bool UsbAdapterLink::HidCtlEnumerate(THidDevice& HidDev, int Idx)
{
    DeviceLine line;
    line.text = DeviceDescription(HidDev);
    hidCtl_.CheckOutAt(Idx, line.device);
    lines_.push_back(std::move(line));
    return true;
}

void UsbAdapterLink::HidCtlDeviceChange()
{
    ReadBtnClick();
    releaseDevices();
    hidCtl_.EnumerateDevices();
    for (int i = 0; i < static_cast<int>(lines_.size()); ++i) {
        if (lines_[static_cast<size_t>(i)].text == kProductName)
            selected_ = i;
    }
    if (!receiving_)
        return;
    // Connected when the set of devices changed: go on reading on the adapter's new
    // object, or tell why that is not possible.
    THidDevice* adapter = selectedDevice();
    if (!adapter) {
        // Pulled out while reading: the link stays connected and waits for it.
        if (!adapterLost_) {
            adapterLost_ = true;
            collector_.dropOpenBurst();
            tell(UsbLinkNotice::AdapterLost);
        }
        return;
    }
    if (!adapter->ReadWriteAccess()) {
        current_ = adapter;
        enterIdle();
        showAccessError(*adapter);
        return;
    }
    SetFeatureClick();
    collector_.resetSilentReports();
    current_ = adapter;
    bindHandler(*adapter);
    if (adapterLost_) {
        adapterLost_ = false;
        tell(UsbLinkNotice::AdapterBack);
    }
}

void UsbAdapterLink::HidCtlArrival(THidDevice& HidDev)
{
    addHistory(QStringLiteral("Arrival of ") + DeviceDescription(HidDev));
}

void UsbAdapterLink::HidCtlRemoval(THidDevice& HidDev)
{
    addHistory(QStringLiteral("Removal of ") + DeviceDescription(HidDev));
}

void UsbAdapterLink::HidCtlDeviceDataError(THidDevice&, quint32 Error)
{
    addHistory(QStringLiteral("READ ERROR: %1 (%2)")
                   .arg(qt_error_string(static_cast<int>(Error)), QString::number(Error, 16).toUpper()));
}

void UsbAdapterLink::report(const QString& line)
{
    if (!line.isEmpty())
        addHistory(line);
}

void UsbAdapterLink::USBReceiveVK31C(THidDevice&, quint8 ReportID, const quint8* Data, quint16 Size)
{
    collector_.setReportHandler(UsbReportHandler::VK31C);
    report(collector_.receiveReport(ReportID, Data, Size, reportArrivedAt()));
}

void UsbAdapterLink::USBReceiveVK20E(THidDevice&, quint8 ReportID, const quint8* Data, quint16 Size)
{
    collector_.setReportHandler(UsbReportHandler::VK20E);
    report(collector_.receiveReport(ReportID, Data, Size, reportArrivedAt()));
}

void UsbAdapterLink::USBReceiveVK40B(THidDevice&, quint8 ReportID, const quint8* Data, quint16 Size)
{
    collector_.setReportHandler(UsbReportHandler::VK40B);
    report(collector_.receiveReport(ReportID, Data, Size, reportArrivedAt()));
}

void UsbAdapterLink::linkSilent()
{
    if (collector_.UsbSilentReports() >= SilenceLimit) {
        collector_.resetSilentReports();
        usbConDown_ = false;
        if (current_)
            current_->setOnInputReport({});
        tell(UsbLinkNotice::MeterSilent);
        enterIdle();
    }
}
