#include "link/serial_device_check.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// Unix98 pseudo-terminal slaves (/dev/pts/N) have these major numbers.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

// A terminal with hardware behind it: the kernel lists it in the tty class with a device.
bool isSerialPort(dev_t device)
{
    const QString node = QStringLiteral("/sys/dev/char/%1:%2").arg(major(device)).arg(minor(device));
    return QFileInfo(node + QStringLiteral("/device")).exists()
           && QFileInfo(node + QStringLiteral("/subsystem")).canonicalFilePath().endsWith(QLatin1String("/tty"));
}

} // namespace

QString serialDeviceRefusal(const QString& devicePath)
{
    struct stat st {};
    if (::stat(QFile::encodeName(devicePath).constData(), &st) != 0)
        return {};
    if (!S_ISCHR(st.st_mode))
        return QStringLiteral("%1 is not a serial port but a file or folder").arg(devicePath);
    const unsigned maj = major(st.st_rdev);
    if ((maj >= kFirstPtySlaveMajor && maj <= kLastPtySlaveMajor) || isSerialPort(st.st_rdev))
        return {};
    return QStringLiteral("%1 is not a serial port or the slave side of a pseudo-terminal").arg(devicePath);
}
