#include "link/com_port_resolver.h"

#include "link/serial_device_check.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <unistd.h>

namespace {

// 0 for USB serial adapters, 1 for USB modems and meters (CDC ACM), 2 for the rest.
int group(const QString& location)
{
    const QString name = QFileInfo(location).fileName();
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    return 2;
}

// Name order with a trailing number compared as a number: ttyS2 before ttyS10.
bool nameLess(const QString& a, const QString& b)
{
    static const QRegularExpression tail(QStringLiteral("^(.*?)(\\d+)$"));
    const auto ma = tail.match(a);
    const auto mb = tail.match(b);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1)) {
        const qulonglong na = ma.captured(2).toULongLong();
        const qulonglong nb = mb.captured(2).toULongLong();
        if (na != nb)
            return na < nb;
    }
    return a < b;
}

} // namespace

QString meterRuntimeDir()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg + QStringLiteral("/meter-logger");
    return QStringLiteral("/tmp/meter-logger-%1").arg(::getuid());
}

QStringList orderSerialPorts(const QStringList& systemLocations)
{
    QStringList ports = systemLocations;
    std::stable_sort(ports.begin(), ports.end(), [](const QString& a, const QString& b) {
        const int ga = group(a);
        const int gb = group(b);
        if (ga != gb)
            return ga < gb;
        return nameLess(a, b);
    });
    return ports;
}

QString resolveComPort(const QString& comName, const QString& runtimeDir, const QStringList& systemPorts)
{
    static const QRegularExpression comPattern(QStringLiteral("^COM([1-9][0-9]*)$"));
    const auto m = comPattern.match(comName);
    if (!m.hasMatch())
        return comName;

    // A link that points nowhere still wins: opening it then fails with a clear reason
    // instead of silently reaching some other device.
    const QString link = QDir(runtimeDir).filePath(comName);
    const QFileInfo linkInfo(link);
    if (linkInfo.isSymLink())
        return linkInfo.exists() ? linkInfo.canonicalFilePath() : link;
    if (linkInfo.exists())
        return link;

    const int n = m.captured(1).toInt();
    const QStringList ordered = orderSerialPorts(systemPorts);
    return n <= ordered.size() ? ordered.at(n - 1) : QString();
}

QString resolveComPort(const QString& comName, const QString& runtimeDir)
{
    // Listing the ports asks the device manager; skip it when a link decides.
    const QFileInfo link(QDir(runtimeDir).filePath(comName));
    if (link.isSymLink() || link.exists())
        return resolveComPort(comName, runtimeDir, QStringList());
    QStringList ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    return resolveComPort(comName, runtimeDir, ports);
}

bool comPortReturned(const QString& comName, const QString& runtimeDir, const QString& lostSystemPort)
{
    static const QRegularExpression comPattern(QStringLiteral("^COM[1-9][0-9]*$"));
    if (comPattern.match(comName).hasMatch()) {
        const QFileInfo link(QDir(runtimeDir).filePath(comName));
        if (link.isSymLink() || link.exists())   // a link that points nowhere yet is not back
            return link.exists() && serialDeviceRefusal(link.canonicalFilePath()).isEmpty();
    }
    // Checked first because it is cheap: listing the system's ports asks the device manager.
    if (lostSystemPort.isEmpty() || !QFileInfo::exists(serialDevicePath(lostSystemPort)))
        return false;
    return serialDevicePath(resolveComPort(comName, runtimeDir)) == serialDevicePath(lostSystemPort);
}

QString publishedPort(const QString& comName, const QString& runtimeDir)
{
    if (comName.isEmpty() || comName.contains(QLatin1Char('/')))
        return {};   // a device path is not published
    const QFileInfo link(QDir(runtimeDir).filePath(comName));
    return link.exists() ? link.canonicalFilePath() : QString();
}

QString serialDevicePath(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return name;
    if (!name.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + name;
    return QFileInfo(name).absoluteFilePath();
}
