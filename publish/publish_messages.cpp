#include "publish/publish_messages.h"

#include "decode/unit_display.h"
#include "log/files/analysis_format.h"
#include "log/files/analysis_record.h"
#include "reading/session/computed_record.h"
#include "reading/session/session_files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>

QByteArray PublishTopics::discoveryConfig(const QString& channel) const
{
    if (discoveryPrefix.isEmpty())
        return QByteArray();
    return (discoveryPrefix + QStringLiteral("/sensor/") + node + QLatin1Char('/') + topicLevelOf(channel)
            + QStringLiteral("/config"))
        .toUtf8();
}

ChannelTopics PublishTopics::sessionChannel(const QString& channel) const
{
    const QString level = prefix + QLatin1Char('/') + topicLevelOf(channel);
    return {(level + QStringLiteral("/reading")).toUtf8(), (level + QStringLiteral("/state")).toUtf8()};
}

PublishTopics publishTopics(const BrokerSettings& s)
{
    PublishTopics t;
    t.prefix = s.topicPrefix;
    t.reading = (s.topicPrefix + QStringLiteral("/reading")).toUtf8();
    t.state = (s.topicPrefix + QStringLiteral("/state")).toUtf8();
    t.availability = (s.topicPrefix + QStringLiteral("/availability")).toUtf8();
    t.discoveryPrefix = s.discoveryPrefix;
    t.node = topicLevelOf(s.meterName);
    if (!s.discoveryPrefix.isEmpty())
        t.discoveryStatus = (s.discoveryPrefix + QStringLiteral("/status")).toUtf8();
    return t;
}

namespace {

void appendKey(std::string& out, const char* key)
{
    if (out.size() > 1)
        out.push_back(',');
    out.push_back('"');
    out += key;
    out += "\":";
}

void appendText(std::string& out, const char* key, const QString& text)
{
    appendKey(out, key);
    if (text.isEmpty())
        out += "null";
    else
        appendJsonString(out, text);
}

// The analysis record's decimal texts are JSON numbers as they stand.
void appendNumber(std::string& out, const char* key, const QString& decimal)
{
    appendKey(out, key);
    out += decimal.isEmpty() ? std::string("null") : decimal.toStdString();
}

// The reading's keys, in the JSON Lines export's order; the closing brace is the caller's.
std::string recordMessage(const AnalysisRecord& r, bool overload, std::int64_t seq, const QString& channel)
{
    std::string out = "{";
    appendText(out, "timestamp", isoTimestamp(r.timestamp));
    appendNumber(out, "seq", QString::number(seq));
    appendText(out, "channel", channel);
    appendText(out, "function", r.function);
    appendNumber(out, "value", r.value);
    appendText(out, "unit", r.unit);
    appendNumber(out, "value_si", r.valueSi);
    appendText(out, "si_unit", r.siUnit);
    appendKey(out, "overload");
    out += overload ? "true" : "false";
    appendText(out, "range", r.range);
    appendText(out, "judge", r.judge);
    return out;
}

} // namespace

QByteArray readingMessage(const LogRow& row, std::int64_t seq, const QString& channel)
{
    const std::optional<Measurement> m = measurementOf(row);
    return QByteArray::fromStdString(recordMessage(analysisRecord(row), m && m->overload, seq, channel) + '}');
}

QByteArray computedMessage(const ComputedValue& value, int utcOffsetSeconds)
{
    std::string out = recordMessage(computedRecord(value, utcOffsetSeconds), value.state == ComputedState::Overload,
                                    value.no, value.channel);
    appendComputedJson(out, value);
    return QByteArray::fromStdString(out + '}');
}

QByteArray computedRowMessage(const LogRow& row, const QString& channel, const std::optional<ComputedValue>& value)
{
    const bool overload = value && value->state == ComputedState::Overload;
    std::string out = recordMessage(channelRecord(row), overload, row.no.value_or(0), channel);
    if (value)
        appendComputedJson(out, *value);
    return QByteArray::fromStdString(out + '}');
}

SensorShape sensorShapeOf(const LogRow& row)
{
    return {row.function, unitMeaning(row.unit).shown};
}

QString deviceClassFor(const QString& unit)
{
    static const struct {
        const char* deviceClass;
        QStringList units;
    } kClasses[] = {
        {"voltage", {QStringLiteral("V"), QStringLiteral("mV")}},
        {"current", {QStringLiteral("A"), QStringLiteral("mA")}},
        {"frequency", {QStringLiteral("Hz"), QStringLiteral("kHz"), QStringLiteral("MHz")}},
        {"temperature", {QStringLiteral("\u00B0C"), QStringLiteral("\u00B0F")}},
        {"power", {QStringLiteral("W"), QStringLiteral("kW")}},
        {"energy", {QStringLiteral("Wh"), QStringLiteral("kWh")}},
    };
    for (const auto& c : kClasses)
        if (c.units.contains(unit))
            return QLatin1String(c.deviceClass);
    return QString();
}

QByteArray discoveryConfigMessage(const BrokerSettings& s, const PublishTopics& topics, const QString& channel,
                                  const SensorShape& shape, const QByteArray& stateTopic)
{
    const QString id = QStringLiteral("meter-logger_") + topics.node;
    const QString state = QString::fromUtf8(stateTopic.isEmpty() ? topics.state : stateTopic);
    QJsonObject config{
        {QStringLiteral("name"), channel},
        {QStringLiteral("unique_id"), id + QLatin1Char('_') + topicLevelOf(channel)},
        {QStringLiteral("state_topic"), state},
        {QStringLiteral("value_template"), QStringLiteral("{{ value_json.value }}")},
        {QStringLiteral("json_attributes_topic"), state},
        {QStringLiteral("availability_topic"), QString::fromUtf8(topics.availability)},
        {QStringLiteral("payload_available"), QString::fromUtf8(kOnline)},
        {QStringLiteral("payload_not_available"), QString::fromUtf8(kOffline)},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("device"),
         QJsonObject{{QStringLiteral("identifiers"), QJsonArray{id}},
                     {QStringLiteral("name"), s.meterName},
                     {QStringLiteral("sw_version"), QStringLiteral("meter-logger " METER_PUBLISH_VERSION)}}},
    };
    if (!shape.unit.isEmpty())
        config.insert(QStringLiteral("unit_of_measurement"), shape.unit);
    if (const QString deviceClass = deviceClassFor(shape.unit); !deviceClass.isEmpty())
        config.insert(QStringLiteral("device_class"), deviceClass);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}
