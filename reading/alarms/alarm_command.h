#pragma once
// Runs the user's command for each alarm raised or cleared, for the window and meter-read
// alike. The command line is split into a program and its arguments (quotes as a shell would
// group them) and run without a shell: a user who wants one writes sh -c '...'. The alarm goes
// in the environment it inherits:
//   METER_ALARM    the rule as written        METER_STATE  raised or cleared
//   METER_CHANNEL  the channel                METER_VALUE  the reading's number, or
//   METER_UNIT     its base unit                           "overload", "no value", empty
//   METER_TIME     when it happened, ISO 8601 with the UTC offset
// Nothing here waits: a command runs on its own, at most once a second per rule (of the events
// in that second the latest runs when the second is over, the others are counted, so the
// command always learns how a rule ended up), a bounded number at once, ended after its time limit, and
// only the first part of its output is kept, so a command that hangs or floods cannot hold up
// logging or exhaust memory. What became of each run is announced for the front ends to say.
#include "log/record_event.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>

struct AlarmCommandLimits {
    int timeLimitMs = 10000;        // then terminated, and killed killGraceMs later
    int killGraceMs = 2000;
    int keptOutputBytes = 64 * 1024;
    int mostRunning = 8;
    int leastGapMs = 1000;          // between two starts for one rule
};

class QProcess;

class AlarmCommand : public QObject {
    Q_OBJECT
public:
    // The program and its arguments of a command line, its words grouped by quotes as a shell
    // would (nothing expanded); empty, with the reason, when it names none or a quote is open.
    static QStringList split(const QString& commandLine, QString* error);

    AlarmCommand(const QStringList& command, AlarmCommandLimits limits = {}, QObject* parent = nullptr);
    ~AlarmCommand() override;

    // Starts the command for an alarm raised or cleared; other events are not run.
    void run(const RecordEvent& event);

    int running() const { return int(running_.size()); }
    std::int64_t started() const { return started_; }
    // Events of a rule not run because a later one came within the same second of its last
    // start, since that was reported.
    std::int64_t skipped(const QString& rule) const;
    // Announces the skipped counts not yet reported (at the end of a run).
    void reportSkipped();
    // Starts every rule's waiting event at once, then waits, running the event loop, until
    // every command has finished or been ended; each is ended after its own time limit, so
    // this is bounded.
    void finishRunning();

    // The environment a command gets for `event`, added to `inherited`.
    static QStringList environmentFor(const RecordEvent& event, const QStringList& inherited);

signals:
    // A command ran to its end: its exit code (-1 when it crashed or was ended) and a message
    // for people: "exited with 3", "was ended after 10 s", "was ended by a signal".
    void finished(const QString& rule, int exitCode, const QString& message);
    // A command that did not run or whose events were left out: "could not be started: ...".
    void failed(const QString& rule, const QString& message);

private:
    struct Run {
        QString rule;
        QByteArray output;
        std::int64_t discarded = 0;
        bool ended = false;         // by the time limit
    };
    void start(const RecordEvent& event);
    void capture(QProcess* process);
    void done(QProcess* process, int exitCode, bool crashed);
    void reportSkippedOf(const QString& rule);
    void startWaiting(const QString& rule);

    QStringList command_;
    AlarmCommandLimits limits_;
    std::map<QProcess*, Run> running_;
    struct RuleRecord {
        std::int64_t lastStartMs = 0;
        bool startedOnce = false;
        std::int64_t skipped = 0;
        std::optional<RecordEvent> waiting;   // the latest event within the second, run after it
    };
    std::map<QString, RuleRecord> rules_;
    std::int64_t started_ = 0;
};
