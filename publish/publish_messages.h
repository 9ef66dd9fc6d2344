#pragma once
// The messages a broker gets, each made here and nowhere else: a reading as JSON with the keys
// and texts of the JSON Lines export, the availability words, and a sensor's discovery
// configuration for home automation systems.
#include "log/log_row.h"
#include "publish/broker_settings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Every message carries the name of the channel it measures. One meter today: this one.
inline const QString kMeterChannel = QStringLiteral("meter");

struct PublishTopics {
    QByteArray reading;           // PREFIX/reading: every reading, not retained
    QByteArray state;             // PREFIX/state: the latest reading, retained
    QByteArray availability;      // PREFIX/availability: online, or offline as the last will
    QByteArray discoveryStatus;   // DISCOVERY/status: "online" when the home system (re)starts; empty: none

    // DISCOVERY/sensor/<node>/<channel>/config; empty without discovery.
    QByteArray discoveryConfig(const QString& channel) const;

    QString discoveryPrefix;
    QString node;                 // the meter's name as a topic level
};
PublishTopics publishTopics(const BrokerSettings& settingsWithDefaults);

inline const QByteArray kOnline = QByteArrayLiteral("online");
inline const QByteArray kOffline = QByteArrayLiteral("offline");

// {"timestamp":"...","seq":12,"channel":"meter","function":"DC","value":-1.234,"unit":"mV",
//  "value_si":-0.001234,"si_unit":"V","overload":false,"range":"AUTO","judge":"pass"}
QByteArray readingMessage(const LogRow& row, std::int64_t seq, const QString& channel);

// What a channel's sensor configuration depends on: it is published again when this changes.
struct SensorShape {
    QString function;
    QString unit;   // as a person reads it ("mV", "k\u03A9", "\u00B0C"); empty: none
    bool operator==(const SensorShape& o) const { return function == o.function && unit == o.unit; }
    bool operator!=(const SensorShape& o) const { return !(*this == o); }
};
SensorShape sensorShapeOf(const LogRow& row);

// The home automation device class for a unit, where the unit is one it accepts for that class;
// empty otherwise.
QString deviceClassFor(const QString& unit);

// The retained configuration of one channel's sensor.
QByteArray discoveryConfigMessage(const BrokerSettings& settingsWithDefaults, const PublishTopics& topics,
                                  const QString& channel, const SensorShape& shape);
