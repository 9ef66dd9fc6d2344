#include "app/alarm_side.h"

#include "app/desktop_notifier.h"
#include "app/meters_controller.h"
#include "reading/alarms/alarm_sample.h"
#include "decode/measurement_text.h"
#include "decode/unit_display.h"
#include "reading/computed/computed_value.h"
#include "reading/locale_clock.h"
#include "reading/reading_pipeline.h"
#include "reading/session/meter_session.h"
#include "ui/alarm_banner.h"
#include "ui/alarm_rules_dialog.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>

AlarmSide::AlarmSide(Needs needs, QObject* parent)
    : QObject(parent), needs_(needs), monitor_(std::make_unique<AlarmMonitor>(std::vector<AlarmRule>{}))
{
    connect(&needs_.pipeline, &ReadingPipeline::frameShown, this, &AlarmSide::mainReading);
    connect(&needs_.meters, &MetersBoard::metersChanged, this, &AlarmSide::followSession);
    connect(&needs_.banner, &AlarmBanner::acknowledgeClicked, this, &AlarmSide::acknowledgeAll);
    ticks_.setInterval(kTickMs);
    connect(&ticks_, &QTimer::timeout, this, [this] { monitor_->tick(needs_.clock.now().toMSecsSinceEpoch()); });
    followSession();
}

AlarmSide::~AlarmSide() = default;

QString AlarmSide::mainChannel() const
{
    const std::vector<MeterSpec> specs = needs_.meters.specs();
    return specs.empty() ? QStringLiteral("m1") : specs.front().name;
}

QStringList AlarmSide::channelNames() const
{
    QStringList names{mainChannel()};
    if (const MeterSession* s = needs_.meters.session()) {
        for (int k = 1; k < s->inputCount(); ++k)
            names << s->input(k).name();
        for (int c = 0; c < s->channelCount(); ++c)
            names << s->channel(c).channel();
    }
    return names;
}

QString AlarmSide::setRuleTexts(const QStringList& texts)
{
    std::vector<AlarmRule> rules;
    QStringList refused;
    for (const QString& text : texts) {
        QString error;
        if (const std::optional<AlarmRule> rule = parseAlarmRule(text, &error))
            rules.push_back(*rule);
        else
            refused << QStringLiteral("\"%1\" %2").arg(text, error);
    }
    setRules(std::move(rules));
    return refused.isEmpty() ? QString() : QStringLiteral("Alarm rules left out: ") + refused.join(QStringLiteral("; "));
}

QStringList AlarmSide::ruleTexts() const
{
    QStringList texts;
    for (const AlarmRule& rule : monitor_->rules())
        texts << rule.text;
    return texts;
}

void AlarmSide::setRules(std::vector<AlarmRule> rules)
{
    const bool stale = std::any_of(rules.begin(), rules.end(),
                                   [](const AlarmRule& r) { return r.condition == AlarmCondition::Stale; });
    monitor_ = std::make_unique<AlarmMonitor>(std::move(rules));
    connect(monitor_.get(), &AlarmMonitor::eventHappened, this, &AlarmSide::happened);
    lastRaise_.assign(monitor_->rules().size(), RecordEvent());
    if (stale)
        ticks_.start();
    else
        ticks_.stop();
    showBanner();
    emit rulesChanged();
}

void AlarmSide::followSession()
{
    MeterSession* now = needs_.meters.session();
    if (now == session_ && !sessionLinks_.empty())
        return;
    for (const QMetaObject::Connection& c : sessionLinks_)
        disconnect(c);
    sessionLinks_.clear();
    session_ = now;
    if (!now)
        return;
    sessionLinks_.push_back(connect(now, &MeterSession::readingShown, this, &AlarmSide::sessionReading));
    sessionLinks_.push_back(connect(now, &MeterSession::valueComputed, this, &AlarmSide::computedValue));
}

void AlarmSide::mainReading(const Reading& reading)
{
    const int channel = monitor_->channelIndex(mainChannel());
    if (channel >= 0)
        monitor_->offer(channel, alarmSampleOf(reading, needs_.record.currentRow(), needs_.clock.now().toMSecsSinceEpoch()));
}

void AlarmSide::sessionReading(int input, const Reading& reading)
{
    // The first input is the window's own meter, which the window's pipeline offers already.
    if (input <= 0 || !session_)
        return;
    const int channel = monitor_->channelIndex(session_->input(input).name());
    if (channel >= 0)
        monitor_->offer(channel, alarmSampleOf(reading, needs_.record.currentRow(), needs_.clock.now().toMSecsSinceEpoch()));
}

void AlarmSide::computedValue(const ComputedValue& value)
{
    const int channel = monitor_->channelIndex(value.channel);
    if (channel < 0)
        return;
    monitor_->offer(channel, alarmSampleOf(value, needs_.record.currentRow()));
}

void AlarmSide::happened(const RecordEvent& event)
{
    needs_.record.add(event);
    if (event.kind == EventKind::AlarmRaised) {
        for (std::size_t r = 0; r < monitor_->rules().size(); ++r)
            if (monitor_->rules()[r].text == event.rule && monitor_->rules()[r].channel == event.channel)
                lastRaise_[r] = event;
        alarmActions(event);
    }
    if (command_)
        command_->run(event);   // raises and clears; it never waits
    banner_.request();
}

void AlarmSide::alarmActions(const RecordEvent& event)
{
    // A rule without a "for" time on a noisy reading raises many times a second: the banner
    // counts them; the bell, the notification and the window's raising come once a second.
    if (lastAction_.isValid() && lastAction_.elapsed() < kActionGapMs)
        return;
    lastAction_.start();
    QApplication::beep();
    if (!needs_.notifier && !ownNotifier_)
        ownNotifier_ = std::make_unique<DesktopNotifier>();
    DesktopNotifier& notifier = needs_.notifier ? *needs_.notifier : *ownNotifier_;
    notifier.notify(QStringLiteral("Alarm: ") + event.rule,
                    QStringLiteral("%1 at %2").arg(event.text, event.at.toString(QStringLiteral("HH:mm:ss"))));
    // A window already in front is left as it is: raising it again only repaints it.
    if (!needs_.window.isActiveWindow() || needs_.window.isMinimized()) {
        needs_.window.setWindowState(needs_.window.windowState() & ~Qt::WindowMinimized);   // kept maximised if it was
        needs_.window.raise();
        needs_.window.activateWindow();
    }
}

void AlarmSide::acknowledgeAll()
{
    for (int r = 0; r < int(monitor_->rules().size()); ++r)
        if (monitor_->awaitsAcknowledgement(r))
            monitor_->acknowledge(r);
    showBanner();
}

void AlarmSide::showBanner()
{
    std::vector<AlarmBannerEntry> entries;
    for (int r = 0; r < int(monitor_->rules().size()); ++r) {
        const bool raised = monitor_->isRaised(r), waits = monitor_->awaitsAcknowledgement(r);
        if (!raised && !waits)
            continue;
        const RecordEvent& e = lastRaise_[std::size_t(r)];
        entries.push_back({monitor_->rules()[std::size_t(r)].text, e.text, e.at, monitor_->raiseCount(r), !raised, !waits});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const AlarmBannerEntry& a, const AlarmBannerEntry& b) { return a.raisedAt > b.raisedAt; });
    needs_.banner.showAlarms(entries);
}

void AlarmSide::openDialog(QWidget* window, UserPrompts& prompts)
{
    if (dialog_) {
        dialog_->raise();
        return;
    }
    dialog_ = new AlarmRulesDialog(ruleTexts(), channelNames(), prompts, commandLine_, window);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &QDialog::accepted, this, [this] {
        setCommandLine(dialog_->commandLine());   // checked by the dialog before OK
        setRules(dialog_->check().rules);
    });
    dialog_->open();
}

bool AlarmSide::setCommandLine(const QString& commandLine, QString* error)
{
    const QString line = commandLine.trimmed();
    QStringList words;
    if (!line.isEmpty()) {
        QString why;
        words = AlarmCommand::split(line, &why);
        if (words.isEmpty()) {
            if (error)
                *error = why;
            return false;
        }
    }
    commandLine_ = line;
    command_.reset();
    if (!words.isEmpty()) {
        command_ = std::make_unique<AlarmCommand>(words);
        const auto report = [this](const QString& rule, const QString& message) {
            emit commandReported(QStringLiteral("alarm command for '%1' %2").arg(rule, message));
        };
        connect(command_.get(), &AlarmCommand::failed, this, report);
        connect(command_.get(), &AlarmCommand::finished, this, [report](const QString& rule, int code, const QString& message) {
            if (code != 0)   // a run that went well is not worth a word
                report(rule, message);
        });
    }
    emit rulesChanged();
    return true;
}

void AlarmSide::addMenu(QMenuBar& bar, const std::function<void()>& openRules, const std::function<void()>& note)
{
    QMenu* menu = bar.addMenu(QStringLiteral("&Alarms"));
    QAction* rules = menu->addAction(QStringLiteral("&Rules..."));
    rules->setObjectName(QStringLiteral("AlarmRulesItem"));
    connect(rules, &QAction::triggered, this, openRules);
    QAction* noteItem = menu->addAction(QStringLiteral("&Note"));
    noteItem->setObjectName(QStringLiteral("NoteItem"));
    // Shown in the menu; the key itself is the window's shortcut, so it works with the menu closed.
    noteItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    noteItem->setShortcutContext(Qt::WidgetShortcut);
    connect(noteItem, &QAction::triggered, this, note);
}
