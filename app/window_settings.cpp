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

void loadPublishing(const QSettings& s, PublishChoice& p)
{
    p.on = boolOf(s, "mqtt/on", false);
    p.rowsOnly = boolOf(s, "mqtt/rowsOnly", false);
    p.broker.url = s.value(QStringLiteral("mqtt/url")).toString();
    p.broker.caFile = s.value(QStringLiteral("mqtt/caFile")).toString();
    p.broker.user = s.value(QStringLiteral("mqtt/user")).toString();
    p.broker.password = s.value(QStringLiteral("mqtt/password")).toString();
    p.broker.meterName = s.value(QStringLiteral("mqtt/meterName")).toString();
    p.broker.topicPrefix = s.value(QStringLiteral("mqtt/topicPrefix")).toString();
    p.broker.discoveryPrefix = s.value(QStringLiteral("mqtt/discoveryPrefix")).toString();
}

void savePublishing(QSettings& s, const PublishChoice& p)
{
    s.setValue(QStringLiteral("mqtt/on"), p.on);
    s.setValue(QStringLiteral("mqtt/rowsOnly"), p.rowsOnly);
    s.setValue(QStringLiteral("mqtt/url"), p.broker.url);
    s.setValue(QStringLiteral("mqtt/caFile"), p.broker.caFile);
    s.setValue(QStringLiteral("mqtt/user"), p.broker.user);
    s.setValue(QStringLiteral("mqtt/password"), p.broker.password);
    s.setValue(QStringLiteral("mqtt/meterName"), p.broker.meterName);
    s.setValue(QStringLiteral("mqtt/topicPrefix"), p.broker.topicPrefix);
    s.setValue(QStringLiteral("mqtt/discoveryPrefix"), p.broker.discoveryPrefix);
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
    loadPublishing(s, w.publishing);
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
        savePublishing(s, w.publishing);
        if (w.recorderPlace.isValid())
            s.setValue(QStringLiteral("recorder/place"), w.recorderPlace);
        s.sync();
        return s.status() != QSettings::AccessError;   // a format error in the old text is not one in the new
    });
}
