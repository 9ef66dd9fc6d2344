#include "tools/meter-read/note_source.h"

#include "reading/monotonic_ms.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// UTF-8 takes at most four bytes a character: more than this many bytes is a line to cut.
constexpr int kLongestLineBytes = NoteSource::kLongestNote * 4;
// One wake-up reads at most this much, so the readings are served between two blocks.
constexpr int kBlockBytes = 1 << 16;

} // namespace

NoteSource::NoteSource(const QString& path, QObject* parent) : QObject(parent), path_(path) {}

NoteSource::~NoteSource()
{
    closeDescriptor();
}

bool NoteSource::open(QString* error)
{
    if (path_ == QLatin1String("-")) {
        kind_ = Kind::StandardInput;
        fd_ = STDIN_FILENO;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &NoteSource::readAvailable);
        return true;
    }
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) {
        *error = QStringLiteral("%1: %2 (make a named pipe with mkfifo)").arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (S_ISFIFO(st.st_mode)) {
        kind_ = Kind::Pipe;
        if (openPipe())
            return true;
    } else if (S_ISREG(st.st_mode)) {
        kind_ = Kind::File;
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ >= 0) {
            ::lseek(fd_, 0, SEEK_END);   // what the file held before the run is not news
            poll_ = std::make_unique<QTimer>();
            connect(poll_.get(), &QTimer::timeout, this, &NoteSource::readAvailable);
            poll_->start(200);
            return true;
        }
    } else {
        *error = QStringLiteral("%1: not a named pipe or a regular file").arg(path_);
        return false;
    }
    *error = QStringLiteral("%1: %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

bool NoteSource::openPipe()
{
    // Without O_NONBLOCK the open would wait for a writer, and so would the whole program.
    fd_ = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &NoteSource::readAvailable);
    return true;
}

void NoteSource::closeDescriptor()
{
    notifier_.reset();
    if (fd_ >= 0 && kind_ != Kind::StandardInput)
        ::close(fd_);
    fd_ = -1;
}

void NoteSource::readAvailable()
{
    if (fd_ < 0)
        return;
    if (kind_ == Kind::File) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && st.st_size < ::lseek(fd_, 0, SEEK_CUR))
            ::lseek(fd_, 0, SEEK_SET);   // emptied and written anew
    }
    char buffer[4096];
    for (int total = 0; total < kBlockBytes;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            take(buffer, n);
            total += int(n);
            continue;
        }
        if (n < 0 && (errno == EINTR))
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        if (n == 0 && kind_ == Kind::File)
            return;   // the file's end for now; it may grow
        // The writer went (or the input failed): a line without its end is still a note.
        if (!line_.isEmpty())
            endLine();
        closeDescriptor();
        if (kind_ == Kind::Pipe)
            openPipe();
        return;
    }
}

void NoteSource::take(const char* data, std::int64_t size)
{
    for (std::int64_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            endLine();
            continue;
        }
        if (cutting_)
            continue;
        if (line_.size() >= kLongestLineBytes) {
            cutting_ = true;
            continue;
        }
        line_ += data[i];
    }
}

void NoteSource::endLine()
{
    const QString text = QString::fromUtf8(line_).trimmed().left(kLongestNote);
    line_.clear();
    cutting_ = false;
    if (text.isEmpty())
        return;
    const std::int64_t now = monotonicMs();
    if (secondStartMs_ < 0 || now - secondStartMs_ >= 1000) {
        secondStartMs_ = now;
        notesThisSecond_ = 0;
    }
    if (++notesThisSecond_ > kMostNotesPerSecond) {
        ++leftOut_;
        return;
    }
    emit noteRead(text);
}
