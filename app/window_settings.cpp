#include "app/window_settings.h"

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

} // namespace

QString defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/meter-logger/meter-logger.conf");
}

WindowSettings loadWindowSettings(const QString& file)
{
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
    return w;
}

bool saveWindowSettings(const QString& file, const WindowSettings& w)
{
    QSettings s(file, QSettings::IniFormat);
    s.setValue(QStringLiteral("limits/high"), w.high);
    s.setValue(QStringLiteral("limits/low"), w.low);
    s.setValue(QStringLiteral("record/repeat"), w.repeat);
    s.setValue(QStringLiteral("record/interval"), w.intervalSeconds);
    s.setValue(QStringLiteral("record/limit"), w.recordLimitItem);
    s.setValue(QStringLiteral("chart/pageSize"), w.pageSize);
    s.setValue(QStringLiteral("chart/fill"), w.fill);
    s.setValue(QStringLiteral("link/comPort"), w.comPort);
    s.setValue(QStringLiteral("files/lastFolder"), w.lastFolder);
    s.sync();
    return s.status() == QSettings::NoError;
}
