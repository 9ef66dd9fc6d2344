#include "app/window_settings.h"

#include "app/private_settings_file.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

int intIn(const QSettings& s, const char* key, int fallback, int lowest, int highest)
{
    bool ok = false;
    const int v = s.value(QLatin1String(key)).toInt(&ok);
    return ok && v >= lowest && v <= highest ? v : fallback;
}

bool boolOf(const QSettings& s, const char* key, bool fallback)
{
    const QVariant v = s.value(QLatin1String(key));
    return v.isValid() ? v.toBool() : fallback;
}

// The broker's texts under "mqtt/", each loaded and saved by the same key.
const struct {
    const char* key;
    QString BrokerSettings::*field;
} kBrokerKeys[] = {
    {"mqtt/url", &BrokerSettings::url},
    {"mqtt/caFile", &BrokerSettings::caFile},
    {"mqtt/user", &BrokerSettings::user},
    {"mqtt/password", &BrokerSettings::password},
    {"mqtt/meterName", &BrokerSettings::meterName},
    {"mqtt/topicPrefix", &BrokerSettings::topicPrefix},
    {"mqtt/discoveryPrefix", &BrokerSettings::discoveryPrefix},
};

void loadPublishing(const QSettings& s, PublishChoice& p)
{
    p.on = boolOf(s, "mqtt/on", false);
    p.rowsOnly = boolOf(s, "mqtt/rowsOnly", false);
    for (const auto& k : kBrokerKeys)
        p.broker.*k.field = s.value(QLatin1String(k.key)).toString();
}

void savePublishing(QSettings& s, const PublishChoice& p)
{
    s.setValue(QStringLiteral("mqtt/on"), p.on);
    s.setValue(QStringLiteral("mqtt/rowsOnly"), p.rowsOnly);
    for (const auto& k : kBrokerKeys)
        s.setValue(QLatin1String(k.key), p.broker.*k.field);
}

} // namespace

QString defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/meter-logger/meter-logger.conf");
}

LoadedSettings loadWindowSettings(const QString& file)
{
    if (const QString refusal = settingsFileRefusal(file); !refusal.isEmpty())
        return {WindowSettings(), QStringLiteral("Settings file not read (%1): started from the defaults and left as it is")
                                      .arg(refusal)};
    const QSettings s(file, QSettings::IniFormat);
    const WindowSettings d;
    WindowSettings w;
    w.high = s.value(QStringLiteral("limits/high"), d.high).toString();
    w.low = s.value(QStringLiteral("limits/low"), d.low).toString();
    w.repeat = boolOf(s, "record/repeat", d.repeat);
    w.intervalSeconds = intIn(s, "record/interval", d.intervalSeconds, 1, 2147483);
    w.recordLimitItem = intIn(s, "record/limit", d.recordLimitItem, 0, 5);
    w.pageSize = intIn(s, "chart/pageSize", d.pageSize, 2, 100000);
    w.fill = boolOf(s, "chart/fill", d.fill);
    w.comPort = intIn(s, "link/comPort", d.comPort, 1, 4);
    w.lastFolder = s.value(QStringLiteral("files/lastFolder")).toString();
    w.meters = s.value(QStringLiteral("meters/list")).toStringList();
    w.channels = s.value(QStringLiteral("meters/channels")).toStringList();
    w.alignment = s.value(QStringLiteral("meters/alignment"), d.alignment).toString();
    loadPublishing(s, w.publishing);
    w.alarmRules = s.value(QStringLiteral("alarms/rules")).toStringList();
    w.alarmCommand = s.value(QStringLiteral("alarms/command")).toString();
    if (const QRect place = s.value(QStringLiteral("recorder/place")).toRect(); place.width() > 0 && place.height() > 0)
        w.recorderPlace = place;
    // Told now rather than found at quit, when nobody reads the window any more.
    const QString problem = settingsFolderProblem(file);
    return {w, problem.isEmpty() ? QString() : QStringLiteral("Settings will not be kept: ") + problem};
}

QString saveWindowSettings(const QString& file, const WindowSettings& w)
{
    return replaceSettingsFile(file, [&w](const QString& newFile) {
        QSettings s(newFile, QSettings::IniFormat);
        s.setValue(QStringLiteral("limits/high"), w.high);
        s.setValue(QStringLiteral("limits/low"), w.low);
        s.setValue(QStringLiteral("record/repeat"), w.repeat);
        s.setValue(QStringLiteral("record/interval"), w.intervalSeconds);
        s.setValue(QStringLiteral("record/limit"), w.recordLimitItem);
        s.setValue(QStringLiteral("chart/pageSize"), w.pageSize);
        s.setValue(QStringLiteral("chart/fill"), w.fill);
        s.setValue(QStringLiteral("link/comPort"), w.comPort);
        s.setValue(QStringLiteral("files/lastFolder"), w.lastFolder);
        s.setValue(QStringLiteral("meters/list"), w.meters);
        s.setValue(QStringLiteral("meters/channels"), w.channels);
        s.setValue(QStringLiteral("meters/alignment"), w.alignment);
        savePublishing(s, w.publishing);
        s.setValue(QStringLiteral("alarms/rules"), w.alarmRules);
        s.setValue(QStringLiteral("alarms/command"), w.alarmCommand);
        if (w.recorderPlace.isValid())
            s.setValue(QStringLiteral("recorder/place"), w.recorderPlace);
        s.sync();
        return s.status() != QSettings::AccessError;   // a format error in the old text is not one in the new
    });
}
