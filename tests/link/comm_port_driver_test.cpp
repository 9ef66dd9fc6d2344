// The serial port driver against real pseudo-terminals: the test holds the master side and
// plays the meter; the driver opens the slave side as its port.
#include "link/comm_port_driver.h"

#include "support/wait_for.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <functional>
#include <vector>

namespace {

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~PseudoTerminal() { closeMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return master_ >= 0 && !slavePath_.isEmpty(); }
    int masterFd() const { return master_; }
    const QString& slavePath() const { return slavePath_; }
    void send(const QByteArray& bytes) { ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size()); }
    void closeMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }
    // The line as the port's side sees it (the master reports the slave's settings).
    termios line() const
    {
        termios t{};
        ::tcgetattr(master_, &t);
        return t;
    }

private:
    int master_ = -1;
    QString slavePath_;
};

// Collects every batch the driver delivers.
struct Receiver {
    std::vector<QByteArray> batches;
    std::vector<ByteArrivals> arrivals;
    TCommPortDriver* lastSender = nullptr;

    void attach(TCommPortDriver& driver)
    {
        driver.OnReceiveData = [this](TCommPortDriver* sender, const char* data, int size, const ByteArrivals& a) {
            lastSender = sender;
            batches.emplace_back(data, size);
            arrivals.push_back(a);
        };
    }
    QByteArray all() const
    {
        QByteArray joined;
        for (const QByteArray& b : batches)
            joined += b;
        return joined;
    }
};

void useDevice(TCommPortDriver& driver, const QString& path)
{
    driver.SetPortResolver([path](const QString&) { return path; });
}

// File descriptors of this process open on the device.
int openHandlesOn(const QString& device)
{
    int n = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        n += fd.symLinkTarget() == device;
    return n;
}

class CommPortDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        driver.SetComPort(pnCOM1);
        driver.SetComPortSpeed(br2400);
        driver.SetComPortPollingDelay(20);
        useDevice(driver, pty.slavePath());
        receiver.attach(driver);
    }

    PseudoTerminal pty;
    TCommPortDriver driver;
    Receiver receiver;
};

} // namespace

TEST(CommPortDriverDefaults, StartClosedWithTheComponentDefaults)
{
    TCommPortDriver d;
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.ComPort(), pnCOM2);
    EXPECT_EQ(d.ComPortSpeed(), br9600);
    EXPECT_EQ(d.ComPortInBufSize(), 2048);
    EXPECT_EQ(d.ComPortPollingDelay(), 50);
    d.ClosePort();   // closing a closed driver does nothing
    EXPECT_FALSE(d.IsOpen());
}

TEST(CommPortDriverDefaults, DeviceNamesFollowThePortNumber)
{
    const struct { TComPortNumber port; const char* name; } cases[] = {
        {pnCOM1, "COM1"}, {pnCOM2, "COM2"}, {pnCOM3, "COM3"}, {pnCOM4, "COM4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(comPortDeviceName(c.port), QLatin1String(c.name));
}

TEST(CommPortDriverDefaults, ResolverIsAskedForTheComName)
{
    TCommPortDriver d;
    QString asked;
    d.SetPortResolver([&asked](const QString& com) { asked = com; return QString(); });
    d.SetComPort(pnCOM4);
    EXPECT_FALSE(d.OpenPort());
    EXPECT_EQ(asked, QStringLiteral("COM4"));
    EXPECT_FALSE(d.LastOpenError().isEmpty());   // no port: the reason is still given
}

TEST_F(CommPortDriverTest, OpensThePortSetsTheLineAndDeliversPolledBatches)
{
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().toStdString();
    EXPECT_TRUE(driver.IsOpen());
    EXPECT_TRUE(driver.LastOpenError().isEmpty());
    EXPECT_EQ(driver.SystemPortName(), pty.slavePath());

    const termios t = pty.line();
    EXPECT_EQ(cfgetispeed(&t), speed_t(B2400));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, tcflag_t(0));
    EXPECT_EQ(t.c_cflag & CSTOPB, tcflag_t(0));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), tcflag_t(0));   // raw: bytes pass unchanged

    const QByteArray frame("\n+1234 1\x30\x00\x00\x80\x00\r", 14);
    pty.send(frame);
    ASSERT_TRUE(waitFor([&] { return receiver.all() == frame; })) << receiver.all().toStdString();
    EXPECT_EQ(receiver.lastSender, &driver);

    // A second batch arrives in later polls, not merged with what was already delivered.
    const size_t before = receiver.batches.size();
    pty.send(QByteArray("\x0a\x2d", 2));
    ASSERT_TRUE(waitFor([&] { return receiver.all() == frame + QByteArray("\x0a\x2d", 2); }));
    EXPECT_GT(receiver.batches.size(), before);

    // Bytes that come at different times before one poll keep their own times: a frame is
    // stamped when its last byte came, not when the poll handed it on.
    const QDateTime base(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
    int taken = 0;
    driver.SetArrivalClock([&] { return base.addMSecs(++taken); });
    driver.SetComPortPollingDelay(60000);
    pty.send(frame);
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == frame.size(); }));
    pty.send(frame);
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == 2 * frame.size(); }));
    driver.PollTimerMessage();
    ASSERT_EQ(receiver.batches.back(), frame + frame);
    const ByteArrivals& arrivals = receiver.arrivals.back();
    ASSERT_EQ(arrivals.batches.size(), 2u);
    EXPECT_EQ(arrivals.batches[0].bytes, frame.size());
    EXPECT_LT(arrivals.batches[0].at, arrivals.batches[1].at);
}

TEST_F(CommPortDriverTest, LineSettingsApplyAtOnceWhileOpen)
{
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPortSpeed(br19200);
    // The meter's line: 8 data bits, no parity, one stop bit, no flow control.
    const termios t = pty.line();
    EXPECT_EQ(cfgetispeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));

    driver.ClosePort();
    driver.SetComPortSpeed(br4800);   // stored while closed, applied by the next open
    ASSERT_TRUE(driver.OpenPort());
    const termios reopened = pty.line();
    EXPECT_EQ(cfgetispeed(&reopened), speed_t(B4800));
}

TEST_F(CommPortDriverTest, ChangingTheSpeedWhileOpenDiscardsPendingInput)
{
    driver.SetComPortPollingDelay(400);   // no poll while the stale bytes wait
    ASSERT_TRUE(driver.OpenPort());
    pty.send("stale bytes");
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == qsizetype(sizeof "stale bytes" - 1); }));
    ASSERT_TRUE(receiver.batches.empty());
    driver.SetComPortSpeed(br4800);
    pty.send("fresh");
    // Whatever came before "fresh" would have been delivered before it.
    ASSERT_TRUE(waitFor([&] { return receiver.all().endsWith("fresh"); }));
    EXPECT_FALSE(receiver.all().contains("stale")) << receiver.all().toStdString();
}

TEST_F(CommPortDriverTest, ComPortIsIgnoredWhileOpenAndTakenAfterClose)
{
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPort(pnCOM3);
    EXPECT_EQ(driver.ComPort(), pnCOM1);
    EXPECT_TRUE(driver.OpenPort());   // already open: stays as it is
    EXPECT_EQ(driver.PollTimerStarts(), 1);

    driver.ClosePort();
    EXPECT_FALSE(driver.IsOpen());
    driver.SetComPort(pnCOM3);
    EXPECT_EQ(driver.ComPort(), pnCOM3);
}

TEST_F(CommPortDriverTest, ClosedPortDeliversNothingAndReopens)
{
    ASSERT_TRUE(driver.OpenPort());
    driver.ClosePort();
    pty.send("while closed");
    QCoreApplication::processEvents();
    driver.PollTimerMessage();   // a poll that came late
    EXPECT_TRUE(receiver.batches.empty());

    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().toStdString();
    pty.send("again");
    ASSERT_TRUE(waitFor([&] { return receiver.all().endsWith("again"); }));
    EXPECT_FALSE(receiver.all().contains("while closed"));   // opening purges the line
}

TEST_F(CommPortDriverTest, InBufSizeLimitsEachReadAndOnlyChangesWhileClosed)
{
    driver.SetComPortInBufSize(4);
    EXPECT_EQ(driver.ComPortInBufSize(), 4);
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPortInBufSize(64);
    EXPECT_EQ(driver.ComPortInBufSize(), 4);

    pty.send("0123456789");
    ASSERT_TRUE(waitFor([&] { return receiver.all() == QByteArray("0123456789"); })) << receiver.all().toStdString();
    EXPECT_GE(receiver.batches.size(), 3u);
    for (const QByteArray& b : receiver.batches)
        EXPECT_LE(b.size(), 4);
}

TEST_F(CommPortDriverTest, PollingDelayRestartsTheTimerOnlyWhenItChanges)
{
    ASSERT_TRUE(driver.OpenPort());
    const int starts = driver.PollTimerStarts();
    driver.SetComPortPollingDelay(20);
    EXPECT_EQ(driver.PollTimerStarts(), starts);
    driver.SetComPortPollingDelay(30);
    EXPECT_EQ(driver.PollTimerStarts(), starts + 1);
    EXPECT_EQ(driver.ComPortPollingDelay(), 30);

    pty.send("still polled");
    ASSERT_TRUE(waitFor([&] { return receiver.all() == QByteArray("still polled"); })) << receiver.all().toStdString();
}

TEST_F(CommPortDriverTest, WithoutCallbackBytesAreReadAndDropped)
{
    driver.OnReceiveData = nullptr;
    driver.SetComPortPollingDelay(400);   // the bytes wait in the driver until the poll drops them
    ASSERT_TRUE(driver.OpenPort());
    pty.send("dropped");
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == qsizetype(sizeof "dropped" - 1); }));
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == 0; }));
    driver.SetComPortPollingDelay(20);
    receiver.attach(driver);
    pty.send("kept");
    ASSERT_TRUE(waitFor([&] { return receiver.all() == "kept"; }));
}

TEST_F(CommPortDriverTest, PortThatCannotBeOpenedGivesTheSystemsReason)
{
    TCommPortDriver missing;
    useDevice(missing, QStringLiteral("/nonexistent/meter-tty"));
    EXPECT_FALSE(missing.OpenPort());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.LastOpenError().isEmpty());

    // A terminal that is not a port: the multiplexer would give a master nobody writes to.
    TCommPortDriver multiplexer;
    useDevice(multiplexer, QStringLiteral("/dev/ptmx"));
    EXPECT_FALSE(multiplexer.OpenPort());
    EXPECT_EQ(multiplexer.LastOpenError(),
              QStringLiteral("/dev/ptmx is not a serial port or the slave side of a pseudo-terminal"));

    // The port is taken while this driver has it open.
    ASSERT_TRUE(driver.OpenPort());
    TCommPortDriver second;
    useDevice(second, pty.slavePath());
    EXPECT_FALSE(second.OpenPort());
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(second.LastOpenError().isEmpty());

    // Once freed, the reason is cleared by a successful open.
    driver.ClosePort();
    EXPECT_TRUE(second.OpenPort()) << second.LastOpenError().toStdString();
    EXPECT_TRUE(second.LastOpenError().isEmpty());
}

TEST_F(CommPortDriverTest, VanishedPortDeliversNothingWithoutSpinningUntilClosed)
{
    ASSERT_TRUE(driver.OpenPort());
    pty.send("before");
    ASSERT_TRUE(waitFor([&] { return receiver.all() == QByteArray("before"); })) << receiver.all().toStdString();

    ASSERT_EQ(openHandlesOn(pty.slavePath()), 1);
    pty.closeMaster();   // the other end goes away, as an adapter that is pulled
    ASSERT_TRUE(waitFor([&] { return driver.PortLost(); }));
    EXPECT_TRUE(driver.IsOpen());   // still open for the caller until ClosePort

    // Nothing left to spin on: the dead device is let go of, and polls deliver nothing.
    EXPECT_EQ(openHandlesOn(pty.slavePath()), 0);
    for (int poll = 0; poll < 3; ++poll)
        driver.PollTimerMessage();
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.all(), QByteArray("before"));

    driver.ClosePort();
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_FALSE(driver.PortLost());

    PseudoTerminal replacement;
    ASSERT_TRUE(replacement.ok());
    useDevice(driver, replacement.slavePath());
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().toStdString();
    replacement.send("after");
    ASSERT_TRUE(waitFor([&] { return receiver.all().endsWith("after"); }));
}

TEST_F(CommPortDriverTest, BytesTakenInBeforeThePortWentAwayAreStillDelivered)
{
    // Polls far apart and small reads: the bytes wait in the port when the other end goes.
    driver.SetComPortPollingDelay(10000);
    driver.SetComPortInBufSize(4);
    ASSERT_TRUE(driver.OpenPort());
    pty.send("last frame");
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == qsizetype(sizeof "last frame" - 1); }));
    ASSERT_TRUE(receiver.batches.empty());
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return driver.PortLost(); }));

    // Each poll hands over at most the buffer size, as from a live port, then nothing.
    for (int poll = 0; poll < 4; ++poll)
        driver.PollTimerMessage();
    ASSERT_EQ(receiver.batches.size(), 3u);
    EXPECT_EQ(receiver.batches[0], QByteArray("last"));
    EXPECT_EQ(receiver.all(), QByteArray("last frame"));

    // Disconnecting drops what a lost port still held: it never shows up on the next port.
    PseudoTerminal second;
    ASSERT_TRUE(second.ok());
    driver.ClosePort();
    useDevice(driver, second.slavePath());
    ASSERT_TRUE(driver.OpenPort());
    second.send("held back");
    ASSERT_TRUE(waitFor([&] { return driver.PendingBytes() == qsizetype(sizeof "held back" - 1); }));
    second.closeMaster();
    ASSERT_TRUE(waitFor([&] { return driver.PortLost(); }));
    driver.PollTimerMessage();
    ASSERT_EQ(receiver.batches.size(), 4u);
    EXPECT_EQ(receiver.batches[3], QByteArray("held"));
    driver.ClosePort();

    PseudoTerminal third;
    ASSERT_TRUE(third.ok());
    useDevice(driver, third.slavePath());
    ASSERT_TRUE(driver.OpenPort());
    driver.PollTimerMessage();
    driver.PollTimerMessage();
    EXPECT_EQ(receiver.batches.size(), 4u);
}

namespace {

long long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long long value = 0;
        if (key == "VmRSS:" && status >> value)
            return value;
        status.ignore(1 << 10, '\n');
    }
    return -1;
}

} // namespace

TEST_F(CommPortDriverTest, FloodKeepsMemoryFlatAndCountsWhatItDrops)
{
    // A device that sends far faster than the polls take (a wrong port, a fast meter): the
    // driver keeps a few polls' worth, drops the rest as an overrun and counts it.
    driver.SetComPortPollingDelay(100);
    ASSERT_TRUE(driver.OpenPort());
    const long long before = residentKiB();
    const int fd = pty.masterFd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::atomic<bool> stop{false};
    std::atomic<long long> sent{0};
    std::thread meter([&] {
        const QByteArray block(1 << 16, 'x');
        while (!stop) {
            const ssize_t n = ::write(fd, block.constData(), std::size_t(block.size()));
            if (n > 0)
                sent += n;
            else if (errno == EAGAIN)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    long long most = before;
    // 64 MiB at the meter's 2400 bit/s would take three days: far more than the polls take.
    constexpr long long kFloodBytes = 64ll << 20;
    const bool flooded = waitFor([&] {
        most = std::max(most, residentKiB());
        return sent >= kFloodBytes;
    }, 60000);
    stop = true;
    meter.join();

    ASSERT_TRUE(flooded) << sent.load() << " bytes sent";
    const long long delivered = receiver.all().size();
    EXPECT_GT(sent.load(), 20 * delivered) << "the flood was not faster than the polls";
    EXPECT_LT(most - before, 16 * 1024) << "resident memory grew by " << (most - before) << " KiB";
    EXPECT_GT(driver.OverrunBytes(), 0);
    EXPECT_LE(driver.PendingBytes(), driver.InputLimit());
    EXPECT_LE(delivered + driver.PendingBytes() + driver.OverrunBytes(), sent.load());
}
