#include "link/comm_port_driver.h"

#include "link/com_port_resolver.h"
#include "link/serial_device_check.h"

#include <QFile>
#include <QSerialPort>

#include <unistd.h>

#include <algorithm>

namespace {

// The port object's reason, except that a port we may open but that another program holds
// (its lock file, or exclusive use) reads as a permission error there.
QString openFailure(const QSerialPort& port, const QString& path)
{
    if (port.error() == QSerialPort::PermissionError && ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0)
        return QStringLiteral("it is in use by another program");
    return port.errorString();
}

} // namespace

QString comPortDeviceName(TComPortNumber port)
{
    return QStringLiteral("COM") + QChar(QLatin1Char('1').unicode() + static_cast<int>(port));
}

TCommPortDriver::TCommPortDriver(QObject* parent)
    : QObject(parent), resolver_([](const QString& comName) { return resolveComPort(comName, meterRuntimeDir()); }),
      ReadBuffer(inBufSize_)
{
    connect(&pollTimer_, &QTimer::timeout, this, &TCommPortDriver::PollTimerMessage);
}

TCommPortDriver::~TCommPortDriver()
{
    ClosePort();
}

bool TCommPortDriver::IsOpen() const
{
    return port_ != nullptr;
}

bool TCommPortDriver::OpenPort()
{
    if (IsOpen())
        return true;
    const QString comName = comPortDeviceName(comPort_);
    systemPortName_ = resolver_ ? resolver_(comName) : comName;
    if (systemPortName_.isEmpty()) {
        lastOpenError_ = QStringLiteral("no serial port is present");
        return false;
    }
    lastOpenError_ = serialDeviceRefusal(serialDevicePath(systemPortName_));
    if (!lastOpenError_.isEmpty())
        return false;

    auto* port = new QSerialPort(this);
    port->setPortName(systemPortName_);
    if (!port->open(QIODevice::ReadWrite)) {
        lastOpenError_ = openFailure(*port, systemPortName_);
        delete port;
        return false;
    }
    lastOpenError_.clear();
    portLost_ = false;
    dropPending();
    port_ = port;
    // The port object would buffer whatever the device sends, without limit; the bytes are
    // taken from it as they arrive and kept up to InputLimit().
    connect(port_, &QIODevice::readyRead, this, [this] {
        if (deliverOnArrival_)
            PollTimerMessage();   // takes what arrived and hands it over
        else
            takeArrived();
    });
    // Queued: the port may not be closed from inside its own read notification.
    connect(port_, &QSerialPort::errorOccurred, port_, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
            portFailed();
    }, Qt::QueuedConnection);

    applyLineSettings();
    startPolling();
    return true;
}

void TCommPortDriver::ClosePort()
{
    if (!IsOpen())
        return;
    pollTimer_.stop();
    port_->close();
    delete port_;
    port_ = nullptr;
    portLost_ = false;
    dropPending();
}

void TCommPortDriver::dropPending()
{
    pending_.clear();
    pendingArrivals_.clear();
}

// The arrival batches of the next `bytes` pending bytes; a batch that goes on past them is split.
ByteArrivals TCommPortDriver::takeArrivals(qsizetype bytes)
{
    ByteArrivals taken;
    while (bytes > 0 && !pendingArrivals_.empty()) {
        ByteArrivals::Batch& front = pendingArrivals_.front();
        const int n = int(std::min<qsizetype>(bytes, front.bytes));
        taken.batches.push_back({n, front.at});
        bytes -= n;
        front.bytes -= n;
        if (front.bytes == 0)
            pendingArrivals_.pop_front();
    }
    return taken;
}

void TCommPortDriver::takeArrived()
{
    if (!port_ || !port_->isOpen())
        return;
    const qint64 arrived = port_->bytesAvailable();
    if (arrived <= 0)
        return;
    const qint64 room = std::max<qint64>(0, InputLimit() - pending_.size());
    const qint64 take = std::min(arrived, room);
    if (take > 0) {
        const qsizetype kept = pending_.size();
        pending_.resize(kept + take);
        const qint64 n = port_->read(pending_.data() + kept, take);
        pending_.resize(kept + std::max<qint64>(n, 0));
        receivedBytes_ += std::max<qint64>(n, 0);
        if (n > 0)
            pendingArrivals_.push_back({int(n), arrivalClock_ ? arrivalClock_() : QDateTime()});
    }
    // The rest is lost as in a receiver overrun: the newest bytes, counted.
    const qint64 dropped = port_->skip(port_->bytesAvailable());
    if (dropped > 0) {
        overrunBytes_ += dropped;
        receivedBytes_ += dropped;
    }
}

void TCommPortDriver::portFailed()
{
    // The device is gone: let go of it so that it can be opened again once it is back, but
    // stay "open" for the caller, delivering nothing, until ClosePort.
    if (!port_ || portLost_)
        return;
    // Bytes the port had already taken in are kept for the next polls: the last frames
    // before an adapter is pulled still reach the receiver.
    takeArrived();
    portLost_ = true;
    port_->close();
    emit portLost();
}

void TCommPortDriver::applyLineSettings()
{
    if (!IsOpen() || portLost_)
        return;
    // Results are not checked: a setting the port refuses leaves the one it had.
    port_->setBaudRate(BaudRateTable[speed_]);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(false);
    port_->clearError();
    dropPending();
    port_->clear(QSerialPort::AllDirections);
}

void TCommPortDriver::startPolling()
{
    pollTimer_.start(pollingDelay_);
    ++pollTimerStarts_;
}

void TCommPortDriver::PollTimerMessage()
{
    if (!IsOpen())
        return;
    if (!portLost_)
        takeArrived();
    const qint64 n = std::min<qint64>(pending_.size(), static_cast<qint64>(ReadBuffer.size()));
    std::copy_n(pending_.constData(), n, ReadBuffer.data());
    pending_.remove(0, n);
    const ByteArrivals arrivals = takeArrivals(n);
    if (n > 0 && OnReceiveData)
        OnReceiveData(this, ReadBuffer.data(), static_cast<int>(n), arrivals);
}

void TCommPortDriver::SetComPort(TComPortNumber port)
{
    if (!IsOpen())
        comPort_ = port;
}

void TCommPortDriver::SetComPortSpeed(TComPortBaudRate speed)
{
    speed_ = speed;
    applyLineSettings();
}

void TCommPortDriver::SetComPortInBufSize(std::uint16_t size)
{
    if (IsOpen())
        return;
    inBufSize_ = size;
    ReadBuffer.assign(size, 0);
}

void TCommPortDriver::SetComPortPollingDelay(std::uint16_t milliseconds)
{
    if (milliseconds == pollingDelay_)
        return;
    pollingDelay_ = milliseconds;
    if (IsOpen()) {
        pollTimer_.stop();
        startPolling();
    }
}

void TCommPortDriver::SetPortResolver(PortResolver resolver)
{
    resolver_ = std::move(resolver);
}
