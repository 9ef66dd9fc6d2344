#include "tools/meter-read/meter_read_inputs.h"

#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "link/hid/hidraw_platform.h"
#include "link/port_keeper.h"
#include "link/usb/usb_reports.h"
#include "tools/meter-read/meter_reader.h"
#include "tools/meter-read/silence_notice.h"
#include "tools/meter-read/usb_report_lines.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray local(const QString& text) { return text.toLocal8Bit(); }

// Runs the event loop until quit, checking the stop request; `failed` set by the input.
int runUntilDone(const ReadLoop& loop, const std::function<bool()>& extraCheck = {})
{
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop.app, [&] {
        if (loop.stopRequested() || (extraCheck && extraCheck()))
            loop.app.quit();
    });
    watch.start(50);
    return loop.app.exec();
}

// A file descriptor read in the event loop, a block per wake-up; `onData` gets each block.
int pumpDescriptor(int fd, const ReadLoop& loop, const std::function<void(const char*, qint64)>& onData,
                   const QString& name)
{
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    int rc = 0;
    std::vector<char> buffer(1 << 16);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop.app, [&] {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            onData(buffer.data(), n);
            if (loop.afterInput)
                loop.afterInput();
            return;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n < 0) {
            std::fprintf(stderr, "meter-read: read error on %s: %s\n", local(name).constData(), std::strerror(errno));
            rc = 1;
        }
        notifier.setEnabled(false);
        loop.app.exit(rc);
    });
    return runUntilDone(loop);
}

// Opens `path` for reading, "-" being standard input; -1 with a message when it cannot.
int openInput(const QString& path)
{
    if (path == QLatin1String("-"))
        return STDIN_FILENO;
    const int fd = ::open(local(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        std::fprintf(stderr, "meter-read: cannot open %s: %s\n", local(path).constData(), std::strerror(errno));
    return fd;
}

void closeInput(int fd)
{
    if (fd != STDIN_FILENO)
        ::close(fd);
}

} // namespace

int readByteStream(const QString& path, const ReadLoop& loop)
{
    const int fd = openInput(path);
    if (fd < 0)
        return 1;
    const int rc = pumpDescriptor(fd, loop, [&](const char* data, qint64 n) { loop.reader.receiveBytes(data, int(n)); },
                                  path == QLatin1String("-") ? QStringLiteral("standard input") : path);
    closeInput(fd);
    return rc;
}

int readUsbReportLines(const QString& path, const ReadLoop& loop)
{
    const int fd = openInput(path);
    if (fd < 0)
        return 1;
    UsbReportLines lines([&loop](quint8 reportId, const quint8* data, quint16 size) {
        loop.reader.receiveUsbReport(reportId, data, size);
    });
    const int rc = pumpDescriptor(fd, loop, [&lines](const char* data, qint64 n) { lines.take(data, n); },
                                  path == QLatin1String("-") ? QStringLiteral("standard input") : path);
    lines.finish();
    closeInput(fd);
    return rc;
}

namespace {

// The driver at the chosen speed on the chosen port. COM1..COM4 go the window's way; other COM
// names and device paths are resolved here, at every open: a virtual meter started again
// publishes a new pseudo-terminal.
void aimDriver(TCommPortDriver& driver, const MeterReadOptions& o)
{
    driver.SetComPortPollingDelay(100);
    const auto speed = std::find(BaudRateTable.begin(), BaudRateTable.end(), o.baud) - BaudRateTable.begin();
    driver.SetComPortSpeed(static_cast<TComPortBaudRate>(speed));
    static const QRegularExpression windowPort(QStringLiteral("^COM([1-4])$"));
    const auto m = windowPort.match(o.port);
    if (m.hasMatch()) {
        driver.SetComPort(static_cast<TComPortNumber>(m.captured(1).toInt() - 1));
    } else {
        driver.SetPortResolver(
            [name = o.port](const QString&) { return serialDevicePath(resolveComPort(name, meterRuntimeDir())); });
    }
}

QByteArray clockNow() { return local(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); }

// A port lost, back, or its name leading elsewhere, said on standard error as it happens.
// `named` gives the port as the user may know it, with the device its name leads to.
void sayLinkChanges(const ReadLoop& loop, PortKeeper& keeper, SilenceNotice& silence,
                    const std::function<QString()>& named, const QByteArray& name)
{
    QObject::connect(&keeper, &PortKeeper::lost, &loop.app, [&keeper, name] {
        if (keeper.waiting())
            std::fprintf(stderr, "meter-read: %s went away at %s; waiting for it to return\n", name.constData(),
                         clockNow().constData());
    });
    QObject::connect(&keeper, &PortKeeper::regained, &loop.app, [&silence, named, name] {
        std::fprintf(stderr, "meter-read: %s is back at %s; reading on\n", name.constData(), clockNow().constData());
        silence.setPort(named());
        silence.restart(QDateTime::currentDateTime());
    });
    QObject::connect(&keeper, &PortKeeper::switched, &loop.app, [&silence, named, name](const QString& systemPort) {
        std::fprintf(stderr, "meter-read: %s now leads to %s; reading that\n", name.constData(),
                     local(systemPort).constData());
        silence.setPort(named());
    });
}

} // namespace

int readSerialPort(const MeterReadOptions& o, const ReadLoop& loop)
{
    TCommPortDriver driver;
    aimDriver(driver, o);
    PortKeeper keeper(
        driver,
        [name = o.port](const QString& lostSystemPort) { return comPortReturned(name, meterRuntimeDir(), lostSystemPort); },
        [name = o.port] { return publishedPort(name, meterRuntimeDir()); });
    keeper.setReopen(!o.endAtHangup);
    const QByteArray name = local(o.port);
    const std::function<QString()> named = [&driver, &o] {
        const QString tried = driver.SystemPortName();
        return tried.isEmpty() || tried == o.port ? o.port : QStringLiteral("%1 (%2)").arg(o.port, tried);
    };
    SilenceNotice silence(named());
    sayLinkChanges(loop, keeper, silence, named, name);

    long long overrunShown = 0;
    driver.SetArrivalClock([&loop] { return loop.reader.now(); });
    driver.OnReceiveData = [&](TCommPortDriver*, const char* data, int size, const ByteArrivals& arrivals) {
        loop.reader.receiveBytes(data, size, arrivals);
        if (loop.afterInput)
            loop.afterInput();
        if (overrunShown == 0 && driver.OverrunBytes() > 0) {
            overrunShown = driver.OverrunBytes();
            std::fprintf(stderr, "meter-read: %s sends faster than it is read: %lld bytes dropped\n", name.constData(),
                         overrunShown);
        }
    };
    if (!keeper.open()) {
        std::fprintf(stderr, "meter-read: could not open %s: %s\n", local(named()).constData(),
                     local(driver.LastOpenError()).constData());
        return 1;
    }
    std::fprintf(stderr, "meter-read: reading %s\n", local(named()).constData());
    silence.setPort(named());
    silence.restart(QDateTime::currentDateTime());
    // A port that went away still hands over what it had taken in; then, with --end-at-hangup,
    // the reading ends. Otherwise it goes on until a stop, across as many losses as come.
    runUntilDone(loop, [&] {
        if (!keeper.waiting()) {
            const QString said = silence.check(loop.reader.decodedFrames() + loop.reader.refusedFrames(),
                                               QDateTime::currentDateTime());
            if (!said.isEmpty())
                std::fprintf(stderr, "meter-read: %s\n", local(said).constData());
        }
        return o.endAtHangup && driver.PortLost() && driver.PendingBytes() == 0;
    });
    const bool endedByLoss = o.endAtHangup && driver.PortLost();
    keeper.close();
    if (driver.OverrunBytes() > 0)
        std::fprintf(stderr, "meter-read: %lld bytes dropped in all: %s sent faster than it was read\n",
                     driver.OverrunBytes(), name.constData());
    if (endedByLoss) {
        std::fprintf(stderr, "meter-read: %s went away\n", name.constData());
        return 1;
    }
    return 0;
}

int readHidAdapter(const QString& path, quint32 baud, const ReadLoop& loop)
{
    HidrawPlatform platform;
    int error = 0;
    const std::unique_ptr<HidConnection> device = platform.open(path, HidAccess::ReadWrite, &error);
    if (!device) {
        std::fprintf(stderr, "meter-read: cannot open %s: %s\n", local(path).constData(), std::strerror(error));
        return 1;
    }
    const QByteArray feature = baudRateFeatureReport(baud);
    if (!device->setFeature(reinterpret_cast<const quint8*>(feature.constData()), int(feature.size()))) {
        std::fprintf(stderr, "meter-read: %s did not take the baud-rate report; is it the USB adapter cable?\n",
                     local(path).constData());
        return 1;
    }
    const int length = std::max(device->inputReportLength(), 2);
    std::vector<quint8> buffer(std::size_t(length) + 1);
    int rc = 0;
    // Short waits keep the event loop (sampling tick, Ctrl+C) going between reports.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop.app, [&] {
        for (int i = 0; i < 64; ++i) {
            const HidReadResult r = device->read(buffer.data(), int(buffer.size()), i == 0 ? 20 : 0);
            if (r.status == HidReadResult::Timeout)
                return;
            if (r.status == HidReadResult::Error) {
                std::fprintf(stderr, "meter-read: %s went away: %s\n", local(path).constData(), std::strerror(int(r.error)));
                rc = 1;
                poll.stop();
                loop.app.exit(rc);
                return;
            }
            if (r.bytes > 0)
                loop.reader.receiveUsbReport(buffer[0], buffer.data() + 1, quint16(r.bytes - 1), loop.reader.now());
            if (loop.afterInput)
                loop.afterInput();
        }
    });
    poll.start(0);
    runUntilDone(loop);
    return rc;
}
