#pragma once
// The window's side of the USB cable: the list of HID devices and the adapter among them,
// the adapter's baud rate, the bursts of its input reports, the USB connect button and
// the link watchdog. Plain logic on the user-interface thread; the window shows its state
// and puts what it reports into words.
#include "decode/usb_report_handler.h"
#include "link/hid/hid_events.h"
#include "link/usb/usb_burst_collector.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class THidDeviceController;

struct UsbLinkVariant {
    UsbReportHandler handler = UsbReportHandler::VK31C;
    quint32 adapterBaud = 2400;
};

// What the link has to tell the user about.
enum class UsbLinkNotice {
    NotConnected,   // no adapter
    MeterSilent,    // adapter there, meter not sending
    AdapterLost,    // the adapter was removed while reading; it is waited for
    AdapterBack,    // the adapter waited for is plugged in again and read
};

class UsbAdapterLink {
public:
    struct Callbacks {
        UsbBurstCollector::FrameHandler onFrame;                   // LcdDisplayVK31C; may throw
        std::function<void(UsbLinkNotice)> notice;
        // The adapter cannot be opened for reading and writing; `cause` is the system's
        // error number, 0 when none is known.
        std::function<void(THidDevice& adapter, int cause)> accessRefused;
        // Receiving (USBCon down; COMCon and the port panels hidden) or idle.
        std::function<void(bool receiving)> receivingChanged;
        // The time a report is handed over, which is when it came: the reader waits meanwhile.
        std::function<QDateTime()> now;
    };

    static const QString kProductName;        // "USB to Serial"
    static constexpr int SilenceLimit = 1900;
    static constexpr int kHistoryLimit = 1000;

    // Binds the controller's events; binding its device-change event builds the device
    // list at once. Either may be destroyed first.
    UsbAdapterLink(THidDeviceController& HidCtl, UsbLinkVariant variant, Callbacks callbacks);
    // Gives every device object back to the controller and unbinds its events.
    ~UsbAdapterLink();
    UsbAdapterLink(const UsbAdapterLink&) = delete;
    UsbAdapterLink& operator=(const UsbAdapterLink&) = delete;

    // Click of USBCon; `down` is the button's state after the click.
    void USBConClick(bool down);
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick() { history_.clear(); }

    // Controller events.
    bool HidCtlEnumerate(THidDevice& HidDev, int Idx);
    void HidCtlDeviceChange();
    void HidCtlArrival(THidDevice& HidDev);
    void HidCtlRemoval(THidDevice& HidDev);
    void HidCtlDeviceDataError(THidDevice& HidDev, quint32 Error);

    // Input-report handlers, bound to the adapter's device object on connect.
    void USBReceiveVK31C(THidDevice& HidDev, quint8 ReportID, const quint8* Data, quint16 Size);
    void USBReceiveVK20E(THidDevice& HidDev, quint8 ReportID, const quint8* Data, quint16 Size);
    void USBReceiveVK40B(THidDevice& HidDev, quint8 ReportID, const quint8* Data, quint16 Size);

    // The link watchdog (ConTimer, both links) found no frame for three ticks: after
    // SilenceLimit reports without serial bytes, reading ends with a message.
    void linkSilent();

    static QString DeviceDescription(THidDevice& HidDev);

    bool receiving() const { return receiving_; }
    // Receiving, but the adapter was removed: reading goes on when it is plugged in again.
    bool waitingForAdapter() const { return adapterLost_; }
    QStringList deviceLines() const;
    int selectedIndex() const { return selected_; }
    THidDevice* CurrentHidDevice() const { return current_; }
    const QStringList& history() const { return history_; }
    const UsbBurstCollector& collector() const { return collector_; }

private:
    struct DeviceLine {
        QString text;
        std::unique_ptr<THidDevice> device;   // checked out: destroying it gives it back
    };

    THidDevice* selectedDevice() const;
    void addHistory(const QString& line);
    void report(const QString& line);
    QDateTime reportArrivedAt() const { return callbacks_.now ? callbacks_.now() : QDateTime(); }
    void bindHandler(THidDevice& device);
    void enterReceiving();
    void enterIdle();
    void releaseDevices();
    void tell(UsbLinkNotice notice);
    void showAccessError(THidDevice& device);

    THidDeviceController& hidCtl_;
    std::weak_ptr<const void> controllerAlive_;   // expires with the controller
    UsbLinkVariant variant_;
    Callbacks callbacks_;
    UsbBurstCollector collector_;
    std::vector<DeviceLine> lines_;
    int selected_ = -1;
    THidDevice* current_ = nullptr;
    bool usbConDown_ = false;
    bool receiving_ = false;
    bool adapterLost_ = false;
    QStringList history_;
};
