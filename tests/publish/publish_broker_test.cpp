// The publisher against a real broker: what it publishes and how it is kept, the last will of
// a killed logger, a broker that goes away and comes back, a refused login.
#include "doubles/fixed_locale_clock.h"
#include "frames/sample_frames.h"
#include "publish/pipeline_publisher.h"
#include "test_broker.h"
#include "reading/reading_pipeline.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kSim = QStringLiteral(METER_BIN_DIR "/meter-sim");
const QString kRead = QStringLiteral(METER_BIN_DIR "/meter-read");

// A pipeline with its publisher, and every status the publisher said.
struct Publishing {
    FixedLocaleClock clock;
    ReadingPipeline pipeline{4000, clock};
    std::unique_ptr<PipelinePublisher> publisher;
    std::vector<PublishStatus> said;

    Publishing(const QString& url, PipelinePublisher::Source source, std::size_t capacity = 100)
    {
        BrokerSettings s;
        s.url = url;
        s.discoveryPrefix = QStringLiteral("homeassistant");
        publisher = std::make_unique<PipelinePublisher>(pipeline, source, s, clock, capacity);
        QObject::connect(publisher.get(), &PipelinePublisher::statusChanged, [this](const PublishStatus& st) { said.push_back(st); });
    }
    bool waitFor(PublishStatus::State state, int ms = 20000)
    {
        return ::waitFor([&] { return !said.empty() && said.back().state == state; }, ms);
    }
    void frame(const char* f) { pipeline.showFrame(sample_frames::serialText(f)); }
};

} // namespace

TEST(PublishBroker, ReadingsStateAvailabilityAndDiscoveryWithTheirRetainedFlags)
{
    SKIP_WITHOUT_BROKER();
    TestBroker broker;
    ASSERT_TRUE(broker.start());
    TestSubscriber live(broker.port());
    ASSERT_TRUE(live.waitReady());
    Publishing p(broker.url(), PipelinePublisher::Source::Readings);
    ASSERT_TRUE(p.waitFor(PublishStatus::State::Connected));
    p.frame(SAMPLE_VOLTS_1234);
    ASSERT_TRUE(live.waitFor(QStringLiteral("/reading"), "\"seq\":1,"));
    EXPECT_TRUE(live.has(QStringLiteral("/config"), "\"unit_of_measurement\":\"V\""));
    // The function changes: so does the configuration.
    p.frame(SAMPLE_OVERLOAD_KOHM);
    ASSERT_TRUE(live.waitFor(QStringLiteral("/config"), "\"unit_of_measurement\":\"k\xCE\xA9\""));
    ASSERT_TRUE(live.waitFor(QStringLiteral("/reading"), "\"overload\":true"));
    // The home system starts again: it is told the configurations again.
    const int configs = live.count(QStringLiteral("/config"));
    QProcess::execute(QStringLiteral("mosquitto_pub"), {QStringLiteral("-p"), QString::number(broker.port()), QStringLiteral("-t"),
                                                        QStringLiteral("homeassistant/status"), QStringLiteral("-m"), QStringLiteral("online")});
    EXPECT_TRUE(waitFor([&] { return live.count(QStringLiteral("/config")) > configs; }));
    EXPECT_TRUE(p.publisher->stop().flushed);
    ASSERT_TRUE(live.waitFor(QStringLiteral("/availability"), "offline"));

    // What a subscriber that comes later is given at once: the retained messages only.
    TestSubscriber late(broker.port());
    ASSERT_TRUE(late.waitFor(QStringLiteral("/config")));
    ASSERT_TRUE(late.waitFor(QStringLiteral("/state")));
    ASSERT_TRUE(late.waitFor(QStringLiteral("/availability")));
    const struct {
        const char* topic;
        QByteArray payload;
    } kept[] = {
        {"meter-logger/VK31C/state", "\"seq\":2,"},
        {"meter-logger/VK31C/availability", "offline"},
        {"homeassistant/sensor/VK31C/meter/config", "\"unique_id\":\"meter-logger_VK31C_meter\""},
    };
    for (const auto& k : kept) {
        bool retained = false;
        EXPECT_TRUE(late.has(QLatin1String(k.topic), k.payload, &retained)) << k.topic;
        EXPECT_TRUE(retained) << k.topic;
    }
    EXPECT_FALSE(late.has(QStringLiteral("/reading"))) << "readings are not retained";
}

TEST(PublishBroker, KilledReaderLeavesItsLastWill)
{
    SKIP_WITHOUT_BROKER();
    TestBroker broker;
    ASSERT_TRUE(broker.start());
    TestSubscriber live(broker.port());
    ASSERT_TRUE(live.waitReady());
    QProcess reader;
    reader.start(kRead, {QStringLiteral("--mqtt"), broker.url(), QStringLiteral("-")});
    ASSERT_TRUE(live.waitFor(QStringLiteral("/availability"), "online"));
    ::kill(pid_t(reader.processId()), SIGKILL);
    reader.waitForFinished(5000);
    EXPECT_TRUE(live.waitFor(QStringLiteral("/availability"), "offline"));
}

TEST(PublishBroker, BrokerAwayAndBackLosesNoLoggedRowAndCountsTheDrops)
{
    SKIP_WITHOUT_BROKER();
    TestBroker broker;
    ASSERT_TRUE(broker.start());
    Publishing p(broker.url(), PipelinePublisher::Source::Rows, 20);
    p.pipeline.logger().setRepeatSet(true);
    ASSERT_TRUE(p.waitFor(PublishStatus::State::Connected));
    broker.stop();
    ASSERT_TRUE(p.waitFor(PublishStatus::State::Unreachable));
    for (int i = 0; i < 50; ++i)
        p.frame(i % 2 ? SAMPLE_VOLTS_1234 : SAMPLE_VOLTS_1235);
    EXPECT_EQ(p.pipeline.table().rowCount(), 50) << "logging went on while the broker was away";

    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(p.waitFor(PublishStatus::State::Connected));
    EXPECT_EQ(p.said.back().dropped, 30u) << "a queue of 20 kept the newest rows";
    TestSubscriber after(broker.port());
    ASSERT_TRUE(after.waitReady());
    p.frame(SAMPLE_VOLTS_12_34);
    EXPECT_TRUE(after.waitFor(QStringLiteral("/reading"), "\"seq\":51,")) << "readings resume";
}

TEST(PublishBroker, RefusedLoginIsSaidOnce)
{
    SKIP_WITHOUT_BROKER();
    TestBroker broker;
    ASSERT_TRUE(broker.start({QStringLiteral("bench:right")}));
    QTemporaryDir dir;
    const struct {
        const char* password;
        const char* said;      // on standard error, once
        const char* notSaid;
    } cases[] = {
        {"wrong", "refused: Connection Refused: not authorised.", "publishing to"},
        {"right", "publishing to", "refused"},
    };
    for (const auto& c : cases) {
        const QString file = dir.filePath(QLatin1String(c.password));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(c.password) + "\n");
        f.close();
        QProcess sim, reader;
        sim.setStandardOutputProcess(&reader);
        sim.start(kSim, {QStringLiteral("--stdout"), QStringLiteral("--count"), QStringLiteral("300"), QStringLiteral("--rate"), QStringLiteral("200")});
        reader.start(kRead, {QStringLiteral("--log"), QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--mqtt-user"),
                             QStringLiteral("bench"), QStringLiteral("--mqtt-password-file"), file, QStringLiteral("-")});
        ASSERT_TRUE(reader.waitForFinished(20000));
        const QString err = QString::fromLocal8Bit(reader.readAllStandardError());
        EXPECT_EQ(reader.exitCode(), 0) << err.toStdString();
        EXPECT_EQ(err.count(QLatin1String(c.said)), 1) << err.toStdString();
        EXPECT_FALSE(err.contains(QLatin1String(c.notSaid))) << err.toStdString();
        EXPECT_EQ(reader.readAllStandardOutput().count('\n'), 299) << "every row logged and printed";
    }
}
