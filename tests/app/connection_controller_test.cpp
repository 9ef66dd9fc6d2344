// Connection control on a scripted port: the top bar's states and the interlock with USB.
#include "app/connection_controller.h"

#include <gtest/gtest.h>

namespace {
class FakePort : public SerialPortAccess {
public:
    int selected = 1;
    bool open = false;
    bool openFails = false;
    int opens = 0;
    void selectPort(int n) override
    {
        if (!open)
            selected = n;
    }
    int selectedPort() const override { return selected; }
    bool openPort(QString* reason) override
    {
        ++opens;
        if (openFails) {
            *reason = QStringLiteral("No such file or directory");
            return false;
        }
        open = true;
        return true;
    }
    void closePort() override { open = false; }
};

int visiblePanel(const ConnectionControls& c)
{
    int found = 0;
    for (int i = 0; i < 4; ++i)
        if (c.portPanelVisible[i])
            found = found ? -1 : i + 1;   // -1: more than one visible
    return found;
}
} // namespace

TEST(ConnectionControl, StartsIdleOnCom1)
{
    FakePort port;
    ConnectionController cc(port);
    const ConnectionControls& c = cc.controls();
    EXPECT_EQ(visiblePanel(c), 1);
    EXPECT_TRUE(c.portPanelsEnabled);
    EXPECT_EQ(c.comConCaption, "COM Connection");
    EXPECT_FALSE(c.comConDown);
    EXPECT_TRUE(c.usbConVisible);
}

TEST(ConnectionControl, PortPanelStepsThroughTheFourPorts)
{
    FakePort port;
    ConnectionController cc(port);
    const int expected[] = {2, 3, 4, 1};
    for (int want : expected) {
        cc.portPanelClicked(visiblePanel(cc.controls()));
        EXPECT_EQ(visiblePanel(cc.controls()), want);
        EXPECT_EQ(port.selected, want);
    }
}

TEST(ConnectionControl, ConnectAndDisconnect)
{
    FakePort port;
    ConnectionController cc(port);
    cc.portPanelClicked(1);
    cc.portPanelClicked(2);   // COM 3 shown
    EXPECT_TRUE(cc.COMConClick(true).isEmpty());
    const ConnectionControls& c = cc.controls();
    EXPECT_TRUE(port.open);
    EXPECT_EQ(port.selected, 3);
    EXPECT_EQ(visiblePanel(c), 3);
    EXPECT_FALSE(c.portPanelsEnabled);
    EXPECT_FALSE(c.usbConVisible);
    EXPECT_EQ(c.comConCaption, "COM Disconnect");
    EXPECT_TRUE(c.comConDown);

    cc.COMConClick(false);
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(c.portPanelsEnabled);
    EXPECT_TRUE(c.usbConVisible);
    EXPECT_EQ(c.comConCaption, "COM Connection");
    EXPECT_FALSE(c.comConDown);
    EXPECT_EQ(visiblePanel(c), 3);
}

TEST(ConnectionControl, FailedOpenIsReportedAndLeavesIdle)
{
    FakePort port;
    port.openFails = true;
    ConnectionController cc(port);
    cc.portPanelClicked(1);   // COM 2
    const QString failure = cc.COMConClick(true);
    EXPECT_EQ(failure, "Could not open COM2: No such file or directory");
    const ConnectionControls& c = cc.controls();
    EXPECT_FALSE(c.comConDown);
    EXPECT_EQ(c.comConCaption, "COM Connection");
    EXPECT_TRUE(c.usbConVisible);
    EXPECT_TRUE(c.portPanelsEnabled);
}

TEST(ConnectionControl, UsbGivesBackThePanelOfTheSelectedPort)
{
    FakePort port;
    ConnectionController cc(port);
    cc.portPanelClicked(1);   // COM 2
    cc.usbChanged(true, QStringLiteral("USB Disconnect"));
    EXPECT_EQ(visiblePanel(cc.controls()), 0);
    EXPECT_FALSE(cc.controls().comConVisible);
    cc.usbChanged(false, QStringLiteral("USB Connection"));
    EXPECT_EQ(visiblePanel(cc.controls()), 2);
    EXPECT_TRUE(cc.controls().comConVisible);
    EXPECT_EQ(cc.controls().usbConCaption, "USB Connection");
}
