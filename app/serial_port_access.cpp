#include "app/serial_port_access.h"

void DriverPortAccess::selectPort(int n)
{
    driver_.SetComPort(static_cast<TComPortNumber>(n - 1));
}

int DriverPortAccess::selectedPort() const
{
    return static_cast<int>(driver_.ComPort()) + 1;
}

bool DriverPortAccess::openPort(QString* reason)
{
    if (keeper_.open())
        return true;
    if (reason)
        *reason = driver_.LastOpenError();
    return false;
}

void DriverPortAccess::closePort()
{
    keeper_.close();   // also stops waiting for a lost port
}
