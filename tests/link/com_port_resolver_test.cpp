// COM names to system ports: runtime-folder links first, then the listed ports in COM order.
#include "link/com_port_resolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

const QStringList kListedPorts = {
    QStringLiteral("/dev/ttyS10"), QStringLiteral("/dev/ttyS2"), QStringLiteral("/dev/ttyACM0"),
    QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"),
};

} // namespace

TEST(ComPortResolver, OrdersUsbAdaptersFirstThenTheRestByName)
{
    const QStringList expected = {
        QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1"), QStringLiteral("/dev/ttyACM0"),
        QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyS2"), QStringLiteral("/dev/ttyS10"),  // 2 before 10
    };
    EXPECT_EQ(orderSerialPorts(kListedPorts), expected);
}

TEST(ComPortResolver, WithoutALinkComNIsTheNthListedPort)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const struct { const char* com; const char* expected; const char* why; } cases[] = {
        {"COM1", "/dev/ttyUSB0", "first USB adapter"},
        {"COM3", "/dev/ttyACM0", "CDC devices after the serial adapters"},
        {"COM4", "/dev/ttyS0", "built-in ports after all USB ones"},
        {"COM7", "", "beyond the list: no port"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resolveComPort(QLatin1String(c.com), runtime.path(), kListedPorts), QLatin1String(c.expected)) << c.why;
    EXPECT_EQ(resolveComPort(QStringLiteral("COM1"), runtime.path(), {}), QString()) << "no ports at all";
}

TEST(ComPortResolver, LinkInTheRuntimeFolderWins)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString target = runtime.filePath(QStringLiteral("device"));
    QFile device(target);
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(target, runtime.filePath(QStringLiteral("COM2"))));

    EXPECT_EQ(resolveComPort(QStringLiteral("COM2"), runtime.path(), kListedPorts), QFileInfo(target).canonicalFilePath());
    // Other numbers still come from the list.
    EXPECT_EQ(resolveComPort(QStringLiteral("COM1"), runtime.path(), kListedPorts), QStringLiteral("/dev/ttyUSB0"));
}

TEST(ComPortResolver, DanglingLinkIsKeptSoOpeningFailsInsteadOfReachingAnotherPort)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString link = runtime.filePath(QStringLiteral("COM1"));
    ASSERT_TRUE(QFile::link(runtime.filePath(QStringLiteral("gone")), link));
    EXPECT_EQ(resolveComPort(QStringLiteral("COM1"), runtime.path(), kListedPorts), link);
}

TEST(ComPortResolver, NamesThatAreNotComNPassThrough)
{
    QTemporaryDir runtime;
    EXPECT_EQ(resolveComPort(QStringLiteral("/dev/ttyS3"), runtime.path(), kListedPorts), QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(resolveComPort(QStringLiteral("COM0"), runtime.path(), kListedPorts), QStringLiteral("COM0"));
}

TEST(ComPortResolver, RuntimeFolderFollowsXdgRuntimeDir)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(meterRuntimeDir(), QStringLiteral("/run/user/4242/meter-logger"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(meterRuntimeDir().startsWith(QStringLiteral("/tmp/meter-logger-")));
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(ComPortResolver, ALostPortIsBackOnlyWhereItWasOrWhereItsNameIsPublished)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString device = runtime.filePath(QStringLiteral("tty-device"));
    const QString link = runtime.filePath(QStringLiteral("COM1"));
    auto touch = [](const QString& path) { QFile f(path); return f.open(QIODevice::WriteOnly); };

    // A device path: back when the device is there again.
    EXPECT_FALSE(comPortReturned(device, runtime.path(), device));
    ASSERT_TRUE(touch(device));
    EXPECT_TRUE(comPortReturned(device, runtime.path(), device));

    // A published name: back when the link leads to a serial port or a pseudo-terminal's slave
    // side, wherever that is now; a terminal that never sends nor hangs up does not count.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString slave = QString::fromLocal8Bit(::ptsname(master));
    const struct {
        QString target;
        bool back;
        const char* why;
    } published[] = {
        {runtime.filePath(QStringLiteral("new-pty")), false, "a link that points nowhere yet"},
        {QStringLiteral("/dev/ptmx"), false, "the multiplexer opens a new master each time"},
        {device, false, "a plain file"},
        {slave, true, "a virtual meter's pseudo-terminal"},
    };
    for (const auto& p : published) {
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(p.target, link));
        EXPECT_EQ(comPortReturned(QStringLiteral("COM1"), runtime.path(), QStringLiteral("/dev/pts/77")), p.back)
            << p.why;
        EXPECT_EQ(publishedPort(QStringLiteral("COM1"), runtime.path()).isEmpty(), !QFileInfo::exists(p.target));
    }
    ::close(master);

    // Without a link the name falls back to the listed ports: another device there is not the
    // one that was lost.
    ASSERT_TRUE(QFile::remove(link));
    EXPECT_FALSE(comPortReturned(QStringLiteral("COM1"), runtime.path(), device));
}
