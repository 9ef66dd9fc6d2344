#include "reading/alarms/alarm_command.h"

#include "log/log_time_text.h"
#include "reading/monotonic_ms.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace {

// "12.6 V" is the number and its unit; "overload" or "no value" have no unit.
void splitReading(const QString& text, QString* value, QString* unit)
{
    const qsizetype blank = text.indexOf(u' ');
    bool number = false;
    text.left(blank < 0 ? text.size() : blank).toDouble(&number);
    if (number) {
        *value = text.left(blank < 0 ? text.size() : blank);
        *unit = blank < 0 ? QString() : text.mid(blank + 1);
    } else {
        *value = text;
        unit->clear();
    }
}

QString secondsText(int ms)
{
    return QString::number(ms / 1000.0, 'g', 6) + QStringLiteral(" s");
}

} // namespace

// Words as a shell groups them, without expanding anything: blanks separate, '...' is taken as
// it is, "..." and a backslash outside quotes escape. QProcess::splitCommand knows no single
// quotes, and sh -c '...' is how a user asks for a shell.
QStringList AlarmCommand::split(const QString& commandLine, QString* error)
{
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine.at(i);
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                word += c;
        } else if (quote == u'"') {
            if (c == u'"')
                quote = QChar();
            else if (c == u'\\' && i + 1 < commandLine.size()
                     && QStringLiteral("\"\\$`").contains(commandLine.at(i + 1)))
                word += commandLine.at(++i);
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == u'\'' || c == u'"')
                quote = c;
            else if (c == u'\\' && i + 1 < commandLine.size())
                word += commandLine.at(++i);
            else
                word += c;
        }
    }
    if (!quote.isNull()) {
        if (error)
            *error = QStringLiteral("the alarm command has a %1 without its closing one").arg(quote);
        return {};
    }
    if (inWord)
        words << word;
    if (words.isEmpty() || words.front().isEmpty()) {
        if (error)
            *error = QStringLiteral("the alarm command names no program");
        return {};
    }
    return words;
}

AlarmCommand::AlarmCommand(const QStringList& command, AlarmCommandLimits limits, QObject* parent)
    : QObject(parent), command_(command), limits_(limits)
{
}

AlarmCommand::~AlarmCommand()
{
    // A command still running when its owner goes is not left behind without a parent to wait for it.
    for (auto& [process, run] : running_) {
        process->disconnect(this);
        process->kill();
        process->waitForFinished(1000);
        delete process;
    }
}

QStringList AlarmCommand::environmentFor(const RecordEvent& event, const QStringList& inherited)
{
    QProcessEnvironment env;
    for (const QString& entry : inherited) {
        const qsizetype eq = entry.indexOf(u'=');
        if (eq > 0)
            env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    QString value, unit;
    splitReading(event.text, &value, &unit);
    env.insert(QStringLiteral("METER_ALARM"), event.rule);
    env.insert(QStringLiteral("METER_STATE"),
               event.kind == EventKind::AlarmRaised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    env.insert(QStringLiteral("METER_CHANNEL"), event.channel);
    env.insert(QStringLiteral("METER_VALUE"), value);
    env.insert(QStringLiteral("METER_UNIT"), unit);
    env.insert(QStringLiteral("METER_TIME"), isoTimestamp(event.at));
    return env.toStringList();
}

std::int64_t AlarmCommand::skipped(const QString& rule) const
{
    const auto it = rules_.find(rule);
    return it == rules_.end() ? 0 : it->second.skipped;
}

void AlarmCommand::run(const RecordEvent& event)
{
    if (event.kind != EventKind::AlarmRaised && event.kind != EventKind::AlarmCleared)
        return;
    RuleRecord& record = rules_[event.rule];
    const std::int64_t now = monotonicMs();
    if (record.startedOnce && now - record.lastStartMs < limits_.leastGapMs) {
        if (record.waiting)
            ++record.skipped;
        else
            QTimer::singleShot(int(limits_.leastGapMs - (now - record.lastStartMs)), this,
                               [this, rule = event.rule] { startWaiting(rule); });
        record.waiting = event;
        return;
    }
    reportSkippedOf(event.rule);
    if (running() >= limits_.mostRunning) {
        emit failed(event.rule, QStringLiteral("was not started: %1 alarm commands are still running")
                                    .arg(limits_.mostRunning));
        return;
    }
    record.startedOnce = true;
    record.lastStartMs = now;
    start(event);
}

void AlarmCommand::startWaiting(const QString& rule)
{
    RuleRecord& record = rules_[rule];
    if (!record.waiting)
        return;
    const RecordEvent event = *record.waiting;
    record.waiting.reset();
    record.startedOnce = false;   // its second is over
    run(event);
}

void AlarmCommand::start(const RecordEvent& event)
{
    auto* process = new QProcess(this);
    process->setProgram(command_.front());
    process->setArguments(command_.mid(1));
    process->setEnvironment(environmentFor(event, QProcess::systemEnvironment()));
    // Standard input may carry the meter's frames: the command never reads them.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    running_[process] = Run{event.rule, {}, 0, false};

    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] { capture(process); });
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        done(process, code, status == QProcess::CrashExit);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        const auto it = running_.find(process);
        if (error != QProcess::FailedToStart || it == running_.end())
            return;
        const QString rule = it->second.rule;
        const QString why = process->errorString();
        running_.erase(process);
        process->deleteLater();
        emit failed(rule, QStringLiteral("could not be started: %1").arg(why));
    });
    // Past its time limit a command is asked to end, then made to.
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, process, [this, process, limit] {
        const auto it = running_.find(process);
        if (it == running_.end())
            return;
        if (!it->second.ended) {
            it->second.ended = true;
            process->terminate();
            limit->start(limits_.killGraceMs);
        } else {
            process->kill();
        }
    });
    limit->start(limits_.timeLimitMs);
    ++started_;
    process->start();
}

void AlarmCommand::capture(QProcess* process)
{
    const auto it = running_.find(process);
    if (it == running_.end())
        return;
    Run& run = it->second;
    const QByteArray chunk = process->readAllStandardOutput();
    const qsizetype room = std::max<qsizetype>(0, limits_.keptOutputBytes - run.output.size());
    run.output += chunk.left(room);
    run.discarded += chunk.size() - std::min(room, chunk.size());
}

void AlarmCommand::done(QProcess* process, int exitCode, bool crashed)
{
    capture(process);
    const auto it = running_.find(process);
    if (it == running_.end())
        return;
    const Run run = it->second;
    running_.erase(it);
    process->deleteLater();
    QString message;
    if (run.ended)
        message = QStringLiteral("was ended after %1").arg(secondsText(limits_.timeLimitMs));
    else if (crashed)
        message = QStringLiteral("was ended by a signal");
    else
        message = QStringLiteral("exited with %1").arg(exitCode);
    // The last line it wrote says why, most often.
    const QString said = QString::fromLocal8Bit(run.output).trimmed().section(u'\n', -1).left(200);
    if ((run.ended || crashed || exitCode != 0) && !said.isEmpty())
        message += QStringLiteral(": ") + said;
    if (run.discarded > 0)
        message += QStringLiteral(" (%1 bytes of its output past the first %2 were discarded)")
                       .arg(run.discarded)
                       .arg(limits_.keptOutputBytes);
    emit finished(run.rule, run.ended || crashed ? -1 : exitCode, message);
}

void AlarmCommand::reportSkippedOf(const QString& rule)
{
    RuleRecord& record = rules_[rule];
    if (record.skipped == 0)
        return;
    const std::int64_t count = record.skipped;
    record.skipped = 0;
    emit failed(rule, QStringLiteral("was not run for %1 more events (at most once a second)").arg(count));
}

void AlarmCommand::reportSkipped()
{
    for (auto& [rule, record] : rules_)
        reportSkippedOf(rule);
}

void AlarmCommand::finishRunning()
{
    // Each run ends by its own limit; the margin only guards against a process that even a
    // kill does not end at once.
    for (auto& [rule, record] : rules_)
        if (record.waiting)
            startWaiting(rule);
    QDeadlineTimer deadline(limits_.timeLimitMs + limits_.killGraceMs + 2000);
    while (!running_.empty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}
