#include "log/journal/journal_files.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString lockPathOf(const QString& journalPath)
{
    QString p = journalPath;
    if (p.endsWith(QLatin1String(".sqlite")))
        p.chop(7);
    return p + QStringLiteral(".lock");
}

} // namespace

QString defaultJournalFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/meter-logger/journal");
}

JournalLock::~JournalLock()
{
    ::close(fd_);
}

std::unique_ptr<JournalLock> JournalLock::take(const QString& journalPath, QString* error)
{
    const QByteArray name = QFile::encodeName(lockPathOf(journalPath));
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = errno == EACCES || errno == EROFS || errno == EPERM ? QStringLiteral("the folder cannot be written")
                     : errno == ENOSPC                                  ? QStringLiteral("the disk is full")
                                                                        : QString::fromLocal8Bit(std::strerror(errno));
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
        .arg(serial.fetchAndAddRelaxed(1));
}

void removeJournalFiles(const QString& journalPath)
{
    for (const char* suffix : {"-wal", "-shm", ""})
        QFile::remove(journalPath + QLatin1String(suffix));
    QFile::remove(lockPathOf(journalPath));
}

std::vector<LeftJournal> leftJournals(const QString& folder)
{
    std::vector<LeftJournal> left;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral("journal-*.sqlite")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (auto lock = JournalLock::take(path))
            left.push_back({path, std::move(lock)});
    }
    return left;
}
