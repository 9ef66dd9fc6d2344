#include "log/files/table_file_writer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

TableFileWriter::TableFileWriter(const QString& fileName) : fileName_(fileName) {}

TableFileWriter::~TableFileWriter() = default;   // an uncommitted QSaveFile removes its temporary file

bool TableFileWriter::open()
{
    const QFileInfo info(fileName_);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        auto direct = std::make_unique<QFile>(fileName_);
        if (!direct->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            error_ = direct->errorString();
            return false;
        }
        file_ = std::move(direct);
    } else {
        auto save = std::make_unique<QSaveFile>(fileName_);
        if (!save->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            error_ = save->errorString();
            return false;
        }
        file_ = std::move(save);
    }
    buffer_.reserve(kFlushBytes + 4096);
    return true;
}

void TableFileWriter::flush()
{
    // A full disk first shows as a short write without an error; only the write after it
    // fails and says why.
    const char* p = buffer_.data();
    qint64 left = qint64(buffer_.size());
    while (!failed_ && left > 0) {
        const qint64 n = file_->write(p, left);
        if (n <= 0) {
            failed_ = true;
            error_ = file_->errorString();
        } else {
            p += n;
            left -= n;
        }
    }
    buffer_.clear();
}

bool TableFileWriter::commit()
{
    if (!file_)
        return false;
    flush();
    bool done = !failed_;
    if (auto* save = dynamic_cast<QSaveFile*>(file_.get())) {
        if (failed_)
            save->cancelWriting();
        const bool committed = save->commit();
        if (!committed && !failed_)
            error_ = save->errorString();
        done = done && committed;
    } else {
        done = file_->flush() && done;
        if (!done && error_.isEmpty())
            error_ = file_->errorString();
        file_->close();
    }
    file_.reset();
    return done;
}

void appendUtf8(std::string& out, const QString& text)
{
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && p[i].unicode() < 0x80)
        ++i;
    if (i == n) {   // plain ASCII, the usual case
        for (qsizetype k = 0; k < n; ++k)
            out.push_back(char(p[k].unicode()));
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    out.append(utf8.constData(), std::size_t(utf8.size()));
}
