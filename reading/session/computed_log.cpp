#include "reading/session/computed_log.h"

#include "log/journal/journal_store.h"
#include "log/log_time_text.h"

LogRow computedRow(const ComputedValue& value, const QString& decimalSeparator)
{
    LogRow row;
    row.function = QStringLiteral("CALC");
    row.unit = value.storedUnitText;
    if (value.valid()) {
        // Seven significant digits: more than any meter shows, fewer than the double's noise.
        row.value = QString::number(value.shown, 'g', 7);
        if (decimalSeparator != QLatin1String("."))
            row.value.replace(QLatin1Char('.'), decimalSeparator);
        row.readingValue = value.shown;
    } else {
        row.value = QStringLiteral("");
        row.judge = computedProblemText(value);
    }
    return row;
}

ComputedLog::ComputedLog(QString channel, const LocaleClock& clock)
    : channel_(std::move(channel)), clock_(clock), logger_(table_)
{
}

ComputedLog::~ComputedLog() = default;

void ComputedLog::openJournal(RecordJournal::Options options)
{
    options.channel = channel_;
    options.now = [this] { return clock_.now(); };
    journal_ = std::make_unique<RecordJournal>(std::move(options));
}

void ComputedLog::offer(const ComputedValue& value)
{
    latest_ = value;
    // The value's time with the clock's UTC offset, without a time zone lookup per value.
    const QDateTime now = clock_.now();
    const QDateTime at = now.addMSecs(value.timeMs - now.toMSecsSinceEpoch());
    const std::optional<LogRow> row = logger_.readingDecoded(computedRow(value, clock_.userDecimalSeparator()), at,
                                                             clock_.timeSeparator());
    if (row)
        appended(*row);
}

void ComputedLog::sample()
{
    if (const std::optional<LogRow> row = logger_.sample(clock_.now(), clock_.userLocale()))
        appended(*row);
}

void ComputedLog::appended(const LogRow& row)
{
    if (resolver_ && latest_) {
        scratch_.clear();
        for (const SourceReading& s : latest_->inputs) {
            const std::pair<int, qint32> at = resolver_(s);
            if (at.first >= 0)
                scratch_.push_back(at);
        }
        sources_.append(scratch_);
    } else {
        sources_.appendUnknown();
    }
    if (journal_)
        journal_->rowLogged(row);
    emit rowLogged(row, latest_);
}

bool ComputedLog::restore(LeftJournal&& left)
{
    if (!journal_ || !journal_->canAdopt())
        return false;
    RecordEvents restored;
    const JournalSummary read = readJournal(
        left.path,
        [this](const LogRow& row) {
            logger_.restoreRow(row);
            sources_.appendUnknown();
            emit rowLogged(row, std::nullopt);
            return true;
        },
        &restored);
    for (std::size_t i = 0; i < restored.size(); ++i) {
        events_.append(restored.at(i));
        emit eventAdded(restored.at(i));
    }
    return journal_->adopt(std::move(left), read.rows);
}

void ComputedLog::addEvent(RecordEvent event)
{
    keepEvent(event, table_, clock_.now(), events_, journal_.get());
    emit eventAdded(event);
}

void ComputedLog::saved()
{
    if (journal_)
        journal_->clear();
}

void ComputedLog::discardUnsaved()
{
    if (journal_)
        journal_->discard();
}

void ComputedLog::clear()
{
    logger_.clear();
    sources_.clear();
    events_.clear();
    if (journal_)
        journal_->clear();
}
