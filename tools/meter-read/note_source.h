#pragma once
// meter-read --notes PATH: each line written to a named pipe, to a regular file as it grows
// (from its end at the start), or to standard input ("-") becomes a note. A pipe gives an end
// of file when its writer closes it; it is then opened again for the next writer. Bounded: a
// line is cut at kLongestNote characters, and past kMostNotesPerSecond in a second further
// lines are counted and left out, so a writer that floods the pipe cannot flood the record.
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QSocketNotifier;
class QTimer;

class NoteSource : public QObject {
    Q_OBJECT
public:
    static constexpr int kLongestNote = 1000;
    static constexpr int kMostNotesPerSecond = 100;

    explicit NoteSource(const QString& path, QObject* parent = nullptr);
    ~NoteSource() override;

    // False, with the reason, when the path is missing or is neither a pipe nor a regular file.
    bool open(QString* error);
    std::int64_t leftOut() const { return leftOut_; }

signals:
    void noteRead(const QString& text);

private:
    void readAvailable();
    void take(const char* data, std::int64_t size);
    void endLine();
    bool openPipe();
    void closeDescriptor();

    QString path_;
    int fd_ = -1;
    enum class Kind { Pipe, File, StandardInput } kind_ = Kind::Pipe;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> poll_;   // a regular file never wakes a notifier: it is looked at
    QByteArray line_;
    bool cutting_ = false;           // the rest of an over-long line is skipped
    std::int64_t secondStartMs_ = -1;
    int notesThisSecond_ = 0;
    std::int64_t leftOut_ = 0;
};
