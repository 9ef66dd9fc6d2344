#pragma once
// The messages a broker gets, each made here and nowhere else: a reading as JSON with the keys
// and texts of the JSON Lines export, the availability words, and a sensor's discovery
// configuration for home automation systems.
#include "log/log_row.h"
#include "publish/broker_settings.h"
#include "reading/computed/computed_value.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// Every message carries the name of the channel it measures; the one meter's is this one.
inline const QString kMeterChannel = QStringLiteral("meter");

// Where one channel's readings go.
struct ChannelTopics {
    QByteArray reading;   // every reading, not retained
    QByteArray state;     // the latest reading, retained
};

struct PublishTopics {
    QByteArray reading;           // PREFIX/reading: every reading, not retained
    QByteArray state;             // PREFIX/state: the latest reading, retained
    QByteArray availability;      // PREFIX/availability: online, or offline as the last will
    QByteArray discoveryStatus;   // DISCOVERY/status: "online" when the home system (re)starts; empty: none

    // DISCOVERY/sensor/<node>/<channel>/config; empty without discovery.
    QByteArray discoveryConfig(const QString& channel) const;
    // The one meter's PREFIX/reading and PREFIX/state.
    ChannelTopics meter() const { return {reading, state}; }
    // A channel of a session of several meters, an input's or a computed one:
    // PREFIX/<channel>/reading and PREFIX/<channel>/state.
    ChannelTopics sessionChannel(const QString& channel) const;

    QString prefix;
    QString discoveryPrefix;
    QString node;                 // the meter's name as a topic level
};
PublishTopics publishTopics(const BrokerSettings& settingsWithDefaults);

inline const QByteArray kOnline = QByteArrayLiteral("online");
inline const QByteArray kOffline = QByteArrayLiteral("offline");

// {"timestamp":"...","seq":12,"channel":"meter","function":"DC","value":-1.234,"unit":"mV",
//  "value_si":-0.001234,"si_unit":"V","overload":false,"range":"AUTO","judge":"pass"}
QByteArray readingMessage(const LogRow& row, std::int64_t seq, const QString& channel);

// A computed channel's value as it was worked out, numbered by the value's number: the
// reading's keys, then "state", "alignment" and "inputs" as meter-read's JSON Lines give them.
// A value that is stale, an overload or empty has null for value and value_si, and the judge
// says why ("stale: i has not read for 2.1 s").
QByteArray computedMessage(const ComputedValue& value, int utcOffsetSeconds);
// A computed channel's logged row, with what `value` (the one it was made from) adds.
QByteArray computedRowMessage(const LogRow& row, const QString& channel, const std::optional<ComputedValue>& value);

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

// The retained configuration of one channel's sensor, whose state is on `stateTopic` (empty:
// the one meter's PREFIX/state).
QByteArray discoveryConfigMessage(const BrokerSettings& settingsWithDefaults, const PublishTopics& topics,
                                  const QString& channel, const SensorShape& shape, const QByteArray& stateTopic = {});
