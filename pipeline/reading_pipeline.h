#pragma once
// The road from a frame's text to a logged row, the same for the window and for meter-read:
// the decoder's state between frames, the panel model, the extremes, the limit judge, the log
// table with its logging rules and the link watchdog's count; every logged row also goes to
// the journal, which holds the rows waiting to be saved.
// Widget-free: it reports what changed through its events, and the front end shows it.
#include "decode/decoded_frame.h"
#include "decode/extremes.h"
#include "decode/lcd_panel_model.h"
#include "decode/limit_judge.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "pipeline/meter_reading.h"

#include <QLocale>
#include <QString>
#include <QDateTime>

#include <cstdint>
#include <functional>

class RecordJournal;
struct JournalRow;

class ReadingPipeline {
public:
    // Read afresh at every use, so a changed locale applies from the next frame on.
    struct Clock {
        std::function<QString()> decimalSeparator;   // the user locale's
        std::function<QLocale()> locale;             // the user locale: the rows' time formats
        std::function<QDateTime()> now;              // local date and time with its UTC offset
    };

    // What changed, for the front end to show; any of them may be left empty.
    struct Events {
        std::function<void(const ExtremesLabels&)> extremesChanged;
        std::function<void(double maximum, double minimum)> axisBoundsChanged;   // the chart's value axis
        std::function<void(RecordLogger::Timer3Command)> timer3;                 // Start or Stop the sampling timer
        std::function<void(int position)> barPosition;                           // PBar2, before the row is appended
        // Every row the log appends, whichever front end and whichever rule made it.
        std::function<void(const LogTable& table, std::int64_t row, double readingValue)> rowAppended;
        std::function<void()> chartCleared;                                      // Close Data
        std::function<void()> tableCleared;                                      // Close Data emptied the table
        std::function<void(const DecodedFrame&)> frameDecoded;                   // last, for a frame read to its end
    };

    ReadingPipeline(int startFullScaleCount, Clock clock);
    ReadingPipeline(const ReadingPipeline&) = delete;
    ReadingPipeline& operator=(const ReadingPipeline&) = delete;
    void setEvents(Events events) { events_ = std::move(events); }

    // One accepted frame. Throws ConversionError for a frame whose text cannot be read; what
    // the steps before the failure did stays done.
    void LcdDisplayVK31C(const QString& frameText);
    // The sampling tick.
    void Timer3Timer();
    // The watchdog tick (ConTimer, every 100 ms, both links): true on the third tick without
    // a frame, when the link indicator turns to not alive and the count starts again.
    bool ConTimerTimer();

    // Every row the log appends also goes to `journal` (may be null; outlives the pipeline),
    // which a save or Close Data empties.
    void setJournal(RecordJournal* journal) { journal_ = journal; }
    // A row kept by the journal of a session that ended without saving, appended as if just
    // logged: table, chart and numbering, and into this session's journal with its own time.
    void restoreRow(const JournalRow& row);

    // Close Data, once the question was answered Yes.
    void RecordNewClick();
    // The log was saved: the journal, which holds the rows waiting for a save, is emptied.
    void rowsSaved();

    // Data_display: the panel's data memo follows it.
    void setDataDisplay(bool checked) { dataDisplay_ = checked; }

    LcdPanelModel& panel() { return panel_; }
    Extremes& extremes() { return extremes_; }
    LimitJudge& judge() { return judge_; }
    LogTable& table() { return table_; }
    const LogTable& table() const { return table_; }
    RecordLogger& logger() { return logger_; }
    const RecordLogger& logger() const { return logger_; }
    const MeterReading& reading() const { return reading_; }
    const DecodedFrame& lastFrame() const { return frame_; }
    int linkIdleTicks() const { return linkIdleTicks_; }

private:
    void readingReady();
    void rowAppended(double readingValue);

    Clock clock_;
    Events events_;
    LcdPanelModel panel_;
    Extremes extremes_;
    LimitJudge judge_;
    LogTable table_;
    RecordLogger logger_;
    MeterReading reading_;
    DecodedFrame frame_;
    bool dataDisplay_ = false;
    int linkIdleTicks_ = 0;
    RecordJournal* journal_ = nullptr;
};
