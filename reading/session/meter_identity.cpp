#include "reading/session/meter_identity.h"

#include <QStringList>

QString identityText(const MeterIdentity& identity)
{
    QStringList details;
    if (!identity.device.isEmpty() && identity.device != identity.port)
        details << identity.device;
    if (!identity.stablePath.isEmpty() && identity.stablePath != identity.device)
        details << identity.stablePath;
    if (details.isEmpty())
        return identity.port;
    return QStringLiteral("%1 (%2)").arg(identity.port, details.join(QStringLiteral(", ")));
}

bool samePort(const MeterIdentity& a, const MeterIdentity& b)
{
    const auto notAPort = [](const MeterIdentity& m) { return m.port.isEmpty() || m.port == QLatin1String("-"); };
    if (notAPort(a) || notAPort(b))
        return false;
    if (!a.stablePath.isEmpty() && a.stablePath == b.stablePath)
        return true;
    const QString deviceA = a.device.isEmpty() ? a.port : a.device;
    const QString deviceB = b.device.isEmpty() ? b.port : b.device;
    return deviceA == deviceB || a.port == b.port;
}

QString linkStateText(LinkState state)
{
    switch (state) {
    case LinkState::Opening: return QStringLiteral("opening");
    case LinkState::Reading: return QStringLiteral("reading");
    case LinkState::Silent: return QStringLiteral("silent");
    case LinkState::Lost: return QStringLiteral("lost");
    case LinkState::Ended: return QStringLiteral("ended");
    }
    return {};
}
