#include "link/port_keeper.h"

#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "link/serial_device_check.h"

PortKeeper::PortKeeper(TCommPortDriver& driver, ReturnCheck returned, PublishedCheck published, QObject* parent)
    : QObject(parent), driver_(driver), returned_(std::move(returned)), published_(std::move(published))
{
    if (!returned_)
        returned_ = [&driver](const QString& lostSystemPort) {
            return comPortReturned(comPortDeviceName(driver.ComPort()), meterRuntimeDir(), lostSystemPort);
        };
    if (!published_)
        published_ = [&driver] { return publishedPort(comPortDeviceName(driver.ComPort()), meterRuntimeDir()); };
    retry_.setInterval(kRetryIntervalMs);
    connect(&retry_, &QTimer::timeout, this, &PortKeeper::retry);
    idle_.setInterval(kRetryIntervalMs);
    connect(&idle_, &QTimer::timeout, this, &PortKeeper::idleCheck);
    connect(&driver_, &TCommPortDriver::portLost, this, &PortKeeper::portLost);
}

bool PortKeeper::open()
{
    retry_.stop();
    waiting_ = false;
    const bool opened = driver_.OpenPort();
    if (opened) {
        receivedAtCheck_ = driver_.ReceivedBytes();
        idle_.start();
    }
    return opened;
}

void PortKeeper::close()
{
    retry_.stop();
    idle_.stop();
    waiting_ = false;
    driver_.ClosePort();
}

void PortKeeper::idleCheck()
{
    const long long received = driver_.ReceivedBytes();
    const bool silent = received == receivedAtCheck_;
    receivedAtCheck_ = received;
    if (!silent || !reopen_ || !driver_.IsOpen() || driver_.PortLost() || driver_.PendingBytes() > 0)
        return;
    const QString published = published_();
    if (published.isEmpty() || serialDevicePath(published) == serialDevicePath(driver_.SystemPortName())
        || !serialDeviceRefusal(published).isEmpty())
        return;
    driver_.ClosePort();
    if (driver_.OpenPort()) {
        emit switched(driver_.SystemPortName());
        return;
    }
    // The new device cannot be opened yet: it is waited for as a lost port is.
    idle_.stop();
    waiting_ = true;
    lostSystemPort_ = driver_.SystemPortName();
    retry_.start();
    emit lost();
}

void PortKeeper::portLost()
{
    idle_.stop();
    if (reopen_) {
        waiting_ = true;
        lostSystemPort_ = driver_.SystemPortName();
        retry_.start();
    }
    emit lost();
}

void PortKeeper::retry()
{
    // What the port took in before it went away is delivered first: closing drops it.
    if (driver_.PendingBytes() > 0 || !returned_(lostSystemPort_))
        return;
    ++attempts_;
    driver_.ClosePort();
    if (!driver_.OpenPort())
        return;   // there, but not ready to be opened yet: the next interval tries again
    retry_.stop();
    waiting_ = false;
    receivedAtCheck_ = driver_.ReceivedBytes();
    idle_.start();
    emit regained();
}
