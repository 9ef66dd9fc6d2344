// The publisher against a real broker: what it publishes and how it is kept, the last will of
// a killed logger, a broker that goes away and comes back, a refused login.
#include "doubles/fixed_locale_clock.h"
#include "frames/sample_frames.h"
#include "publish/pipeline_publisher.h"
#include "test_broker.h"
#include "reading/reading_pipeline.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <map>

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

TEST(PublishBroker, SeveralMetersPublishEveryChannelOnItsOwnTopics)
{
    SKIP_WITHOUT_BROKER();
    TestBroker broker;
    ASSERT_TRUE(broker.start());
    QTemporaryDir dir;
    const QString frames = dir.filePath(QStringLiteral("frames.bin"));
    QProcess sim;
    sim.setStandardOutputFile(frames);
    sim.start(kSim, {QStringLiteral("--stdout"), QStringLiteral("--count"), QStringLiteral("40"), QStringLiteral("--rate"),
                     QStringLiteral("1000")});
    ASSERT_TRUE(sim.waitForFinished(10000));
    // Every reading and computed value; with --log every logged row, numbered by its No.
    for (const QStringList& logging : {QStringList{}, QStringList{QStringLiteral("--log")}}) {
        SCOPED_TRACE(logging.join(' ').toStdString());
        TestSubscriber live(broker.port());
        ASSERT_TRUE(live.waitReady());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        QProcess reader;
        reader.setProcessEnvironment(env);
        reader.start(kRead, QStringList{QStringLiteral("--input"), QStringLiteral("u=") + frames, QStringLiteral("--input"),
                                        QStringLiteral("i=") + frames, QStringLiteral("--calc"), QStringLiteral("p=u*i"),
                                        QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--mqtt-discovery")}
                                + logging);
        ASSERT_TRUE(reader.waitForFinished(20000));
        EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
        ASSERT_TRUE(live.waitFor(QStringLiteral("/availability"), "offline"));

        // Each channel's messages on PREFIX/CHANNEL/reading, naming it, numbered without a gap; a
        // computed value without a number says why instead of making one up.
        std::map<QString, std::int64_t> seqs;
        int stale = 0;
        for (const ReceivedMessage& m : live.messages()) {
            const QString channel = m.topic.section(QLatin1Char('/'), 2, 2);
            if (!m.topic.endsWith(QLatin1String("/reading")))
                continue;
            const QJsonObject o = QJsonDocument::fromJson(m.payload).object();
            EXPECT_EQ(o.value(QStringLiteral("channel")).toString(), channel) << m.payload.toStdString();
            EXPECT_EQ(o.value(QStringLiteral("seq")).toInteger(), ++seqs[channel]) << m.payload.toStdString();
            if (o.contains(QStringLiteral("state")) && o.value(QStringLiteral("state")) != QLatin1String("valid")) {
                stale += o.value(QStringLiteral("state")) == QLatin1String("stale");
                EXPECT_TRUE(o.value(QStringLiteral("value")).isNull()) << m.payload.toStdString();
                EXPECT_FALSE(o.value(QStringLiteral("judge")).toString().isEmpty()) << m.payload.toStdString();
            }
        }
        EXPECT_EQ(seqs.size(), 3u);
        EXPECT_EQ(seqs[QStringLiteral("u")], 39) << "the first frame of an input is never decoded";
        EXPECT_EQ(seqs[QStringLiteral("i")], 39);
        EXPECT_GE(seqs[QStringLiteral("p")], 39) << "a value at every reading of either input";
        EXPECT_GT(stale, 0) << "before the second input's first reading";
        // Each channel's newest is its retained state, which its discovery configuration reads.
        TestSubscriber late(broker.port());
        for (const QString& channel : {QStringLiteral("u"), QStringLiteral("i"), QStringLiteral("p")}) {
            bool retained = false;
            const QString state = QStringLiteral("meter-logger/VK31C/%1/state").arg(channel);
            EXPECT_TRUE(late.waitFor(state, "\"seq\":" + QByteArray::number(seqs[channel]) + ','));
            EXPECT_TRUE(late.has(state, {}, &retained) && retained) << channel.toStdString();
            EXPECT_TRUE(late.waitFor(QStringLiteral("homeassistant/sensor/VK31C/%1/config").arg(channel),
                                     "\"state_topic\":\"" + state.toUtf8() + '"'));
        }
    }
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
