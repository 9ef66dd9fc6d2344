#include "link/device_identity.h"

#include <QDir>
#include <QFileInfo>

QString stableSerialPath(const QString& device, const QString& byIdFolder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QFileInfoList links = QDir(byIdFolder).entryInfoList(QDir::System | QDir::Files, QDir::Name);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

QString hidUsbPath(const QString& hidrawNode, const QString& sysClassFolder)
{
    // /sys/class/hidraw/hidrawN/device leads to .../usb1/1-2/1-2:1.0/0003:1A86:E008.0001: the
    // interface's folder ("1-2:1.0") names the place on the bus, the same after a replug there.
    const QString name = QFileInfo(hidrawNode).fileName();
    const QString hid = QFileInfo(sysClassFolder + QLatin1Char('/') + name + QStringLiteral("/device")).canonicalFilePath();
    if (hid.isEmpty())
        return {};
    const QString interface = QFileInfo(QFileInfo(hid).absolutePath()).fileName();
    if (!interface.contains(QLatin1Char(':')))
        return {};
    return QStringLiteral("usb-") + interface;
}
