#include "app/connection_controller.h"

void ConnectionController::selectPort(int n)
{
    for (int i = 0; i < 4; ++i) {
        c_.comItemChecked[i] = (i + 1 == n);
    }
    for (int i = 0; i < 4; ++i)
        c_.portPanelVisible[i] = (i + 1 == n);
    port_.selectPort(n);
}

QString ConnectionController::openAndShowConnected()
{
    QString reason;
    if (!port_.openPort(&reason)) {
        // A port that did not open leaves every control as it was: Idle.
        return QStringLiteral("Could not open COM%1: %2").arg(port_.selectedPort()).arg(reason);
    }
    c_.comSetupEnabled = false;
    c_.start1Checked = true;
    c_.start1Enabled = false;
    c_.stop1Enabled = true;
    c_.stop1Checked = false;
    c_.btConVisible = false;
    c_.btDisconVisible = true;
    c_.portPanelsEnabled = false;
    return QString();
}

void ConnectionController::closeAndShowDisconnected()
{
    c_.comSetupEnabled = true;
    c_.start1Checked = false;
    c_.start1Enabled = true;
    c_.stop1Enabled = false;
    c_.stop1Checked = true;
    port_.closePort();
    c_.btConVisible = true;
    c_.btDisconVisible = false;
    c_.portPanelsEnabled = true;
}

QString ConnectionController::COMConClick(bool down)
{
    if (down) {
        const QString failure = openAndShowConnected();
        if (!failure.isEmpty()) {
            c_.comConDown = false;
            return failure;
        }
        c_.usbConVisible = false;
        c_.comConDown = true;
        c_.comConCaption = QStringLiteral("COM Disconnect");
        return QString();
    }
    c_.usbConVisible = true;
    closeAndShowDisconnected();
    c_.comConDown = false;
    c_.comConCaption = QStringLiteral("COM Connection");
    return QString();
}

QString ConnectionController::BTCon1Click()
{
    const QString failure = openAndShowConnected();
    if (failure.isEmpty())
        c_.comConDown = true;
    return failure;
}

void ConnectionController::BtDiscon1Click()
{
    closeAndShowDisconnected();
    c_.comConDown = false;
}

void ConnectionController::usbChanged(bool receiving, const QString& caption)
{
    const int n = receiving ? 0 : port_.selectedPort();
    for (int i = 0; i < 4; ++i)
        c_.portPanelVisible[i] = (i + 1 == n);
    c_.comConVisible = !receiving;
    c_.usbConDown = receiving;
    c_.usbConCaption = caption;
}
