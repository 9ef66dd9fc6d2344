#pragma once
// A session of several meters at once, shared by the window and meter-read: each meter is a
// named input with its own reading pipeline (decoder state, panel, judge, log table, journal)
// and link state; computed channels are worked out from the inputs' readings by one alignment
// rule, each logging into a table and journal of its own. One clock for all: a frame's time is
// its arrival stamp, a computed value's time comes from the same clock.
//
// The session owns no link: each front end opens its meters' ports or USB adapters, assembles
// their frames and hands every frame text, with the time its last byte arrived, to the input's
// frameArrived, and reports the link's changes with setLinkState. UI/main thread only.
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "reading/computed/alignment_rule.h"
#include "reading/computed/channel_plan.h"
#include "reading/computed/computed_value.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"
#include "reading/session/computed_log.h"
#include "reading/session/meter_identity.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class ComputedChannels;

// One meter of the session.
class SessionInput {
public:
    SessionInput(QString name, MeterIdentity identity, int startFullScaleCount, const LocaleClock& clock)
        : name_(std::move(name)), identity_(std::move(identity)), pipeline_(startFullScaleCount, clock)
    {
    }
    const QString& name() const { return name_; }
    const MeterIdentity& identity() const { return identity_; }
    LinkState linkState() const { return linkState_; }
    ReadingPipeline& pipeline() { return pipeline_; }
    const ReadingPipeline& pipeline() const { return pipeline_; }
    // Readings decoded so far; the latest one's number is what computed values name it by.
    std::int64_t readings() const { return readings_; }
    // The row of the table that holds reading `reading` (a repeat not logged: the row it
    // repeats); SourceRows::kNoRow when it has none.
    qint32 rowOf(std::int64_t reading) const;

private:
    friend class MeterSession;
    // After a reading was offered to the log, or after the sampling tick (`sampled`): which
    // reading the latest row holds, given the table's row count before.
    void noteLogged(std::int64_t rowsBefore, bool sampled);

    QString name_;
    MeterIdentity identity_;
    LinkState linkState_ = LinkState::Opening;
    std::int64_t readings_ = 0;
    std::int64_t rowReading_ = 0;   // the reading the latest row holds; 0: none of this session
    ReadingPipeline pipeline_;
};

// The logging rules the session's computed channels follow (a meter's pipeline is set as the
// window's or meter-read's one is, through its logger and judge).
struct LogRules {
    bool repeat = true;              // false: a value equal to the last logged one is not logged
    qint32 maxRecords = 10000;       // the record limit
    int intervalSeconds = 0;         // 0: a row per value; else the latest value every so many seconds
};

// A journal left by an ended session for one channel of a session of several meters.
struct LeftChannelJournal {
    LeftJournal left;
    JournalSummary summary;          // summary.channel names the channel
};

// A channel of the session, an input's or a computed one, with a count of its rows.
struct ChannelRows {
    QString channel;
    std::int64_t rows = 0;
};

class MeterSession : public QObject {
    Q_OBJECT
public:
    // `clock` gives every time stamp and separator; it outlives the session.
    MeterSession(const LocaleClock& clock, int startFullScaleCount);
    ~MeterSession() override;

    // A meter, before start(). Refused with a message for people: a name that is not a plain
    // identifier or is used already, a port another input reads.
    bool addInput(const QString& name, const MeterIdentity& identity, QString* error);
    int inputCount() const { return int(inputs_.size()); }
    SessionInput& input(int index) { return *inputs_[std::size_t(index)]; }
    const SessionInput& input(int index) const { return *inputs_[std::size_t(index)]; }
    int inputIndex(const QString& name) const;   // -1 unknown
    QStringList inputNames() const;
    // The port now leads to another device (a virtual meter started again): identity updated.
    void setIdentity(int input, const MeterIdentity& identity);

    // The computed channels, checked against the inputs (and their units where they have read).
    // Replaces those defined before: from then on a new evaluator works them out (integrals and
    // intervals start again); a channel kept by name keeps its table and journal. On refusal
    // nothing changes and `errors` lists every fault with its position.
    bool defineChannels(const std::vector<ChannelDefinition>& definitions, const AlignmentRule& rule,
                        std::vector<DefinitionError>* errors);
    int channelCount() const { return int(logs_.size()); }
    ComputedLog& channel(int index) { return *logs_[std::size_t(index)]; }
    const ComputedLog& channel(int index) const { return *logs_[std::size_t(index)]; }
    int channelIndex(const QString& name) const;   // -1 unknown
    const std::vector<ChannelDefinition>& definitions() const { return definitions_; }
    const AlignmentRule& alignment() const { return rule_; }

    // The computed channels' logging rules; false with `error` when out of range.
    bool setLogRules(const LogRules& rules, QString* error);
    // Every input and every computed channel keeps its rows in a journal of its own in
    // `folder`, each named by its channel, so a restore or meter-read --recover finds them.
    void openJournals(const QString& folder, const QString& kind);

    // Logging starts now: the time integrals and the mean intervals count from here.
    void start();
    // A frame of input `input` whose last byte arrived at `arrivedAt` (invalid: now). Decoded,
    // shown, judged and offered to the input's log; then every computed channel that uses the
    // input is worked out (under hold). Throws ConversionError for a frame that cannot be read.
    void frameArrived(int input, const QString& frameText, const QDateTime& arrivedAt = {});
    // The front end's view of a link: opening, lost, back (Reading), ended.
    void setLinkState(int input, LinkState state);
    // The watchdog tick, every 100 ms or so: an input without a frame for three ticks turns
    // Silent, and the computed channels go stale as their inputs grow too old.
    void tick();
    // The sampling tick, every intervalMs() while samplingActive(): every log takes its latest.
    void sample();
    bool samplingActive() const;
    int intervalMs() const;
    // Before the session ends: a last tick closes what has ended by now.
    void finish();

    // The time by the session's one clock (local, with its UTC offset), and in milliseconds
    // since the epoch.
    QDateTime now() const { return clock_.now(); }
    std::int64_t nowMs() const;

    // Journals left by ended sessions of `kind` in `folder` that name a channel, oldest first.
    static std::vector<LeftChannelJournal> leftChannelJournals(const QString& folder, const QString& kind);
    // Gives a left journal's rows back to the input or computed channel of its name; false
    // (nothing changed) when there is none or it logged already.
    bool restoreChannel(LeftChannelJournal&& left);
    // An event in the log of the input or computed channel `event.channel` names, as its
    // pipeline's addEvent takes one; false, with nothing kept, when no channel has that name.
    bool addEvent(RecordEvent event);

    // The rows of every channel were saved, or are given up: the journals hold nothing more.
    void saved();
    void discardUnsaved();
    // The inputs, then the computed channels, that hold rows: unsaved ones (kept in their
    // journals), or any in their tables.
    std::vector<ChannelRows> unsavedRows() const;
    std::vector<ChannelRows> loggedRows() const;
    // Every table and journal emptied, as the main window's Close Data does with its log; the
    // time integrals and mean intervals start again, since the log they belong to does.
    void clearLogs();
    // Commits what waits in every journal (the program ends by a signal, without a question).
    void flushJournals();

signals:
    // A reading of input `input`, decoded and shown.
    void readingShown(int input, const Reading& reading);
    // A row logged (or restored) in the log of `channel`, an input's or a computed channel's.
    void rowLogged(const QString& channel, const LogRow& row);
    // An event was added to the log of `channel`, now or given back by a restore.
    void eventAdded(const QString& channel, const RecordEvent& event);
    // A computed value, logged or not.
    void valueComputed(const ComputedValue& value);
    // An input's link changed.
    void linkStateChanged(int input, LinkState state);
    // Every log was emptied.
    void logsCleared();

private:
    void makeEvaluator(std::int64_t startMs);
    bool applyRules(ComputedLog& log, QString* error) const;
    void openJournal(ComputedLog& log) const;

    const LocaleClock& clock_;
    int startFullScaleCount_;
    std::vector<std::unique_ptr<SessionInput>> inputs_;
    std::vector<std::unique_ptr<ComputedLog>> logs_;   // in the order of definitions_
    std::vector<ChannelDefinition> definitions_;
    AlignmentRule rule_;
    LogRules rules_;
    QString journalFolder_, journalKind_;
    std::unique_ptr<ComputedChannels> computed_;
    std::int64_t startMs_ = -1;   // -1: not started
};
