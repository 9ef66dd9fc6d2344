#pragma once
// The log of one computed channel: its values become rows of a table of its own by the same
// logging rules as a meter's readings (per value or per sampling interval, repeat suppression,
// the record limit), each row also kept in the channel's journal until it is saved.
#include "log/journal/journal_files.h"
#include "log/journal/record_journal.h"
#include "log/log_table.h"
#include "log/record_events.h"
#include "log/record_logger.h"
#include "reading/computed/computed_value.h"
#include "reading/locale_clock.h"
#include "reading/session/source_rows.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// A computed value as a row offered to the log, without number or time: function "CALC", the
// shown value with the clock's decimal separator (empty when not valid), the stored unit, and
// in the judge field why there is no number ("stale: i has not read for 2.1 s").
LogRow computedRow(const ComputedValue& value, const QString& decimalSeparator);

class ComputedLog : public QObject {
    Q_OBJECT
public:
    ComputedLog(QString channel, const LocaleClock& clock);
    ~ComputedLog() override;

    const QString& channel() const { return channel_; }

    // Every row from now on also goes to a journal made from `options` (its channel set here).
    void openJournal(RecordJournal::Options options);
    RecordJournal* journal() { return journal_.get(); }

    // Where a value's reading is logged: the input's index in the session and the row of its
    // table holding it (SourceRows::kNoRow: none); an index below 0 leaves that reading out.
    using SourceResolver = std::function<std::pair<int, qint32>(const SourceReading&)>;
    void setSourceResolver(SourceResolver resolver) { resolver_ = std::move(resolver); }
    // Per row of the table, the input rows it was made from.
    const SourceRows& sources() const { return sources_; }

    // A value of the channel, offered to the log at the value's own time.
    void offer(const ComputedValue& value);
    // The sampling tick: logs the latest value while sampling.
    void sample();

    // A session that ended without saving, given back into this channel's table; false with
    // nothing changed once this channel's journal took a row.
    bool restore(LeftJournal&& left);
    // The rows were saved: the journal holds nothing from now on.
    void saved();
    void discardUnsaved();
    void clear();
    // Rows logged since the last save or clear, kept in the journal.
    std::int64_t unsavedRows() const { return journal_ ? journal_->heldRows() : 0; }

    // An event in this channel's log, as ReadingPipeline::addEvent takes one: a `row` left 0
    // is the last row's No, an invalid `at` the clock's time now. Cleared with the rows.
    void addEvent(RecordEvent event);
    const RecordEvents& events() const { return events_; }

    // The latest value offered (what the last row was made from, under either logging rule).
    const std::optional<ComputedValue>& latestValue() const { return latest_; }

    LogTable& table() { return table_; }
    const LogTable& table() const { return table_; }
    RecordLogger& logger() { return logger_; }
    const RecordLogger& logger() const { return logger_; }

signals:
    // A row was appended; `value` is the value it was made from (for a restored row: none).
    void rowLogged(const LogRow& row, const std::optional<ComputedValue>& value);
    // An event was added, now or given back by a restore.
    void eventAdded(const RecordEvent& event);

private:
    void appended(const LogRow& row);

    QString channel_;
    const LocaleClock& clock_;
    LogTable table_;
    RecordLogger logger_;
    RecordEvents events_;
    std::optional<ComputedValue> latest_;   // what the sampling tick logs
    std::unique_ptr<RecordJournal> journal_;
    SourceResolver resolver_;
    SourceRows sources_;
    std::vector<std::pair<int, qint32>> scratch_;   // the sources of the row being logged
};
