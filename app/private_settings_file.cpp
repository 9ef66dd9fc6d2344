#include "app/private_settings_file.h"

#include "log/journal/journal_files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reasonOf(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Copies the old file's bytes into the new one; a missing old file leaves it empty.
bool copyInto(int fd, const QString& from)
{
    QFile old(from);
    if (!old.exists())
        return true;
    if (!old.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = old.read(kSettingsFileLimit);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString settingsFileRefusal(const QString& file)
{
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? QString() : reasonOf(errno);   // none there
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a plain file");
    if (st.st_size > kSettingsFileLimit)
        return QStringLiteral("it is over 1 MiB");
    return QString();
}

QString settingsFolderProblem(const QString& file)
{
    const QString folder = QFileInfo(file).absolutePath();
    QString error;
    if (!makePrivateFolder(folder, &error))
        return error;
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return reasonOf(errno);
    return QString();
}

QString replaceSettingsFile(const QString& file, const std::function<bool(const QString& newFile)>& write)
{
    if (const QString refusal = settingsFileRefusal(file); !refusal.isEmpty())
        return refusal;
    if (const QString problem = settingsFolderProblem(file); !problem.isEmpty())
        return problem;
    QByteArray name = QFile::encodeName(QFileInfo(file).absolutePath() + QStringLiteral("/.settings-XXXXXX"));
    const int fd = ::mkstemp(name.data());   // 0600
    if (fd < 0)
        return reasonOf(errno);
    const bool copied = copyInto(fd, file);
    const int copyError = errno;
    ::close(fd);
    const QString newFile = QFile::decodeName(name);
    if (!copied || !write(newFile)) {
        ::unlink(name.constData());
        return copied ? QStringLiteral("the new file could not be written") : reasonOf(copyError);
    }
    ::chmod(name.constData(), 0600);
    if (::rename(name.constData(), QFile::encodeName(file).constData()) != 0) {
        const int err = errno;
        ::unlink(name.constData());
        return reasonOf(err);
    }
    return QString();
}
