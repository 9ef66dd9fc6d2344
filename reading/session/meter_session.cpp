#include "reading/session/meter_session.h"

#include "reading/computed/computed_channels.h"
#include "reading/computed/formula.h"

#include <map>

qint32 SessionInput::rowOf(std::int64_t reading) const
{
    const std::int64_t rows = pipeline_.table().rowCount();
    return reading > 0 && reading == rowReading_ && rows > 0 ? qint32(rows - 1) : SourceRows::kNoRow;
}

void SessionInput::noteLogged(std::int64_t rowsBefore, bool sampled)
{
    const RecordLogger& logger = pipeline_.logger();
    if (pipeline_.table().rowCount() > rowsBefore)
        rowReading_ = readings_;
    else if ((sampled || !logger.samplingActive()) && !logger.atLimit() && rowsBefore > 0)
        rowReading_ = readings_;   // a repeat, suppressed: the latest row shows the same
}

MeterSession::MeterSession(const LocaleClock& clock, int startFullScaleCount)
    : clock_(clock), startFullScaleCount_(startFullScaleCount)
{
}

MeterSession::~MeterSession() = default;

bool MeterSession::addInput(const QString& name, const MeterIdentity& identity, QString* error)
{
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!isPlainName(name))
        return refuse(QStringLiteral("the name '%1' is not a plain name: a letter or '_', then letters, digits or "
                                     "'_', and not a function's name")
                          .arg(name));
    if (inputIndex(name) >= 0 || channelIndex(name) >= 0)
        return refuse(QStringLiteral("the name '%1' is used twice").arg(name));
    if (int(inputs_.size()) >= ChannelPlan::kMaxInputs)
        return refuse(QStringLiteral("at most %1 meters are read at once").arg(ChannelPlan::kMaxInputs));
    for (const auto& other : inputs_)
        if (samePort(other->identity(), identity))
            return refuse(QStringLiteral("%1 and %2 both read %3").arg(other->name(), name, identityText(identity)));
    auto input = std::make_unique<SessionInput>(name, identity, startFullScaleCount_, clock_);
    connect(&input->pipeline(), &ReadingPipeline::rowLogged, this,
            [this, name](const LogRow& row) { emit rowLogged(name, row); });
    connect(&input->pipeline(), &ReadingPipeline::eventAdded, this,
            [this, name](const RecordEvent& event) { emit eventAdded(name, event); });
    inputs_.push_back(std::move(input));
    return true;
}

int MeterSession::inputIndex(const QString& name) const
{
    for (std::size_t i = 0; i < inputs_.size(); ++i)
        if (inputs_[i]->name() == name)
            return int(i);
    return -1;
}

QStringList MeterSession::inputNames() const
{
    QStringList names;
    for (const auto& input : inputs_)
        names << input->name();
    return names;
}

void MeterSession::setIdentity(int input, const MeterIdentity& identity)
{
    inputs_[std::size_t(input)]->identity_ = identity;
}

int MeterSession::channelIndex(const QString& name) const
{
    for (std::size_t i = 0; i < logs_.size(); ++i)
        if (logs_[i] && logs_[i]->channel() == name)   // null: moved while the channels are defined again
            return int(i);
    return -1;
}

bool MeterSession::defineChannels(const std::vector<ChannelDefinition>& definitions, const AlignmentRule& rule,
                                  std::vector<DefinitionError>* errors)
{
    std::map<QString, Unit> known;
    for (const auto& input : inputs_)
        if (input->readings() > 0)
            known[input->name()] = unitOfQuantity(input->pipeline().reading().measurement.quantity);
    std::vector<DefinitionError> found;
    ChannelPlan plan = ChannelPlan::make(inputNames(), definitions, known, &found);
    if (plan.empty() || !found.empty()) {
        if (errors)
            *errors = std::move(found);
        return false;
    }
    // A channel kept by name keeps its log; the others go.
    std::vector<std::unique_ptr<ComputedLog>> logs;
    for (const ChannelDefinition& d : definitions) {
        const int kept = channelIndex(d.name);
        if (kept >= 0) {
            logs.push_back(std::move(logs_[std::size_t(kept)]));
            continue;
        }
        auto log = std::make_unique<ComputedLog>(d.name, clock_);
        QString ignored;
        applyRules(*log, &ignored);
        if (!journalFolder_.isEmpty())
            openJournal(*log);
        log->setSourceResolver([this](const SourceReading& s) {
            const int input = inputIndex(s.channel);
            // A mean stands for many readings; the wide files take the input's latest row then.
            if (input < 0 || s.count > 1)
                return std::pair<int, qint32>(-1, SourceRows::kNoRow);
            return std::pair<int, qint32>(input, s.count == 0 ? SourceRows::kNoRow : inputs_[std::size_t(input)]->rowOf(s.no));
        });
        connect(log.get(), &ComputedLog::rowLogged, this,
                [this, name = d.name](const LogRow& row) { emit rowLogged(name, row); });
        connect(log.get(), &ComputedLog::eventAdded, this,
                [this, name = d.name](const RecordEvent& event) { emit eventAdded(name, event); });
        logs.push_back(std::move(log));
    }
    logs_ = std::move(logs);
    definitions_ = definitions;
    rule_ = rule;
    if (startMs_ >= 0)
        makeEvaluator(nowMs());
    return true;
}

bool MeterSession::applyRules(ComputedLog& log, QString* error) const
{
    RecordLogger& logger = log.logger();
    if (!logger.setMaxRecords(rules_.maxRecords)) {
        *error = QStringLiteral("the record limit is 1 to %1").arg(RecordLogger::kLimits[RecordLogger::kLimitCount - 1]);
        return false;
    }
    logger.setRepeatSet(rules_.repeat);
    if (rules_.intervalSeconds > 0) {
        if (logger.setIntervalText(QString::number(rules_.intervalSeconds)).outcome
            != RecordLogger::IntervalChange::Applied) {
            *error = QStringLiteral("the interval \"%1\" is too long").arg(rules_.intervalSeconds);
            return false;
        }
        logger.setRecordSI(true);
    }
    return true;
}

bool MeterSession::setLogRules(const LogRules& rules, QString* error)
{
    const LogRules before = rules_;
    rules_ = rules;
    QString why;
    for (const auto& log : logs_) {
        if (!applyRules(*log, &why)) {
            rules_ = before;
            if (error)
                *error = why;
            return false;
        }
    }
    // Checked on a scratch log when no channel is defined yet, so a refusal is never late.
    ComputedLog scratch(QString(), clock_);
    if (!applyRules(scratch, &why)) {
        rules_ = before;
        if (error)
            *error = why;
        return false;
    }
    return true;
}

void MeterSession::openJournal(ComputedLog& log) const
{
    RecordJournal::Options o;
    o.folder = journalFolder_;
    o.kind = journalKind_;
    log.openJournal(std::move(o));
}

void MeterSession::openJournals(const QString& folder, const QString& kind)
{
    journalFolder_ = folder;
    journalKind_ = kind;
    for (const auto& input : inputs_) {
        RecordJournal::Options o;
        o.folder = folder;
        o.kind = kind;
        o.channel = input->name();
        input->pipeline().openJournal(std::move(o));
    }
    for (const auto& log : logs_)
        openJournal(*log);
}

std::int64_t MeterSession::nowMs() const
{
    return clock_.now().toMSecsSinceEpoch();
}

void MeterSession::start()
{
    startMs_ = nowMs();
    makeEvaluator(startMs_);
}

void MeterSession::makeEvaluator(std::int64_t startMs)
{
    computed_.reset();
    if (logs_.empty())
        return;
    std::vector<DefinitionError> errors;
    ChannelPlan plan = ChannelPlan::make(inputNames(), definitions_, {}, &errors);
    computed_ = std::make_unique<ComputedChannels>(std::move(plan), rule_, startMs);
    connect(computed_.get(), &ComputedChannels::valueComputed, this, [this](const ComputedValue& value) {
        emit valueComputed(value);
        const int c = channelIndex(value.channel);
        if (c >= 0)
            logs_[std::size_t(c)]->offer(value);
    });
}

void MeterSession::frameArrived(int index, const QString& frameText, const QDateTime& arrivedAt)
{
    SessionInput& input = *inputs_[std::size_t(index)];
    const std::int64_t rowsBefore = input.pipeline_.table().rowCount();
    input.pipeline_.showFrame(frameText, arrivedAt);
    ++input.readings_;
    input.noteLogged(rowsBefore, false);
    if (input.linkState_ != LinkState::Reading)
        setLinkState(index, LinkState::Reading);
    const Reading& r = input.pipeline_.reading();
    emit readingShown(index, r);
    if (computed_)
        computed_->addReading(index, input.readings_, r.arrivedAt.toMSecsSinceEpoch(), r.measurement);
}

void MeterSession::setLinkState(int index, LinkState state)
{
    SessionInput& input = *inputs_[std::size_t(index)];
    if (input.linkState_ == state)
        return;
    input.linkState_ = state;
    emit linkStateChanged(index, state);
}

void MeterSession::tick()
{
    for (std::size_t i = 0; i < inputs_.size(); ++i)
        if (inputs_[i]->pipeline_.watchdogTick() && inputs_[i]->linkState_ == LinkState::Reading)
            setLinkState(int(i), LinkState::Silent);
    if (computed_)
        computed_->advanceTo(nowMs());
}

void MeterSession::sample()
{
    for (const auto& input : inputs_) {
        const std::int64_t rowsBefore = input->pipeline_.table().rowCount();
        input->pipeline_.sample();
        if (input->readings_ > 0)
            input->noteLogged(rowsBefore, true);
    }
    for (const auto& log : logs_)
        log->sample();
}

bool MeterSession::samplingActive() const
{
    for (const auto& input : inputs_)
        if (input->pipeline_.logger().samplingActive())
            return true;
    for (const auto& log : logs_)
        if (log->logger().samplingActive())
            return true;
    return false;
}

int MeterSession::intervalMs() const
{
    return inputs_.empty() ? RecordLogger::kDefaultIntervalMs : inputs_.front()->pipeline_.logger().intervalMs();
}

void MeterSession::finish()
{
    if (computed_)
        computed_->advanceTo(nowMs());
}

std::vector<LeftChannelJournal> MeterSession::leftChannelJournals(const QString& folder, const QString& kind)
{
    std::vector<LeftChannelJournal> found;
    for (LeftJournal& left : leftJournals(folder)) {
        JournalSummary s = summariseJournal(left.path);
        if (s.kind == kind && !s.channel.isEmpty() && !s.busy)
            found.push_back({std::move(left), std::move(s)});
    }
    return found;
}

bool MeterSession::restoreChannel(LeftChannelJournal&& left)
{
    const int input = inputIndex(left.summary.channel);
    if (input >= 0)
        return inputs_[std::size_t(input)]->pipeline_.restoreSession(std::move(left.left));
    const int channel = channelIndex(left.summary.channel);
    return channel >= 0 && logs_[std::size_t(channel)]->restore(std::move(left.left));
}

bool MeterSession::addEvent(RecordEvent event)
{
    if (const int input = inputIndex(event.channel); input >= 0) {
        inputs_[std::size_t(input)]->pipeline_.addEvent(std::move(event));
        return true;
    }
    if (const int channel = channelIndex(event.channel); channel >= 0) {
        logs_[std::size_t(channel)]->addEvent(std::move(event));
        return true;
    }
    return false;
}

void MeterSession::saved()
{
    for (const auto& input : inputs_)
        if (input->pipeline_.journal())
            input->pipeline_.journal()->clear();
    for (const auto& log : logs_)
        log->saved();
}

void MeterSession::discardUnsaved()
{
    for (const auto& input : inputs_)
        input->pipeline_.discardUnsaved();
    for (const auto& log : logs_)
        log->discardUnsaved();
}

std::vector<ChannelRows> MeterSession::unsavedRows() const
{
    std::vector<ChannelRows> found;
    for (const auto& input : inputs_)
        if (const std::int64_t n = input->pipeline_.unsavedRows(); n > 0)
            found.push_back({input->name(), n});
    for (const auto& log : logs_)
        if (const std::int64_t n = log->unsavedRows(); n > 0)
            found.push_back({log->channel(), n});
    return found;
}

std::vector<ChannelRows> MeterSession::loggedRows() const
{
    std::vector<ChannelRows> found;
    for (const auto& input : inputs_)
        if (const std::int64_t n = input->pipeline_.table().rowCount(); n > 0)
            found.push_back({input->name(), n});
    for (const auto& log : logs_)
        if (const std::int64_t n = log->table().rowCount(); n > 0)
            found.push_back({log->channel(), n});
    return found;
}

void MeterSession::clearLogs()
{
    for (const auto& input : inputs_) {
        input->pipeline_.clearLog();
        input->rowReading_ = 0;   // the row it named is gone
    }
    for (const auto& log : logs_)
        log->clear();
    if (startMs_ >= 0)
        makeEvaluator(nowMs());
    emit logsCleared();
}

void MeterSession::flushJournals()
{
    for (const auto& input : inputs_)
        input->pipeline_.flushJournal();
    for (const auto& log : logs_)
        if (log->journal())
            log->journal()->flush();
}
