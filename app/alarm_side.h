#pragma once
// The window's alarms: a monitor of the rules kept with the settings, fed every reading of the
// window's own meter and of every further meter and computed channel of the Meters window,
// ticked for the stale rules; what it says goes into the record (the events), the banner, the
// desktop's bell, a desktop notification and the window brought to the front.
//
// Events of every channel are marked at the window's log's current row: the record is this
// window's log, and that is the row on screen when it happened.
#include "app/event_record.h"
#include "chart/refresh_throttle.h"
#include "reading/alarms/alarm_command.h"
#include "reading/alarms/alarm_monitor.h"
#include "ui/alarm_rules_dialog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class AlarmBanner;
class QMenuBar;
class UserPrompts;
class DesktopNotifier;
class LocaleClock;
class MeterSession;
class MetersController;
class ReadingPipeline;
class QWidget;
struct Reading;
struct ComputedValue;

class AlarmSide : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 250;            // stale rules are checked this often
    static constexpr int kBannerGapMs = 200;       // the banner follows a burst of events five times a second
    static constexpr int kActionGapMs = 1000;      // bell, notification and raising: once a second at most

    struct Needs {
        ReadingPipeline& pipeline;     // the window's own meter
        MetersController& meters;      // the further meters and computed channels
        EventRecord& record;
        const LocaleClock& clock;
        AlarmBanner& banner;
        QWidget& window;               // raised on an alarm
        DesktopNotifier* notifier;     // null: the session bus's, made at the first alarm
    };
    explicit AlarmSide(Needs needs, QObject* parent = nullptr);
    ~AlarmSide() override;

    // The rules' texts as the settings keep them. A text that is no rule is left out, and its
    // reason is given back (settings edited by hand); an unknown channel is kept, since its
    // meter may be added later.
    QString setRuleTexts(const QStringList& texts);
    QStringList ruleTexts() const;
    void setRules(std::vector<AlarmRule> rules);
    // The channels a rule may name now: the window's meter, the further meters, the computed channels.
    QStringList channelNames() const;
    QString mainChannel() const;

    // "Alarm rules..." over `window`; OK takes its rules. Never waits for the dialog.
    void openDialog(QWidget* window, UserPrompts& prompts);
    AlarmRulesDialog* dialog() const { return dialog_; }
    // The menu "Alarms" with "Rules..." (runs `openRules`) and "Note" (Ctrl+N, runs `note`).
    void addMenu(QMenuBar& bar, const std::function<void()>& openRules, const std::function<void()>& note);

    // "Acknowledge": every alarm that waits for it.
    void acknowledgeAll();
    const AlarmMonitor& monitor() const { return *monitor_; }

    // The user's command, run for every raise and clear; empty for none. False, with the
    // reason, for a line that names no program or leaves a quote open (nothing changes then).
    bool setCommandLine(const QString& commandLine, QString* error = nullptr);
    QString commandLine() const { return commandLine_; }

signals:
    void rulesChanged();
    // What became of a run of the command: "alarm command for 'u > 5' exited with 3".
    void commandReported(const QString& text);

private:
    void followSession();
    void mainReading(const Reading& reading);
    void sessionReading(int input, const Reading& reading);
    void computedValue(const ComputedValue& value);
    void happened(const RecordEvent& event);
    void alarmActions(const RecordEvent& event);
    void showBanner();

    Needs needs_;
    std::unique_ptr<AlarmMonitor> monitor_;
    std::vector<RecordEvent> lastRaise_;            // per rule, for the banner
    std::unique_ptr<DesktopNotifier> ownNotifier_;
    QPointer<MeterSession> session_;
    std::vector<QMetaObject::Connection> sessionLinks_;
    QPointer<AlarmRulesDialog> dialog_;
    QString commandLine_;
    std::unique_ptr<AlarmCommand> command_;
    QTimer ticks_;
    QElapsedTimer lastAction_;
    RefreshThrottle banner_{kBannerGapMs, [this] { showBanner(); }};
};
