#pragma once
// What the window keeps between runs: the limits, Repeat, the sampling interval, the record
// limit, the page size, Fill, the COM port, the folder of the last file dialog, where it
// publishes (the broker's password too: the file is its user's alone), where the Recorder
// window was, the meters and computed channels of the Meters window, and the alarm rules. Kept with QSettings
// as an INI file in the user's configuration folder
// ($XDG_CONFIG_HOME/meter-logger/meter-logger.conf); a missing or unreadable entry gives the
// window's own default, so the first start shows the defaults. The file is its user's alone
// (see private_settings_file.h).
#include "publish/broker_settings.h"

#include <QRect>
#include <QString>
#include <QStringList>

struct WindowSettings {
    QString high = QStringLiteral("6000");
    QString low = QStringLiteral("-6000");
    bool repeat = true;
    int intervalSeconds = 1;
    int recordLimitItem = 2;     // "10000"
    int pageSize = 100;
    bool fill = true;
    int comPort = 1;             // 1..4
    QString lastFolder;          // empty: none yet
    QStringList meters;          // "name=source", the main window's meter first ("m1=main"); empty: none added
    QStringList channels;        // "NAME = EXPRESSION"
    QString alignment = QStringLiteral("hold");
    QRect recorderPlace;         // the Recorder window's place and size; invalid: never placed
    PublishChoice publishing;    // off until set up
    QStringList alarmRules;      // one rule each, as written ("u > 5 for 2")
    QString alarmCommand;        // run for every raise and clear; empty for none
};

// What a start found in the settings file.
struct LoadedSettings {
    WindowSettings settings;
    QString problem;   // for the user: why the file was not read or cannot be kept; empty when none
};

// The user's settings file.
QString defaultSettingsFile();
LoadedSettings loadWindowSettings(const QString& file);
// Empty when written; else why not.
QString saveWindowSettings(const QString& file, const WindowSettings& settings);
