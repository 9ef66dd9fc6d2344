#include "app/window_settings_binder.h"

#include "app/alarm_side.h"
#include "app/file_commands.h"
#include "app/meter_links.h"
#include "app/meters_controller.h"
#include "app/publishing_side.h"
#include "app/window_settings.h"
#include "chart/chart_control.h"
#include "chart/chart_tool_panel.h"
#include "reading/reading_pipeline.h"
#include "ui/judge_panel.h"
#include "ui/record_panel.h"
#include "ui/recorder_window.h"

#include <QCheckBox>
#include <QLineEdit>

#include <cstdio>

QString WindowSettingsBinder::apply()
{
    if (file_.isEmpty())
        return QString();
    const LoadedSettings loaded = loadWindowSettings(file_);
    const WindowSettings& s = loaded.settings;
    parts_.limits.T1HI->setText(s.high);
    parts_.limits.T1LO->setText(s.low);
    parts_.record.RepeatSet->setChecked(s.repeat);
    parts_.record.RecordSITime->setText(QString::number(s.intervalSeconds));
    parts_.setRecordLimit(s.recordLimitItem);
    parts_.chartTools.restore(s.pageSize, s.fill);
    parts_.links.portPanelClicked(s.comPort == 1 ? 4 : s.comPort - 1);   // a panel selects the port after it
    parts_.files.setLastFolder(s.lastFolder);
    std::vector<MeterSpec> meters;
    for (const QString& m : s.meters)
        if (const int eq = int(m.indexOf(QLatin1Char('='))); eq > 0)
            meters.push_back({m.left(eq), m.mid(eq + 1)});
    parts_.meters.setUp(std::move(meters), s.channels, s.alignment);
    parts_.publishing.apply(s.publishing);
    parts_.recorder.setPlace(s.recorderPlace);
    QString refused = parts_.alarms.setRuleTexts(s.alarmRules);
    if (QString why; !parts_.alarms.setCommandLine(s.alarmCommand, &why))
        refused += (refused.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("alarm command left out: ") + why;
    return loaded.problem.isEmpty() || refused.isEmpty() ? loaded.problem + refused : loaded.problem + QStringLiteral("; ") + refused;
}

void WindowSettingsBinder::keep() const
{
    if (file_.isEmpty())
        return;
    const RecordLogger& logger = parts_.pipeline.logger();
    WindowSettings s;
    s.high = parts_.pipeline.judge().limitCeilingText();
    s.low = parts_.pipeline.judge().limitFloorText();
    s.repeat = logger.repeatSet();
    s.intervalSeconds = logger.intervalMs() / 1000;
    s.recordLimitItem = logger.checkedLimitItem() < 0 ? RecordLogger::kDefaultLimitItem : logger.checkedLimitItem();
    s.pageSize = parts_.pager.PageSize();
    s.fill = parts_.chartTools.fillChecked();
    s.comPort = parts_.links.port().selectedPort();
    s.lastFolder = parts_.files.lastFolder();
    for (const MeterSpec& m : parts_.meters.specs())
        s.meters << m.name + QLatin1Char('=') + m.source;
    s.channels = parts_.meters.channelLines();
    s.alignment = parts_.meters.alignment();
    s.publishing = parts_.publishing.choice();
    s.recorderPlace = parts_.recorder.place();
    s.alarmRules = parts_.alarms.ruleTexts();
    s.alarmCommand = parts_.alarms.commandLine();
    if (const QString why = saveWindowSettings(file_, s); !why.isEmpty())
        std::fprintf(stderr, "meter-logger: the settings were not saved to %s: %s\n", qPrintable(file_), qPrintable(why));
}
