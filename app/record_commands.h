#pragma once
// The Record menu's rules apart from the window: Close Data only once its question is answered
// Yes, a record limit chosen from the menu, and what the menu shows of the limit after every
// change (a row logged, the log cleared or loaded, a limit chosen).
#include <QObject>

class ReadingPipeline;
class UserPrompts;

class RecordCommands : public QObject {
    Q_OBJECT
public:
    // Both outlive the commands.
    RecordCommands(ReadingPipeline& pipeline, UserPrompts& prompts, QObject* parent = nullptr);

    bool closeData();                // asks first; the log is cleared on Yes, and true
    void setRecordLimit(int item);   // the Record menu's item 0..5

signals:
    // The item the menu checks (-1: a limit of another size), whether logging stopped at the
    // limit, and the limit.
    void limitShown(int checkedItem, bool atLimit, qint32 maxRecords);

private:
    void showLimit();

    ReadingPipeline& pipeline_;
    UserPrompts& prompts_;
};
