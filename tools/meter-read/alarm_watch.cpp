#include "tools/meter-read/alarm_watch.h"

#include "decode/reading.h"
#include "decode/unit_display.h"
#include "log/log_table.h"
#include "log/record_events.h"
#include "log/log_time_text.h"
#include "reading/alarms/alarm_command.h"
#include "reading/alarms/alarm_rules_file.h"
#include "reading/computed/computed_value.h"
#include "reading/computed/unit.h"
#include "reading/locale_clock.h"
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/note_source.h"

#include <cstdio>

namespace {

QByteArray local(const QString& text) { return text.toLocal8Bit(); }

void say(const QString& text)
{
    std::fprintf(stderr, "meter-read: %s\n", local(text).constData());
    std::fflush(stderr);
}

} // namespace

AlarmWatch::AlarmWatch(const MeterReadOptions& options, LineOutput& out, EventColumns columns, const LocaleClock& clock)
    : options_(options), out_(out), columns_(columns), clock_(clock)
{
}

AlarmWatch::~AlarmWatch() = default;

bool AlarmWatch::start()
{
    std::vector<AlarmRule> rules;
    QString why;
    for (const QString& text : options_.alarms)
        if (const std::optional<AlarmRule> rule = parseAlarmRule(text, &why))
            rules.push_back(*rule);   // checked with the options
    if (!options_.alarmsFile.isEmpty()) {
        const std::optional<std::vector<AlarmRule>> fromFile = readAlarmRulesFile(options_.alarmsFile, &why);
        if (!fromFile) {
            say(QStringLiteral("--alarms %1: %2").arg(options_.alarmsFile, why));
            return false;
        }
        const QStringList channels = alarmChannelNames(options_);
        for (const AlarmRule& rule : *fromFile) {
            if (const std::optional<AlarmRuleError> e = checkAlarmRuleChannel(rule, channels)) {
                say(QStringLiteral("--alarms %1: '%2': %3").arg(options_.alarmsFile, rule.text, e->text()));
                return false;
            }
            rules.push_back(rule);
        }
    }
    monitor_ = std::make_unique<AlarmMonitor>(std::move(rules));
    connect(monitor_.get(), &AlarmMonitor::eventHappened, this, &AlarmWatch::print);
    if (!options_.onAlarm.isEmpty()) {
        command_ = std::make_unique<AlarmCommand>(options_.onAlarm);
        connect(monitor_.get(), &AlarmMonitor::eventHappened, command_.get(), &AlarmCommand::run);
        connect(command_.get(), &AlarmCommand::finished, this, [](const QString& rule, int, const QString& message) {
            say(QStringLiteral("alarm command for '%1' %2").arg(rule, message));
        });
        connect(command_.get(), &AlarmCommand::failed, this, [](const QString& rule, const QString& message) {
            say(QStringLiteral("alarm command for '%1' %2").arg(rule, message));
        });
    }
    if (!options_.notes.isEmpty()) {
        notes_ = std::make_unique<NoteSource>(options_.notes);
        if (!notes_->open(&why)) {
            say(QStringLiteral("--notes %1").arg(why));
            return false;
        }
        connect(notes_.get(), &NoteSource::noteRead, this, [this](const QString& text) {
            RecordEvent e;
            e.kind = EventKind::Note;
            e.at = clock_.now();
            e.row = noteRow_ ? noteRow_() : 0;
            e.text = text;
            print(e);
        });
    }
    return true;
}

void AlarmWatch::offer(const QString& channel, const AlarmSample& sample)
{
    if (monitor_)
        monitor_->offer(channel, sample);
}

void AlarmWatch::tick()
{
    if (monitor_)
        monitor_->tick(clock_.now().toMSecsSinceEpoch());
}

void AlarmWatch::print(const RecordEvent& event)
{
    if (options_.summary) {
        say(QStringLiteral("%1 at %2").arg(eventText(event), isoTimestamp(event.at)));
        return;
    }
    out_.write(eventStreamLine(event, options_.format, columns_));
}

void AlarmWatch::finish()
{
    if (command_) {
        command_->finishRunning();
        command_->reportSkipped();
    }
    if (notes_ && notes_->leftOut() > 0)
        say(QStringLiteral("%1 notes were left out: more than %2 came in a second")
                .arg(notes_->leftOut())
                .arg(NoteSource::kMostNotesPerSecond));
    if (options_.summary && monitor_)
        for (int r = 0; r < int(monitor_->rules().size()); ++r)
            say(QStringLiteral("alarm '%1' was raised %2 %3")
                    .arg(monitor_->rules()[std::size_t(r)].text)
                    .arg(monitor_->raiseCount(r))
                    .arg(monitor_->raiseCount(r) == 1 ? QStringLiteral("time") : QStringLiteral("times")));
}
