// The messages, the settings' checks, the back-off and the queue, without a broker.
#include "publish/broker_settings.h"
#include "publish/outgoing_queue.h"
#include "publish/publish_messages.h"
#include "publish/reconnect_backoff.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <thread>

namespace {

LogRow row(const char* function, const char* value, const char* unit, bool stamped = true)
{
    LogRow r;
    r.no = 7;
    r.function = QLatin1String(function);
    r.value = QString::fromUtf8(value);
    r.unit = QString::fromUtf8(unit);
    r.rangeMode = QStringLiteral("AUTO");
    r.judge = QStringLiteral("pass");
    if (stamped)
        r.loggedAt = QDateTime(QDate(2026, 3, 29), QTime(3, 0, 0, 250), Qt::OffsetFromUTC, 7200);
    return r;
}

} // namespace

TEST(PublishMessages, ReadingCarriesTheExportsKeysAndTexts)
{
    const struct {
        LogRow row;
        const char* json;
        const char* why;
    } cases[] = {
        {row("DC", "1.234", "mV"),
         R"({"timestamp":"2026-03-29T03:00:00.250+02:00","seq":12,"channel":"meter","function":"DC","value":1.234,)"
         R"("unit":"mV","value_si":0.001234,"si_unit":"V","overload":false,"range":"AUTO","judge":"pass"})",
         "a number, in the shown unit and the base unit"},
        {row("OHM", "0.L", "k*"),
         R"({"timestamp":"2026-03-29T03:00:00.250+02:00","seq":12,"channel":"meter","function":"OHM","value":null,)"
         R"("unit":"kΩ","value_si":null,"si_unit":"Ω","overload":true,"range":"AUTO","judge":"pass"})",
         "an overload has no value, and says so"},
        {row("TMP", "0024", "#", false),
         R"({"timestamp":null,"seq":12,"channel":"meter","function":"TMP","value":24,)"
         R"("unit":"°C","value_si":null,"si_unit":"°C","overload":false,"range":"AUTO","judge":"pass"})",
         "a temperature has no base-unit value; a row without its date has no time stamp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readingMessage(c.row, 12, kMeterChannel).toStdString(), c.json) << c.why;
}

TEST(PublishMessages, DiscoveryFollowsTheUnitShown)
{
    BrokerSettings s;
    s.url = QStringLiteral("mqtt://h");
    s.discoveryPrefix = QStringLiteral("homeassistant");
    s = withDefaults(s);
    const PublishTopics topics = publishTopics(s);
    EXPECT_EQ(topics.discoveryConfig(kMeterChannel), "homeassistant/sensor/VK31C/meter/config");
    const struct {
        const char* function;
        const char* unit;
        const char* deviceClass;   // "" none
        const char* why;
    } cases[] = {
        {"DC", "V", "voltage", "volts"},
        {"DC", "mV", "voltage", "millivolts are volts' too"},
        {"AC", "mA", "current", ""},
        {"Freq", "kHz", "frequency", ""},
        {"TMP", "#", "temperature", "stored # is °C"},
        {"TMP", "?", "temperature", "stored ? is °F"},
        {"DC", "uA", "", "µA is no unit the current class takes"},
        {"OHM", "k*", "", "no class for resistance"},
        {"DutyCycle", "%", "", "nor for a duty cycle"},
    };
    for (const auto& c : cases) {
        const SensorShape shape = sensorShapeOf(row(c.function, "1.0", c.unit));
        const QJsonObject config = QJsonDocument::fromJson(discoveryConfigMessage(s, topics, kMeterChannel, shape)).object();
        EXPECT_EQ(config.value(QStringLiteral("device_class")).toString().toStdString(), c.deviceClass) << c.unit << ": " << c.why;
        EXPECT_EQ(config.value(QStringLiteral("unit_of_measurement")).toString(), shape.unit);
        EXPECT_EQ(config.value(QStringLiteral("state_class")).toString(), QStringLiteral("measurement"));
        EXPECT_EQ(config.value(QStringLiteral("state_topic")).toString(), QStringLiteral("meter-logger/VK31C/state"));
    }
}

TEST(PublishMessages, SettingsAreRefusedWithTheReason)
{
    const struct {
        const char* url;
        const char* ca;
        const char* user;
        const char* password;
        const char* topic;
        const char* problem;   // part of the reason; "" none
    } cases[] = {
        {"mqtt://127.0.0.1:1883", "", "", "", "", ""},
        {"mqtts://broker.lan", "", "u", "p", "lab/bench-1", ""},
        {"http://broker", "", "", "", "", "mqtt://HOST"},
        {"mqtt://", "", "", "", "", "names no host"},
        {"mqtt://u:p@broker", "", "", "", "", "more than a host"},
        {"mqtt://broker/topic", "", "", "", "", "more than a host"},
        {"mqtt://broker", "/etc/hostname", "", "", "", "goes with mqtts://"},
        {"mqtts://broker", "/no/such/ca.pem", "", "", "", "cannot be read"},
        {"mqtt://broker", "", "", "secret", "", "needs a user"},
        {"mqtt://broker", "", "", "", "lab/+", "wildcard"},
        {"mqtt://broker", "", "", "", "lab/#", "wildcard"},
        {"mqtt://broker", "", "", "", "lab//a", "empty level"},
        {"mqtt://broker", "", "", "", "lab/", "empty level"},
        {"mqtt://broker", "", "", "", "$SYS/x", "begins with $"},
    };
    for (const auto& c : cases) {
        BrokerSettings s;
        s.url = QLatin1String(c.url);
        s.caFile = QLatin1String(c.ca);
        s.user = QLatin1String(c.user);
        s.password = QLatin1String(c.password);
        s.topicPrefix = QLatin1String(c.topic);
        const QString problem = brokerSettingsProblem(s);
        if (*c.problem == '\0')
            EXPECT_TRUE(problem.isEmpty()) << c.url << " " << c.topic << ": " << problem.toStdString();
        else
            EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << c.url << " " << c.topic << ": " << problem.toStdString();
    }
    // A meter's name with blanks and slashes is one topic level.
    BrokerSettings named;
    named.meterName = QStringLiteral("bench 2/left");
    EXPECT_EQ(withDefaults(named).topicPrefix, QStringLiteral("meter-logger/bench_2_left"));
}

TEST(PublishMessages, BackoffGrowsToAMinuteWithJitterAndStartsAgainAfterAConnect)
{
    ReconnectBackoff backoff(42);
    std::vector<std::chrono::milliseconds> waits;
    for (int i = 0; i < 10; ++i)
        waits.push_back(backoff.next());
    for (std::size_t i = 0; i < waits.size(); ++i) {
        EXPECT_GE(waits[i], ReconnectBackoff::kFirst) << i;
        EXPECT_LE(waits[i], ReconnectBackoff::kMost) << i;
    }
    EXPECT_LT(waits[0].count(), 1300) << "about a second at first";
    EXPECT_GT(waits[4].count(), 12000) << "about 16 s after five failures";
    EXPECT_GT(waits[9].count(), 47000) << "capped near a minute";
    EXPECT_GT(backoff.afterRefusal().count(), 47000) << "a refusal waits the longest at once";
    backoff.reset();
    EXPECT_LT(backoff.next().count(), 1300);
}

TEST(PublishMessages, FullQueueDropsTheOldestAndCountsThem)
{
    OutgoingQueue queue(3);
    for (int i = 1; i <= 5; ++i)
        queue.pushReading({"m/u/reading", "m/u/state", QByteArray::number(i)});
    queue.setRetained("config", "a");
    queue.setRetained("config", "b");
    OutgoingQueue::Batch batch = queue.take(10);
    std::vector<QByteArray> kept;
    for (const OutgoingReading& r : batch.readings)
        kept.push_back(r.payload);
    EXPECT_EQ(kept, (std::vector<QByteArray>{"3", "4", "5"}));
    EXPECT_EQ(queue.dropped(), 2u);
    ASSERT_EQ(batch.retained.size(), 1u);
    EXPECT_EQ(batch.retained[0].second, "b") << "a retained message replaces the one before";
    EXPECT_TRUE(queue.take(10).empty()) << "retained messages go once";
    queue.resendRetained();
    EXPECT_EQ(queue.take(10).retained.size(), 1u) << "and again after a connect";
}

// The reading's thread fills the queue while the connection's empties it: every reading comes
// out once and in order, and the newest retained message is the one that goes last.
TEST(PublishQueue, FilledAndEmptiedFromTwoThreadsLosesAndRepeatsNothing)
{
    constexpr int kReadings = 5000;
    OutgoingQueue queue(kReadings);
    std::vector<QByteArray> received;
    QByteArray lastRetained;
    std::thread connection([&] {
        std::size_t resendAt = 500;   // as after a reconnect, now and then
        while (received.size() < std::size_t(kReadings)) {
            OutgoingQueue::Batch batch = queue.take(64);
            for (OutgoingReading& r : batch.readings)
                received.push_back(std::move(r.payload));
            for (auto& [topic, payload] : batch.retained)
                lastRetained = payload;
            if (received.size() >= resendAt) {
                queue.resendRetained();
                resendAt += 500;
            }
        }
    });
    for (int i = 0; i < kReadings; ++i) {
        if (i % 100 == 0)
            queue.setRetained("config", QByteArray::number(i));
        queue.pushReading({"m/u/reading", "m/u/state", QByteArray::number(i)});
    }
    connection.join();
    ASSERT_EQ(received.size(), std::size_t(kReadings));
    for (int i = 0; i < kReadings; ++i)
        ASSERT_EQ(received[std::size_t(i)], QByteArray::number(i)) << "in order, each once";
    EXPECT_EQ(queue.dropped(), 0u);
    const OutgoingQueue::Batch rest = queue.take(64);
    const QByteArray last = rest.retained.empty() ? lastRetained : rest.retained.back().second;
    EXPECT_EQ(last, "4900") << "the newest configuration is the one kept";
}
