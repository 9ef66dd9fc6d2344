#pragma once
// How far a long file operation got, for a front end that shows it: called now and then with
// the work done and the whole (bytes read of a file, rows written of a table). A load stops,
// leaving the table as it was, once it answers false; a save goes on whatever it answers.
#include <QFile>

#include <functional>

using FileProgress = std::function<bool(qint64 done, qint64 total)>;

// Saves report once every 65,536 rows: r & kProgressRowMask == kProgressRowMask.
constexpr qint64 kProgressRowMask = (qint64(1) << 16) - 1;

// A file being read that reports where its reads got to; once the progress answers false every further
// read fails, so the reader gives up.
class ProgressFile : public QFile {
public:
    ProgressFile(const QString& name, FileProgress progress) : QFile(name), progress_(std::move(progress)) {}

    // A reader that goes back (the XML scanner, to the first row) reads from there again.
    bool seek(qint64 pos) override
    {
        read_ = pos;
        return QFile::seek(pos);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (stopped_)
            return -1;
        const qint64 n = QFile::readData(data, maxSize);
        if (n > 0 && progress_) {
            read_ += n;
            stopped_ = !progress_(read_, size());
        }
        return stopped_ ? -1 : n;
    }

private:
    FileProgress progress_;
    qint64 read_ = 0;
    bool stopped_ = false;
};
