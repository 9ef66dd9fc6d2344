#include "app/connection_controller.h"

void ConnectionController::selectPort(int n)
{
    for (int i = 0; i < 4; ++i)
        c_.portPanelVisible[i] = (i + 1 == n);
    port_.selectPort(n);
}

QString ConnectionController::COMConClick(bool down)
{
    if (down) {
        QString reason;
        if (!port_.openPort(&reason)) {
            // A port that did not open leaves every control as it was: Idle.
            c_.comConDown = false;
            return QStringLiteral("Could not open COM%1: %2").arg(port_.selectedPort()).arg(reason);
        }
        c_.portPanelsEnabled = false;
        c_.usbConVisible = false;
        c_.comConDown = true;
        c_.comConCaption = QStringLiteral("COM Disconnect");
        return QString();
    }
    port_.closePort();
    c_.portPanelsEnabled = true;
    c_.usbConVisible = true;
    c_.comConDown = false;
    c_.comConCaption = QStringLiteral("COM Connection");
    return QString();
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
