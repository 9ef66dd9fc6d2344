#include "log/journal/journal_files.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString lockPathOf(const QString& journalPath)
{
    QString p = journalPath;
    if (p.endsWith(QLatin1String(".sqlite")))
        p.chop(7);
    return p + QStringLiteral(".lock");
}

QString reasonOf(int err)
{
    return err == EACCES || err == EROFS || err == EPERM ? QStringLiteral("the folder cannot be written")
           : err == ENOSPC || err == EDQUOT             ? QStringLiteral("the disk is full")
                                                        : QString::fromLocal8Bit(std::strerror(err));
}

// A relative base is ignored, as the XDG rules ask: it would depend on the working folder.
QString absoluteOr(const QByteArray& variable, const QString& fallback)
{
    const QString value = QFile::decodeName(qgetenv(variable.constData()));
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? value : fallback;
}

} // namespace

QString defaultJournalFolder()
{
    return absoluteOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))
           + QStringLiteral("/meter-logger/journal");
}

bool makePrivateFolder(const QString& folder, QString* error)
{
    // The folders this program makes are its user's alone; one that an older version made open
    // to others is closed. Folders above them are the user's own business.
    const QString parent = QFileInfo(folder).path();
    for (const QString& path : {parent, folder}) {
        const QByteArray name = QFile::encodeName(path);
        const bool made = ::mkdir(name.constData(), 0700) == 0
                          || (errno == ENOENT && QDir().mkpath(path) && ::chmod(name.constData(), 0700) == 0);
        const int err = errno;
        if (made)
            continue;
        struct stat st {};
        if (::stat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            if (error)
                *error = QStringLiteral("the folder %1 cannot be made: %2")
                             .arg(QDir::toNativeSeparators(path), err == EEXIST ? QStringLiteral("a file has its name")
                                                                                : reasonOf(err));
            return false;
        }
        if (path == folder && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
            ::chmod(name.constData(), st.st_mode & 0700);
    }
    return true;
}

bool makePrivateFile(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = errno == ELOOP ? QStringLiteral("%1 is a symbolic link").arg(QDir::toNativeSeparators(path))
                                    : reasonOf(errno);
        return false;
    }
    ::fchmod(fd, 0600);
    ::close(fd);
    // The write-ahead log and shared memory an earlier session left beside it close too.
    for (const char* suffix : {"-wal", "-shm"}) {
        const int side = ::open(QByteArray(name + suffix).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (side >= 0) {
            ::fchmod(side, 0600);
            ::close(side);
        }
    }
    return true;
}

JournalLock::~JournalLock()
{
    ::close(fd_);
}

std::unique_ptr<JournalLock> JournalLock::take(const QString& journalPath, QString* error)
{
    const QByteArray name = QFile::encodeName(lockPathOf(journalPath));
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = errno == ELOOP ? QStringLiteral("its lock file is a symbolic link") : reasonOf(errno);
        return nullptr;
    }
    // flock belongs to the open file, so a second owner in the same process is refused too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<JournalLock>(new JournalLock(fd));
}

QString newJournalPath(const QString& folder, const QDateTime& startedAt)
{
    static QAtomicInt serial;
    return QStringLiteral("%1/journal-%2-%3-%4.sqlite")
        .arg(folder, startedAt.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz")))
        .arg(qint64(::getpid()))
        .arg(serial.fetchAndAddRelaxed(1), 6, 10, QLatin1Char('0'));   // sorts in the order made
}

void removeJournalFiles(const QString& journalPath)
{
    for (const char* suffix : {"-wal", "-shm", ""})
        QFile::remove(journalPath + QLatin1String(suffix));
    QFile::remove(lockPathOf(journalPath));
}

std::vector<LeftJournal> leftJournals(const QString& folder, std::vector<ForeignJournal>* foreign)
{
    std::vector<LeftJournal> left;
    const QDir dir(folder);
    // A link here was not made by this program: whatever it points at is not read or locked.
    const QStringList names =
        dir.entryList({QStringLiteral("journal-*.sqlite")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        // This program makes its journals 0600; one that is another user's or that others may
        // write was not made by this user's sessions, and no lock file is made beside it either.
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
            if (foreign)
                foreign->push_back({path, st.st_uid != ::geteuid()
                                              ? QStringLiteral("another user's")
                                              : QStringLiteral("open to others (%1)")
                                                    .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'))});
            continue;
        }
        if (auto lock = JournalLock::take(path))
            left.push_back({path, std::move(lock)});
    }
    return left;
}
