#include "tools/meter-read/session_sources.h"

#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "link/device_identity.h"
#include "link/hid/hidraw_platform.h"
#include "link/port_keeper.h"
#include "link/usb/usb_reports.h"
#include "reading/session/meter_session.h"
#include "tools/meter-read/session_feed.h"
#include "tools/meter-read/silence_notice.h"
#include "tools/meter-read/usb_report_lines.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray local(const QString& text) { return text.toLocal8Bit(); }
QByteArray clockNow() { return local(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); }

// The device a port name leads to now, as the system names it without links.
QString deviceOf(const QString& port)
{
    const QString path = serialDevicePath(resolveComPort(port, meterRuntimeDir()));
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// A file or standard input, raw bytes or USB report lines, read a block per wake-up.
class StreamSource : public SessionSource {
public:
    StreamSource(const NamedInput& input, SessionFeed& feed, bool reports)
        : input_(input), feed_(feed),
          lines_([&feed](quint8 id, const quint8* data, quint16 size) { feed.receiveUsbReport(id, data, size); }),
          reports_(reports)
    {
    }
    ~StreamSource() override
    {
        if (fd_ > STDIN_FILENO)
            ::close(fd_);
    }
    bool open() override
    {
        fd_ = input_.path == QLatin1String("-") ? STDIN_FILENO
                                                 : ::open(local(input_.path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            std::fprintf(stderr, "meter-read: %s: cannot open %s: %s\n", local(input_.name).constData(),
                         local(input_.path).constData(), std::strerror(errno));
            return false;
        }
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readBlock(); });
        return true;
    }
    void reportEnd() override
    {
        if (feed_.decodedFrames() == 0 && feed_.refusedFrames() == 0)
            std::fprintf(stderr, "meter-read: %s: the input ended without a decoded frame\n",
                         local(input_.name).constData());
    }

private:
    void readBlock()
    {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            if (reports_)
                lines_.take(buffer_.data(), n);
            else
                feed_.receiveBytes(buffer_.data(), int(n));
            return;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n < 0)
            std::fprintf(stderr, "meter-read: %s: read error on %s: %s\n", local(input_.name).constData(),
                         local(input_.path).constData(), std::strerror(errno));
        if (reports_)
            lines_.finish();
        notifier_->setEnabled(false);
        end(n < 0);
    }

    NamedInput input_;
    SessionFeed& feed_;
    UsbReportLines lines_;
    bool reports_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
};

// A serial port, waited for and opened again when it goes away (unless --end-at-hangup).
class PortSource : public SessionSource {
public:
    PortSource(const NamedInput& input, const MeterReadOptions& o, MeterSession& session, SessionFeed& feed)
        : input_(input), session_(session), feed_(feed),
          keeper_(driver_,
                  [name = input.path](const QString& lost) { return comPortReturned(name, meterRuntimeDir(), lost); },
                  [name = input.path] { return publishedPort(name, meterRuntimeDir()); }),
          silence_(input.path), endAtHangup_(o.endAtHangup)
    {
        driver_.SetComPortPollingDelay(100);
        const auto speed = std::find(BaudRateTable.begin(), BaudRateTable.end(), o.baud) - BaudRateTable.begin();
        driver_.SetComPortSpeed(static_cast<TComPortBaudRate>(speed));
        driver_.SetPortResolver(
            [name = input.path](const QString&) { return serialDevicePath(resolveComPort(name, meterRuntimeDir())); });
        driver_.SetArrivalClock([&session] { return session.now(); });
        driver_.SetDeliverOnArrival(true);
        driver_.OnReceiveData = [this](TCommPortDriver*, const char* data, int size, const ByteArrivals& arrivals) {
            feed_.receiveBytes(data, size, arrivals);
        };
        keeper_.setReopen(!endAtHangup_);
        connect(&keeper_, &PortKeeper::lost, this, [this] { lost(); });
        connect(&keeper_, &PortKeeper::regained, this, [this] { regained(); });
        connect(&keeper_, &PortKeeper::switched, this, [this](const QString&) { regained(); });
        connect(&watch_, &QTimer::timeout, this, [this] { watch(); });
    }
    bool open() override
    {
        if (!keeper_.open()) {
            std::fprintf(stderr, "meter-read: %s: could not open %s: %s\n", name().constData(),
                         local(input_.path).constData(), local(driver_.LastOpenError()).constData());
            return false;
        }
        updateIdentity();
        std::fprintf(stderr, "meter-read: %s reads %s\n", name().constData(),
                     local(identityText(identity())).constData());
        silence_.restart(QDateTime::currentDateTime());
        watch_.start(200);
        return true;
    }
    void reportEnd() override
    {
        if (driver_.OverrunBytes() > 0)
            std::fprintf(stderr, "meter-read: %s: %lld bytes dropped in all: %s sent faster than it was read\n",
                         name().constData(), driver_.OverrunBytes(), local(input_.path).constData());
    }

private:
    QByteArray name() const { return local(input_.name); }
    int index() const { return feed_.input(); }
    const MeterIdentity& identity() const { return session_.input(index()).identity(); }
    void updateIdentity()
    {
        MeterIdentity id{input_.path, driver_.SystemPortName(), {}};
        id.stablePath = stableSerialPath(id.device);
        session_.setIdentity(index(), id);
    }
    void lost()
    {
        session_.setLinkState(index(), LinkState::Lost);
        if (keeper_.waiting())
            std::fprintf(stderr, "meter-read: %s: %s went away at %s; waiting for it to return\n", name().constData(),
                         local(input_.path).constData(), clockNow().constData());
    }
    void regained()
    {
        updateIdentity();
        std::fprintf(stderr, "meter-read: %s: %s is back at %s; reading on\n", name().constData(),
                     local(identityText(identity())).constData(), clockNow().constData());
        session_.setLinkState(index(), LinkState::Opening);
        silence_.setPort(identityText(identity()));
        silence_.restart(QDateTime::currentDateTime());
    }
    void watch()
    {
        if (!keeper_.waiting()) {
            const QString said =
                silence_.check(feed_.decodedFrames() + feed_.refusedFrames(), QDateTime::currentDateTime());
            if (!said.isEmpty())
                std::fprintf(stderr, "meter-read: %s: %s\n", name().constData(), local(said).constData());
        }
        if (overrunShown_ == 0 && driver_.OverrunBytes() > 0) {
            overrunShown_ = driver_.OverrunBytes();
            std::fprintf(stderr, "meter-read: %s: %s sends faster than it is read: %lld bytes dropped\n",
                         name().constData(), local(input_.path).constData(), overrunShown_);
        }
        if (endAtHangup_ && driver_.PortLost() && driver_.PendingBytes() == 0) {
            watch_.stop();
            keeper_.close();
            std::fprintf(stderr, "meter-read: %s: %s went away\n", name().constData(), local(input_.path).constData());
            session_.setLinkState(index(), LinkState::Ended);
            end(true);
        }
    }

    NamedInput input_;
    MeterSession& session_;
    SessionFeed& feed_;
    TCommPortDriver driver_;
    PortKeeper keeper_;
    SilenceNotice silence_;
    bool endAtHangup_;
    long long overrunShown_ = 0;
    QTimer watch_;
};

// A USB adapter cable's hidraw node, read without waiting; opened again once a second while
// it is gone.
class HidSource : public SessionSource {
public:
    HidSource(const NamedInput& input, quint32 baud, MeterSession& session, SessionFeed& feed)
        : input_(input), baud_(baud), session_(session), feed_(feed)
    {
        connect(&poll_, &QTimer::timeout, this, [this] { readReports(); });
        connect(&retry_, &QTimer::timeout, this, [this] {
            if (connectDevice(false)) {
                retry_.stop();
                std::fprintf(stderr, "meter-read: %s: %s is back at %s; reading on\n", name().constData(),
                             local(input_.path).constData(), clockNow().constData());
            }
        });
    }
    bool open() override
    {
        if (!connectDevice(true))
            return false;
        std::fprintf(stderr, "meter-read: %s reads %s\n", name().constData(),
                     local(identityText(session_.input(feed_.input()).identity())).constData());
        return true;
    }

private:
    QByteArray name() const { return local(input_.name); }
    bool connectDevice(bool say)
    {
        int error = 0;
        device_ = platform_.open(input_.path, HidAccess::ReadWrite, &error);
        if (!device_) {
            if (say)
                std::fprintf(stderr, "meter-read: %s: cannot open %s: %s\n", name().constData(),
                             local(input_.path).constData(), std::strerror(error));
            return false;
        }
        const QByteArray feature = baudRateFeatureReport(baud_);
        if (!device_->setFeature(reinterpret_cast<const quint8*>(feature.constData()), int(feature.size()))) {
            if (say)
                std::fprintf(stderr, "meter-read: %s: %s did not take the baud-rate report; is it the USB adapter "
                                     "cable?\n",
                             name().constData(), local(input_.path).constData());
            device_.reset();
            return false;
        }
        buffer_.assign(std::size_t(std::max(device_->inputReportLength(), 2)) + 1, 0);
        session_.setIdentity(feed_.input(), MeterIdentity{input_.path, {}, hidUsbPath(input_.path)});
        poll_.start(2);
        return true;
    }
    void readReports()
    {
        for (int i = 0; i < 64 && device_; ++i) {
            const HidReadResult r = device_->read(buffer_.data(), int(buffer_.size()), 0);
            if (r.status == HidReadResult::Timeout)
                return;
            if (r.status == HidReadResult::Error) {
                std::fprintf(stderr, "meter-read: %s: %s went away at %s: %s; waiting for it to return\n",
                             name().constData(), local(input_.path).constData(), clockNow().constData(),
                             std::strerror(int(r.error)));
                device_.reset();
                poll_.stop();
                session_.setLinkState(feed_.input(), LinkState::Lost);
                retry_.start(1000);
                return;
            }
            if (r.bytes > 0)
                feed_.receiveUsbReport(buffer_[0], buffer_.data() + 1, quint16(r.bytes - 1),
                                       session_.now());
        }
    }

    NamedInput input_;
    quint32 baud_;
    MeterSession& session_;
    SessionFeed& feed_;
    HidrawPlatform platform_;
    std::unique_ptr<HidConnection> device_;
    std::vector<quint8> buffer_;
    QTimer poll_, retry_;
};

} // namespace

void SessionSource::end(bool failed)
{
    ended_ = true;
    failed_ = failed;
    emit finished();
}

MeterIdentity identityOf(const NamedInput& input)
{
    MeterIdentity id;
    id.port = input.path;
    if (input.kind == NamedInput::Kind::Port) {
        id.device = deviceOf(input.path);
        id.stablePath = stableSerialPath(id.device);
    } else if (input.kind == NamedInput::Kind::Hid) {
        id.device = QFileInfo(input.path).canonicalFilePath();
        id.stablePath = hidUsbPath(input.path);
    } else {
        id.port.clear();   // a file or a pipe is no port
    }
    return id;
}

std::unique_ptr<SessionSource> makeSessionSource(const NamedInput& input, const MeterReadOptions& options,
                                                 MeterSession& session, SessionFeed& feed)
{
    using Kind = NamedInput::Kind;
    switch (input.kind) {
    case Kind::File:
    case Kind::StandardInput: return std::make_unique<StreamSource>(input, feed, false);
    case Kind::UsbReports: return std::make_unique<StreamSource>(input, feed, true);
    case Kind::Port: return std::make_unique<PortSource>(input, options, session, feed);
    case Kind::Hid: return std::make_unique<HidSource>(input, quint32(options.baud), session, feed);
    }
    return {};
}
