#include "tools/meter-sim/virtual_port.h"

#include <QDeadlineTimer>

#include <algorithm>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

[[noreturn]] void refuse(const std::string& what)
{
    throw std::runtime_error(what);
}

// The runtime folder must be a real folder of this user: in /tmp anyone could have made it.
void ensurePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        fail("cannot create " + path.toStdString());
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        fail("cannot look at " + path.toStdString());
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        refuse(path.toStdString() + " is not a folder of this user");
}

QByteArray linkTarget(const QByteArray& link)
{
    char buffer[4096];
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

// Locks the name for this process; refuses it while another running process holds the lock.
// The system lets go of the lock when its holder ends, however it ends. The file stays.
int lockName(const QByteArray& lockPath, const std::string& name)
{
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot create " + lockPath.toStdString());
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        char holder[32] = {};
        const ssize_t n = ::read(fd, holder, sizeof holder - 1);
        ::close(fd);
        if (error != EWOULDBLOCK)
            fail("cannot lock " + lockPath.toStdString());
        const std::string pid = n > 0 ? std::string(holder, size_t(n)) : std::string();
        refuse(name + " is published by another virtual meter that is still running"
               + (pid.empty() ? std::string() : " (process " + pid + ")")
               + "; stop it first or choose another name with --port");
    }
    // The process number only helps the message of a refused second meter; the lock is what
    // counts, so a failure to write it changes nothing.
    const std::string pid = std::to_string(::getpid());
    const bool written = ::ftruncate(fd, 0) == 0 && ::write(fd, pid.data(), pid.size()) == ssize_t(pid.size());
    static_cast<void>(written);
    return fd;
}

} // namespace

VirtualPort::~VirtualPort()
{
    unpublish();
    if (lock_ >= 0)
        ::close(lock_);
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

void VirtualPort::open()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        fail("cannot create a pseudo-terminal");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        fail("cannot unlock the pseudo-terminal");
    const char* name = ::ptsname(master_);
    if (!name)
        fail("cannot name the pseudo-terminal");
    slavePath_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0)
        fail("cannot open " + slavePath_.toStdString());
    // Raw until the reader sets its own line: no echo back, no line editing of the bytes.
    termios line {};
    if (::tcgetattr(slave_, &line) == 0) {
        ::cfmakeraw(&line);
        ::tcsetattr(slave_, TCSANOW, &line);
    }
}

void VirtualPort::publish(const QString& runtimeDir, int portNumber)
{
    const QByteArray folder = runtimeDir.toLocal8Bit();
    ensurePrivateFolder(folder);
    const QByteArray link = folder + "/COM" + QByteArray::number(portNumber);
    if (lock_ < 0)
        lock_ = lockName(link + ".lock", "COM" + std::to_string(portNumber));

    struct stat st {};
    if (::lstat(link.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            refuse(link.toStdString() + " exists and is not a link; remove it or choose another --port");
        ::unlink(link.constData());
        replacedStaleLink_ = true;
    }
    if (::symlink(slavePath_.toLocal8Bit().constData(), link.constData()) != 0)
        fail("cannot create " + link.toStdString());
    linkPath_ = QString::fromLocal8Bit(link);
}

void VirtualPort::unpublish()
{
    if (linkPath_.isEmpty())
        return;
    const QByteArray link = linkPath_.toLocal8Bit();
    if (linkTarget(link) == slavePath_.toLocal8Bit())
        ::unlink(link.constData());
    linkPath_.clear();
}

bool VirtualPort::send(const QByteArray& bytes)
{
    const ssize_t n = ::write(master_, bytes.constData(), size_t(bytes.size()));
    return n == bytes.size();
}

bool VirtualPort::sendAll(const QByteArray& bytes, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(master_, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd fd{master_, POLLOUT, 0};
        const int wait = int(std::min<qint64>(deadline.remainingTime(), 100));
        if (deadline.hasExpired())
            return false;
        ::poll(&fd, 1, wait);
    }
    return true;
}

void VirtualPort::drain(int timeoutMs)
{
    // Bytes written reach the reader's queue a moment later, so an empty queue counts only
    // when it stays empty for a few checks; closing earlier would throw the last frame away.
    int emptyChecks = 0;
    for (int waited = 0; waited < timeoutMs && emptyChecks < 3; waited += 10) {
        int pending = 0;
        if (::ioctl(slave_, FIONREAD, &pending) != 0)
            return;
        emptyChecks = pending == 0 ? emptyChecks + 1 : 0;
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}
