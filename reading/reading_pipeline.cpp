#include "reading/reading_pipeline.h"

#include "log/journal/journal_store.h"

#include "decode/frame_decoder.h"
#include "decode/measurement_text.h"
#include "log/files/table_files.h"
#include "log/log_time_text.h"

ReadingPipeline::ReadingPipeline(int startFullScaleCount, const LocaleClock& clock)
    : clock_(clock), extremes_(startFullScaleCount), logger_(table_), fullScaleCount_(startFullScaleCount)
{
    panel_.setAxisBounds(-startFullScaleCount, startFullScaleCount);
}

ReadingPipeline::~ReadingPipeline() = default;

void ReadingPipeline::openJournal(RecordJournal::Options options)
{
    options.now = [this] { return clock_.now(); };
    journal_ = std::make_unique<RecordJournal>(std::move(options));
}

std::int64_t ReadingPipeline::unsavedRows() const
{
    return journal_ ? journal_->heldRows() : 0;
}

bool ReadingPipeline::flushJournal()
{
    return !journal_ || journal_->flush();
}

void ReadingPipeline::showFrame(const QString& frameText, const QDateTime& arrivedAt)
{
    const QString separator = clock_.userDecimalSeparator();
    judge_.normaliseLimits(separator);
    panel_.markLinkAlive();
    linkIdleTicks_ = 0;

    DecodeInput in;
    in.frameText = frameText;
    in.decimalSeparator = separator;
    in.fullScaleCount = fullScaleCount_;
    in.previousReadingCount = lastCount_;
    const QString judgeText = reading_.judgeText;
    const Verdict verdict = reading_.measurement.verdict;
    try {
        decodeFrameInto(in, reading_);
    } catch (...) {
        // The steps the frame got through stay done: cleared texts and indicators, the value text.
        reading_.judgeText = judgeText;
        reading_.measurement.verdict = verdict;
        panel_.applyIndicators(reading_);
        throw;
    }
    panel_.applyIndicators(reading_);
    lastCount_ = reading_.readingCount;

    // Extremes compare counts under the full scale from before this frame.
    extremes_.update(reading_, fullScaleCount_);
    panel_.applyDigitCaptions(reading_);
    fullScaleCount_ = reading_.fullScaleCount;
    panel_.applyRangeBounds(reading_);

    judge_.judge(reading_.measurement, reading_.valueText, separator);
    // A reading left unjudged keeps the last verdict.
    reading_.measurement.verdict = judge_.verdict();
    reading_.judgeText = verdictText(judge_.verdict());
    panel_.applyBarGraphMaximum();
    // One time for the reading, its row's time text and the row's full stamp.
    reading_.arrivedAt = arrivedAt.isValid() ? arrivedAt : clock_.now();
    offerToLog(reading_.arrivedAt);
    panel_.rememberAxisMaximum();
    emit frameShown(reading_);
}

void ReadingPipeline::offerToLog(const QDateTime& at)
{
    const std::optional<LogRow> row =
        logger_.readingDecoded(offeredRow(reading_), at, clock_.timeSeparator());
    if (row)
        rowAppended(*row);
}

void ReadingPipeline::sample()
{
    if (const std::optional<LogRow> row = logger_.sample(clock_.now(), clock_.userLocale()))
        rowAppended(*row);
}

bool ReadingPipeline::restoreSession(LeftJournal&& left)
{
    if (!journal_ || !journal_->canAdopt())
        return false;
    // The rows and events are already on disk in the journal taken over: they are not handed
    // to it again.
    RecordEvents restored;
    const JournalSummary read = readJournal(
        left.path,
        [this](const LogRow& row) {
            logger_.restoreRow(row);
            rowShown(row);
            return true;
        },
        &restored);
    for (std::size_t i = 0; i < restored.size(); ++i) {
        events_.append(restored.at(i));
        emit eventAdded(restored.at(i));
    }
    return journal_->adopt(std::move(left), read.rows);
}

// The one place every logged row passes, over either link and in either front end.
void ReadingPipeline::rowAppended(const LogRow& row)
{
    if (journal_)
        journal_->rowLogged(row);
    rowShown(row);
}

void ReadingPipeline::rowShown(const LogRow& row)
{
    panel_.showLoggedValue(row.readingValue.value_or(0));
    plotIndex_.rowLogged(table_.rowCount() - 1);
    emit rowLogged(row);
}

bool ReadingPipeline::watchdogTick()
{
    if (linkIdleTicks_ != 2) {
        ++linkIdleTicks_;
        return false;
    }
    linkIdleTicks_ = 0;
    panel_.setLinkAlive(false);
    return true;
}

void ReadingPipeline::addEvent(RecordEvent event)
{
    keepEvent(event, table_, clock_.now(), events_, journal_.get());
    emit eventAdded(event);
}

void ReadingPipeline::clearLog()
{
    logger_.clear();
    events_.clear();
    if (journal_)
        journal_->clear();
    plotIndex_.cleared();
    emit logCleared();
}

FileOutcome ReadingPipeline::saveTable(const QString& fileName, const FileProgress& progress)
{
    const std::int64_t rows = table_.rowCount();
    const FileOutcome outcome = saveTableFile(table_, fileName, progress, &events_);
    // Rows logged while the front end kept painting are not in the file: the journal keeps them.
    if (outcome.ok && journal_ && table_.rowCount() == rows)
        journal_->clear();
    return outcome;
}

FileOutcome ReadingPipeline::loadTable(const QString& fileName, const std::function<bool()>& mayReplace,
                                       const FileProgress& progress)
{
    if (tableFileFormat(fileName) != TableFileFormat::XmlPacket) {
        const FileOutcome outcome = LoadTableFile(fileName, table_, progress);
        plotIndex_.loaded(false);
        emit logLoaded(false);
        return outcome;
    }
    // A packet is read whole before anyone is asked: a broken one changes nothing.
    LogTable packet;
    const FileOutcome outcome = LoadTableFile(fileName, packet, progress);
    if (!outcome.ok)
        return outcome;
    if (mayReplace && !mayReplace())
        return FileOutcome::silent(false);
    table_.swap(packet);
    logger_.tableReplaced();
    events_.clear();
    // The logged rows were saved or given up: the journal holds nothing from now on.
    if (journal_)
        journal_->clear();
    plotIndex_.loaded(true);
    emit logLoaded(true);
    return outcome;
}

void ReadingPipeline::discardUnsaved()
{
    if (journal_)
        journal_->discard();
}
