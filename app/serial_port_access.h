#pragma once
// Connection control's view of the serial driver COMM2.
#include "app/connection_controller.h"
#include "link/comm_port_driver.h"

class DriverPortAccess : public SerialPortAccess {
public:
    explicit DriverPortAccess(TCommPortDriver& driver) : driver_(driver) {}
    void selectPort(int n) override;
    int selectedPort() const override;
    bool openPort(QString* reason) override;
    void closePort() override;

private:
    TCommPortDriver& driver_;
};
