#include "link/port_keeper.h"

#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"

PortKeeper::PortKeeper(TCommPortDriver& driver, ReturnCheck returned, QObject* parent)
    : QObject(parent), driver_(driver), returned_(std::move(returned))
{
    if (!returned_)
        returned_ = [&driver](const QString& lostSystemPort) {
            return comPortReturned(comPortDeviceName(driver.ComPort()), meterRuntimeDir(), lostSystemPort);
        };
    retry_.setInterval(kRetryIntervalMs);
    connect(&retry_, &QTimer::timeout, this, &PortKeeper::retry);
    connect(&driver_, &TCommPortDriver::portLost, this, &PortKeeper::portLost);
}

bool PortKeeper::open()
{
    retry_.stop();
    waiting_ = false;
    return driver_.OpenPort();
}

void PortKeeper::close()
{
    retry_.stop();
    waiting_ = false;
    driver_.ClosePort();
}

void PortKeeper::portLost()
{
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
    emit regained();
}
