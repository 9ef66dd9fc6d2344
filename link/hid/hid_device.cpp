#include "link/hid/hid_device.h"

#include "link/hid/controller_error.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_strings.h"

#include <cerrno>

namespace {
// Used when the device does not tell its report length: the largest full-speed report
// and its ID byte, so reports still come through.
constexpr int kFallbackReportLength = 65;
} // namespace

THidDevice::THidDevice(HidPlatform& platform, const THidPnPInfo& info, THidDeviceController* controller)
    : platform_(platform), controller_(controller), pnp_(info)
{
    if (controller_) {
        onInputReport_ = controller_->OnDeviceData();
        inputFromController_ = true;
        onReadError_ = controller_->OnDeviceDataError();
        readErrorFromController_ = true;
    }
    if (!openMainHandle())
        throw EControllerError("device cannot be opened");
    if (!main_->attributes(attributes_))
        throw EControllerError("device cannot be identified");
    closeMain();
}

THidDevice::~THidDevice()
{
    THidDeviceController::KeptHandlers kept{onInputReport_, inputFromController_, onUnplugged_, readWaitMs_};
    setOnInputReport({});
    onUnplugged_ = {};
    closeHandles();
    if (controller_) {
        THidDeviceController* controller = controller_;
        controller_ = nullptr;
        controller->checkIn(this, std::move(kept));
    }
}

bool THidDevice::openMain()
{
    if (main_)
        return true;
    if (!plugged_ || !(checkedOut_ || inCallback_))
        return false;
    return openMainHandle();
}

bool THidDevice::openMainHandle()
{
    // Read/write access where the system grants it; else a handle without access, which still
    // reads the attributes and strings.
    int error = 0;
    main_ = platform_.open(pnp_.InterfacePath, HidAccess::ReadWrite, &error);
    readWriteAccess_ = main_ != nullptr;
    readWriteError_ = readWriteAccess_ ? 0 : error;
    if (!main_)
        main_ = platform_.open(pnp_.InterfacePath, HidAccess::None, nullptr);
    return main_ != nullptr;
}

void THidDevice::closeHandles()
{
    closeMain();
    std::lock_guard<std::mutex> lock(readHandleMutex_);
    if (readHandle_) {
        readHandle_->cancel();
        readHandle_.reset();
    }
}

QString THidDevice::ProductText()
{
    if (productText_.isEmpty() && openMain()) {
        QString text;
        if (main_->productString(text))
            productText_ = keptHidString(text);
        closeMain();
    }
    return productText_;
}

QString THidDevice::SerialText()
{
    if (serialText_.isEmpty() && openMain()) {
        QString serial;
        if (main_->serialString(serial)) {
            QString languages;
            std::optional<QString> languageList;
            if (main_->indexedString(0, languages))
                languageList = languages;
            serialText_ = keptSerialText(serial, languageList);
        }
        closeMain();
    }
    return serialText_;
}

HidCapabilities THidDevice::Capabilities()
{
    if (!capsFetched_ && openMain()) {
        caps_.InputReportByteLength = main_->inputReportLength();
        capsFetched_ = true;
        closeMain();
    }
    return caps_;
}

bool THidDevice::SendFeature(const quint8* Buffer, int Length)
{
    if (!Buffer || Length <= 0 || !openMain())
        return false;
    return main_->setFeature(Buffer, Length);
}

void THidDevice::setReadWaitMs(int ms)
{
    if (ms >= 10 && ms <= 10000)
        readWaitMs_ = ms;
}

void THidDevice::setOnInputReport(THidDataEvent handler)
{
    if (!handler)
        stopReader();
    onInputReport_ = std::move(handler);
    inputFromController_ = false;
    startReaderIfReady();
}

void THidDevice::setOnReadError(THidDataErrorEvent handler)
{
    onReadError_ = std::move(handler);
    readErrorFromController_ = false;
}

void THidDevice::setOnUnplugged(THidPlugEvent handler)
{
    onUnplugged_ = std::move(handler);
}

void THidDevice::startReaderIfReady()
{
    if (!onInputReport_ || !plugged_ || !checkedOut_ || !readWriteAccess_ || reader_)
        return;
    int length = Capabilities().InputReportByteLength;
    if (length <= 0)
        length = kFallbackReportLength;
    reader_ = THidDeviceReadThread::create(*this, length);
    reader_->start();
}

void THidDevice::stopReader()
{
    if (!reader_)
        return;
    // Kept until stop() returns: a handler run by stop() may assign a handler again.
    std::shared_ptr<THidDeviceReadThread> reader = reader_;
    reader->stop();
    if (reader_ == reader)
        reader_.reset();
}

void THidDevice::Unplug()
{
    closeHandles();
    plugged_ = false;
    if (onUnplugged_) {
        THidPlugEvent handler = std::move(onUnplugged_);
        onUnplugged_ = {};
        handler(*this);
    }
}

std::shared_ptr<HidConnection> THidDevice::acquireReadHandle(quint32* error)
{
    std::lock_guard<std::mutex> lock(readHandleMutex_);
    if (!readHandle_) {
        if (!plugged_ || !(checkedOut_ || inCallback_)) {
            *error = ENODEV;
            return nullptr;
        }
        int openError = 0;
        readHandle_ = platform_.open(pnp_.InterfacePath, HidAccess::Read, &openError);
        if (!readHandle_)
            *error = static_cast<quint32>(openError ? openError : ENODEV);
    }
    return readHandle_;
}

void THidDevice::dropReadHandle(const std::shared_ptr<HidConnection>& handle)
{
    std::lock_guard<std::mutex> lock(readHandleMutex_);
    if (readHandle_ == handle)
        readHandle_.reset();
}

void THidDevice::deliverReport(quint8 reportId, const quint8* data, quint16 size)
{
    if (onInputReport_) {
        // A copy: the handler may assign another handler to this device.
        THidDataEvent handler = onInputReport_;
        handler(*this, reportId, data, size);
    }
}

void THidDevice::deliverReadError(quint32 error)
{
    if (onReadError_) {
        THidDataErrorEvent handler = onReadError_;
        handler(*this, error);
    }
}
