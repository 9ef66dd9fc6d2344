#include "pipeline/reading_pipeline.h"

#include "decode/frame_decoder.h"
#include "decode/unit_display.h"
#include "log/log_time_text.h"
#include "log/record_journal.h"

ReadingPipeline::ReadingPipeline(int startFullScaleCount, Clock clock)
    : clock_(std::move(clock)), extremes_(startFullScaleCount), logger_(table_)
{
    reading_.FullScaleCount = startFullScaleCount;
    panel_.setAxisBounds(-startFullScaleCount, startFullScaleCount);

    RecordLogger::Callbacks cb;
    cb.setBarPosition = [this](int position) {
        if (events_.barPosition)
            events_.barPosition(position);
    };
    cb.addValue = [this](double readingValue) { rowAppended(readingValue); };
    cb.clearChart = [this] {
        if (events_.chartCleared)
            events_.chartCleared();
    };
    cb.tableCleared = [this] {
        if (events_.tableCleared)
            events_.tableCleared();
    };
    cb.rowLogged = [this](const LogRow& row, const LogRowDetails& details, const LogReading& reading) {
        if (journal_)   // with the table's own stamp, so both say the same time
            journal_->rowLogged(row, details, reading.readingValue);
    };
    logger_.setCallbacks(cb);
}

void ReadingPipeline::restoreRow(const JournalRow& r)
{
    LogReading reading;
    reading.valueText = r.row.value;
    reading.functionText = r.row.function;
    reading.unitText = r.row.unit;
    reading.rangeModeText = r.rangeModeText;
    reading.judgeText = r.row.judge;
    reading.readingValue = r.readingValue;
    logger_.restoreRow(r.row, r.details(), reading);
    if (journal_)
        journal_->rowRestored(r);
}

void ReadingPipeline::rowsSaved()
{
    if (journal_)
        journal_->clear();
}

void ReadingPipeline::LcdDisplayVK31C(const QString& frameText)
{
    const QString separator = clock_.decimalSeparator ? clock_.decimalSeparator() : QStringLiteral(".");
    judge_.normaliseLimits(separator);
    panel_.markLinkAlive();
    linkIdleTicks_ = 0;

    DecodeInput in;
    in.frameText = frameText;
    in.decimalSeparator = separator;
    in.fullScaleCount = reading_.FullScaleCount;
    in.previousReadingCount = reading_.ReadingCount;
    try {
        decodeFrameInto(in, frame_);
    } catch (...) {
        // The steps the frame got through stay done: cleared texts and indicators, the value text.
        if (frame_.progress >= DecodeProgress::TextsCleared) {
            reading_.FunctionText = frame_.functionText;
            reading_.UnitText = frame_.unitText;
            reading_.RangeModeText = frame_.rangeModeText;
            reading_.ReadingValue = frame_.readingValue;
        }
        if (frame_.progress >= DecodeProgress::ValueText)
            reading_.ValueText = frame_.valueText;
        panel_.applyIndicators(frame_, dataDisplay_);
        throw;
    }
    panel_.applyIndicators(frame_, dataDisplay_);
    reading_.ValueText = frame_.valueText;
    reading_.ReadingCount = frame_.readingCount;
    reading_.FunctionText = frame_.functionText;
    reading_.UnitText = frame_.unitText;
    reading_.RangeModeText = frame_.rangeModeText;
    reading_.PointPosition = frame_.pointPosition;

    // Extremes compare counts under the full scale from before this frame.
    ExtremesInput ex;
    ex.valueText = frame_.valueText;
    ex.readingCount = frame_.readingCount;
    ex.functionText = frame_.functionText;
    ex.unitText = frame_.unitText;
    ex.pointPosition = frame_.pointPosition;
    ex.fullScaleCount = reading_.FullScaleCount;
    const ExtremesLabels labels = extremes_.update(ex);
    if (events_.extremesChanged)
        events_.extremesChanged(labels);
    panel_.applyDigitCaptions(frame_);

    reading_.FullScaleCount = frame_.fullScaleCount;
    reading_.ReadingValue = frame_.readingValue;
    if (frame_.hasRange) {
        panel_.applyRangeBounds(frame_);
        if (events_.axisBoundsChanged)
            events_.axisBoundsChanged(frame_.rangeBound, -frame_.rangeBound);
    }

    if (judge_.judge(reading_.ValueText, separator))
        reading_.JudgeText = judge_.judgeText();
    reading_.NewReadingFlag = true;
    panel_.applyBarGraphMaximum();
    readingReady();
    panel_.rememberAxisMaximum();
    if (events_.frameDecoded)
        events_.frameDecoded(frame_);
}

void ReadingPipeline::readingReady()
{
    LogReading lr;
    lr.valueText = reading_.ValueText;
    lr.functionText = reading_.FunctionText;
    lr.unitText = reading_.UnitText;
    lr.rangeModeText = reading_.RangeModeText;
    lr.judgeText = reading_.JudgeText;
    lr.readingValue = reading_.ReadingValue;
    lr.meterUnitText = meterUnitText(reading_.UnitText, frame_.indicators);
    const QLocale locale = clock_.locale ? clock_.locale() : QLocale::c();
    const QDateTime now = clock_.now ? clock_.now() : QDateTime::currentDateTime();
    const RecordLogger::Timer3Command command = logger_.readingDecoded(lr, now, timeSeparatorOf(locale));
    if (command != RecordLogger::Timer3Command::Keep && events_.timer3)
        events_.timer3(command);
}

void ReadingPipeline::Timer3Timer()
{
    logger_.Timer3Timer(clock_.now ? clock_.now() : QDateTime::currentDateTime(),
                        clock_.locale ? clock_.locale() : QLocale::c());
}

// The one place every logged row passes, over either link and in either front end.
void ReadingPipeline::rowAppended(double readingValue)
{
    if (events_.rowAppended)
        events_.rowAppended(table_, table_.rowCount() - 1, readingValue);
}

bool ReadingPipeline::ConTimerTimer()
{
    if (linkIdleTicks_ != 2) {
        ++linkIdleTicks_;
        return false;
    }
    linkIdleTicks_ = 0;
    panel_.setLinkAlive(false);
    return true;
}

void ReadingPipeline::RecordNewClick()
{
    logger_.RecordNewClick();
    if (journal_)
        journal_->clear();
}
