#pragma once
// The road from a frame's text to a logged row, the same for the window and for meter-read:
// the decoder's state between frames, the panel model, the extremes, the limit judge, the log
// table with its logging rules, the link watchdog's count, and the journal that keeps every
// logged row until it is saved. Widget-free: it says what happened through its signals, and
// each front end shows it.
#include "decode/reading.h"
#include "log/files/file_progress.h"
#include "log/journal/journal_files.h"
#include "log/journal/record_journal.h"
#include "log/log_table.h"
#include "log/plot_index.h"
#include "log/record_events.h"
#include "log/record_logger.h"
#include "reading/extremes.h"
#include "reading/lcd_panel_model.h"
#include "reading/limit_judge.h"
#include "reading/locale_clock.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

struct FileOutcome;

class ReadingPipeline : public QObject {
    Q_OBJECT
public:
    // `clock` gives the separators, the time formats and the rows' time stamps, read afresh at
    // every use; it outlives the pipeline.
    ReadingPipeline(int startFullScaleCount, const LocaleClock& clock);
    ~ReadingPipeline() override;

    // One accepted frame: decoded, shown on the panel, judged and offered to the log. Throws
    // ConversionError for a frame whose text cannot be read; what the steps before the
    // failure did stays done. `arrivedAt`, the time its last byte arrived by the clock, is the
    // reading's time and the row's; when invalid, the clock's time now stands for it.
    void showFrame(const QString& frameText, const QDateTime& arrivedAt = {});
    // The sampling tick: logs the latest reading while sampling.
    void sample();
    // The watchdog tick (every 100 ms, both links): true on the third tick without a frame,
    // when the link turns to not alive and the count starts again.
    bool watchdogTick();

    // Every logged row also goes to a journal in `options.folder`, stamped by this pipeline's
    // clock; the pipeline keeps it until it ends.
    void openJournal(RecordJournal::Options options);
    RecordJournal* journal() { return journal_.get(); }
    // Rows logged since the last save, Close Data or start.
    std::int64_t unsavedRows() const;
    // Commits what the journal holds; false when that failed.
    bool flushJournal();

    // Close Data, once the question was answered Yes: the rows and their events go.
    void clearLog();
    // The table files. A save empties the journal. A text table is appended (the events stay
    // at their rows); an XML packet, once read whole, replaces the logged rows and their events
    // if `mayReplace` agrees (it may save or give them up first), and the journal holds nothing
    // from then on. Both say what happened. The exports (CSV, JSON Lines) write the events
    // among the rows; the table files carry none.
    // `progress` hears how far they got (log/files/file_progress.h); a load it stops leaves the
    // table as it was. Rows logged while a save runs keep their safety copy.
    FileOutcome saveTable(const QString& fileName, const FileProgress& progress = {});
    FileOutcome loadTable(const QString& fileName, const std::function<bool()>& mayReplace = {},
                          const FileProgress& progress = {});
    // The user chose not to keep the unsaved rows: their safety copy goes.
    void discardUnsaved();

    // Something that happened beside the rows (an alarm, a link, the safety copy, a note): kept
    // with the log, written to its journal and announced. A `row` left 0 is the table's last
    // row No; an invalid `at` is the clock's time now. Cleared with the rows.
    void addEvent(RecordEvent event);
    const RecordEvents& events() const { return events_; }
    // A session that ended without saving, given back: its rows are appended as they were
    // logged (table, chart and numbering) with their events, and its journal becomes this
    // session's. False, with
    // nothing changed, once this session's journal took a row or a clear.
    bool restoreSession(LeftJournal&& left);

    LcdPanelModel& panel() { return panel_; }
    const LcdPanelModel& panel() const { return panel_; }
    Extremes& extremes() { return extremes_; }
    LimitJudge& judge() { return judge_; }
    LogTable& table() { return table_; }
    const LogTable& table() const { return table_; }
    RecordLogger& logger() { return logger_; }
    const RecordLogger& logger() const { return logger_; }
    // Which table row each chart record shows; up to date when the signals below arrive.
    const PlotIndex& plotIndex() const { return plotIndex_; }
    // The latest reading; after a refused frame, what its steps got to.
    const Reading& reading() const { return reading_; }
    int fullScaleCount() const { return fullScaleCount_; }
    int linkIdleTicks() const { return linkIdleTicks_; }

signals:
    // A frame was read to its end and shown on the panel.
    void frameShown(const Reading& reading);
    // The log appended a row, logged now or restored.
    void rowLogged(const LogRow& row);
    // Close Data emptied the log.
    void logCleared();
    // A table file was loaded into the log: appended to it (a text table), or in place of its
    // rows (`replaced`, an XML packet), when the chart's points, the numbering and the record
    // limit were those of rows given up.
    void logLoaded(bool replaced);
    // An event was added to the log, now or given back by a restore.
    void eventAdded(const RecordEvent& event);

private:
    void offerToLog(const QDateTime& at);
    void rowAppended(const LogRow& row);
    void rowShown(const LogRow& row);

    const LocaleClock& clock_;
    LcdPanelModel panel_;
    Extremes extremes_;
    LimitJudge judge_;
    LogTable table_;
    RecordLogger logger_;
    PlotIndex plotIndex_;
    RecordEvents events_;
    Reading reading_;
    int fullScaleCount_;
    double lastCount_ = 0;          // the count of the last frame that got that far
    int linkIdleTicks_ = 0;
    std::unique_ptr<RecordJournal> journal_;
};
