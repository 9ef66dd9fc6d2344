#include "publish/session_publisher.h"

#include "log/record_logger.h"
#include "reading/locale_clock.h"
#include "reading/session/meter_session.h"

namespace {

const QString kComputedFunction = QStringLiteral("CALC");

} // namespace

SessionPublisher::SessionPublisher(MeterSession& session, Source source, const BrokerSettings& settings,
                                   const LocaleClock& clock, std::size_t capacity, QObject* parent)
    : ChannelPublisher(settings, capacity, parent)
{
    if (source == Source::Rows) {
        connect(&session, &MeterSession::rowLogged, this, [this, &session](const QString& channel, const LogRow& row) {
            const int c = session.channelIndex(channel);
            if (c < 0) {
                publish(channel, topicsOf(channel), sensorShapeOf(row), readingMessage(row, row.no.value_or(0), channel));
                return;
            }
            // The value the row was made from says what a row alone does not: its state, its inputs.
            const std::optional<ComputedValue>& value = session.channel(c).latestValue();
            const QString unit = value ? value->unitText : QString();
            publish(channel, topicsOf(channel), computedShape(channel, unit), computedRowMessage(row, channel, value));
        });
        return;
    }
    connect(&session, &MeterSession::readingShown, this, [this, &session, &clock](int input, const Reading& r) {
        LogRow row = offeredRow(r);
        row.loggedAt = r.arrivedAt.isValid() ? r.arrivedAt : clock.now();
        const QString& channel = session.input(input).name();
        publish(channel, topicsOf(channel), sensorShapeOf(row),
                readingMessage(row, session.input(input).readings(), channel));
    });
    connect(&session, &MeterSession::valueComputed, this, [this, &clock](const ComputedValue& v) {
        publish(v.channel, topicsOf(v.channel), computedShape(v.channel, v.unitText),
                computedMessage(v, clock.now().offsetFromUtc()));
    });
}

const ChannelTopics& SessionPublisher::topicsOf(const QString& channel)
{
    auto known = channelTopics_.find(channel);
    if (known == channelTopics_.end())
        known = channelTopics_.emplace(channel, topics().sessionChannel(channel)).first;
    return known->second;
}

SensorShape SessionPublisher::computedShape(const QString& channel, const QString& unitText)
{
    QString& unit = computedUnits_[channel];
    if (!unitText.isEmpty())
        unit = unitText;
    return {kComputedFunction, unit};
}
