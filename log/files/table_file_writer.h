#pragma once
// Writes a table file through a large buffer. A regular file is written beside the target
// and renamed over it only when complete, so a save that fails halfway leaves the old file
// as it was. A target that exists and is not a regular file (a device, a pipe) is written
// in place, because it cannot be replaced by renaming.
#include <QString>

#include <memory>
#include <string>

class QFileDevice;

class TableFileWriter {
public:
    explicit TableFileWriter(const QString& fileName);
    ~TableFileWriter();
    TableFileWriter(const TableFileWriter&) = delete;
    TableFileWriter& operator=(const TableFileWriter&) = delete;

    bool open();                        // false: the file cannot be created; see errorString()
    std::string& buffer() { return buffer_; }   // append here, then call flushIfFull()
    void flushIfFull()
    {
        if (buffer_.size() >= kFlushBytes)
            flush();
    }
    bool commit();                      // writes the rest and puts the file in place
    QString errorString() const { return error_; }

    static constexpr std::size_t kFlushBytes = 1 << 20;

private:
    void flush();

    QString fileName_;
    std::unique_ptr<QFileDevice> file_;
    std::string buffer_;
    bool failed_ = false;
    QString error_;
};

// Appends the UTF-8 form of text to out.
void appendUtf8(std::string& out, const QString& text);
