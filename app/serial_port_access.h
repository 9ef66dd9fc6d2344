#pragma once
// Connection control's view of the serial driver COMM2, opened and closed through the keeper
// that waits for a lost port to return.
#include "app/connection_controller.h"
#include "link/comm_port_driver.h"
#include "link/port_keeper.h"

class DriverPortAccess : public SerialPortAccess {
public:
    DriverPortAccess(TCommPortDriver& driver, PortKeeper& keeper) : driver_(driver), keeper_(keeper) {}
    void selectPort(int n) override;
    int selectedPort() const override;
    bool openPort(QString* reason) override;
    void closePort() override;

private:
    TCommPortDriver& driver_;
    PortKeeper& keeper_;
};
