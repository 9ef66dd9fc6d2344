// A session of several meters: which inputs it takes, that every computed value names the
// readings it was made from, that a silent meter turns its channels stale, and that every
// channel is saved and given back on its own.
#include "doubles/fixed_locale_clock.h"
#include "log/journal/record_journal.h"
#include "reading/session/meter_session.h"
#include "reading/session/session_files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A plain count 123d, `last` its fourth digit.
QString voltsFrame(char last)
{
    return QStringLiteral("2B313233%1203130000080000D").arg(int(last), 2, 16).toUpper();
}

struct SessionRun {
    explicit SessionRun(const QString& journalFolder = {}) : session(clock, 6000)
    {
        QString why;
        EXPECT_TRUE(session.addInput(QStringLiteral("u"), MeterIdentity{QStringLiteral("COM1"), {}, {}}, &why));
        EXPECT_TRUE(session.addInput(QStringLiteral("i"), MeterIdentity{QStringLiteral("COM2"), {}, {}}, &why));
        std::vector<DefinitionError> errors;
        EXPECT_TRUE(session.defineChannels({{QStringLiteral("p"), QStringLiteral("u*i")}}, AlignmentRule{}, &errors));
        if (!journalFolder.isEmpty())
            session.openJournals(journalFolder, QStringLiteral("window"));
        QObject::connect(&session, &MeterSession::valueComputed, [this](const ComputedValue& v) { values.push_back(v); });
        session.start();
    }
    // A frame of `input` arriving `ms` after the start.
    void frame(int input, char digit, int ms)
    {
        const QDateTime at = start.addMSecs(ms);
        clock.setNow(at);
        session.frameArrived(input, voltsFrame(digit), at);
    }
    FixedLocaleClock clock;
    QDateTime start = clock.now();
    MeterSession session;
    std::vector<ComputedValue> values;
};

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(MeterSession, InputsAreRefusedForTheirNameOrTheirPort)
{
    FixedLocaleClock clock;
    MeterSession session(clock, 6000);
    QString why;
    ASSERT_TRUE(session.addInput(QStringLiteral("u"), {QStringLiteral("COM1"), QStringLiteral("/dev/pts/3"), {}}, &why));
    ASSERT_TRUE(session.addInput(QStringLiteral("h"), {QStringLiteral("/dev/hidraw0"), {}, QStringLiteral("usb-1-2:1.0")}, &why));
    const struct {
        const char* name;
        MeterIdentity identity;
        bool taken;
        const char* note;
    } cases[] = {
        {"i", {"COM2", "/dev/pts/4", {}}, true, "another port"},
        {"f", {{}, {}, {}}, true, "a file is no port"},
        {"g", {{}, {}, {}}, true, "nor is a second file"},
        {"u", {"COM3", {}, {}}, false, "a name twice"},
        {"x", {"/dev/pts/3", {}, {}}, false, "the device COM1 leads to"},
        {"y", {"COM1", "/dev/pts/9", {}}, false, "the same port name"},
        {"z", {"/dev/hidraw7", {}, "usb-1-2:1.0"}, false, "the same place on the bus"},
        {"2u", {"COM4", {}, {}}, false, "not a plain name"},
        {"abs", {"COM4", {}, {}}, false, "a function's name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(session.addInput(QString::fromLatin1(c.name), c.identity, &why), c.taken) << c.note;
        if (!c.taken) {
            EXPECT_FALSE(why.isEmpty()) << c.note;
        }
    }
    EXPECT_EQ(session.inputCount(), 5);
}

TEST(MeterSession, EveryComputedValueNamesTheReadingsBeforeIt)
{
    SessionRun run;
    std::vector<std::pair<std::int64_t, double>> latest(2, {0, 0});   // per input: its number and value
    QObject::connect(&run.session, &MeterSession::readingShown, [&](int input, const Reading& r) {
        latest[std::size_t(input)] = {run.session.input(input).readings(), r.measurement.base};
    });
    const char digits[] = "4567890123";
    for (int k = 0; k < 10; ++k)
        run.frame(k % 3 == 2 ? 0 : k % 2, digits[k], 20 * k);   // u and i at their own pace
    ASSERT_EQ(run.values.size(), 10u) << "a value for every reading of either input";
    EXPECT_EQ(run.values.front().state, ComputedState::Stale) << "i had not read yet";
    for (std::size_t k = 1; k < run.values.size(); ++k) {
        const ComputedValue& v = run.values[k];
        ASSERT_EQ(v.inputs.size(), 2u);
        EXPECT_EQ(v.state, ComputedState::Valid) << k;
        EXPECT_DOUBLE_EQ(v.valueSi, v.inputs[0].valueSi * v.inputs[1].valueSi) << k;
    }
    // The last value's readings are the inputs' latest.
    for (std::size_t input = 0; input < 2; ++input) {
        EXPECT_EQ(run.values.back().inputs[input].no, latest[input].first);
        EXPECT_DOUBLE_EQ(run.values.back().inputs[input].valueSi, latest[input].second);
    }
    EXPECT_EQ(run.session.channel(0).table().rowCount(), 10) << "each value is a row of its channel";
}

TEST(MeterSession, ASilentMeterTurnsItsChannelsStaleAndSaysSo)
{
    SessionRun run;
    std::vector<LinkState> links;
    QObject::connect(&run.session, &MeterSession::linkStateChanged, [&](int input, LinkState s) {
        if (input == 1)
            links.push_back(s);
    });
    for (int k = 0; k < 6; ++k)
        run.frame(k % 2, char('1' + k), 50 * k);
    ASSERT_EQ(run.values.back().state, ComputedState::Valid);
    // i goes silent; u reads on between the ticks.
    for (int t = 1; t <= 20; ++t) {
        run.frame(0, char('0' + t % 10), 250 + 100 * t);
        run.session.tick();
    }
    ASSERT_EQ(run.values.back().state, ComputedState::Stale);
    EXPECT_EQ(run.values.back().cause, QStringLiteral("i"));
    EXPECT_EQ(run.session.input(1).linkState(), LinkState::Silent);
    EXPECT_EQ(links, (std::vector<LinkState>{LinkState::Reading, LinkState::Silent}));
    // Back again: the next reading makes a valid value.
    run.frame(1, '9', 2400);
    EXPECT_EQ(run.values.back().state, ComputedState::Valid);
    EXPECT_EQ(run.session.input(1).linkState(), LinkState::Reading);
}

TEST(MeterSession, EachChannelIsSavedAndGivenBackOnItsOwn)
{
    QTemporaryDir dir;
    const QString journals = dir.filePath(QStringLiteral("journal"));
    std::vector<std::int64_t> rows;
    {
        SessionRun run(journals);
        for (int k = 0; k < 7; ++k)
            run.frame(k % 2, char('0' + k), 30 * k);
        const std::vector<NamedTable> tables = sessionTables(run.session);
        for (const NamedTable& t : tables)
            rows.push_back(t.table->rowCount());
        EXPECT_EQ(rows, (std::vector<std::int64_t>{4, 3, 7}));

        // A table file per channel, one CSV with the channel, one wide CSV.
        ASSERT_TRUE(saveEachChannel(tables, dir.filePath(QStringLiteral("run.xls"))).ok);
        for (const char* name : {"run-u.xls", "run-i.xls", "run-p.xls"})
            EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromLatin1(name)))) << name;
        QString error;
        ASSERT_TRUE(saveChannelsCsv(tables, dir.filePath(QStringLiteral("all.csv")), &error)) << error.toStdString();
        const QStringList lines = fileText(dir.filePath(QStringLiteral("all.csv"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1 + 14);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("channel,no,timestamp,")));
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("u,1,"))) << "in the order they were logged";
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("p,1,"))) << "a value after the reading it was made from";
        ASSERT_TRUE(saveWideCsv(tables, 2, dir.filePath(QStringLiteral("wide.csv")), &error));
        const QStringList wide = fileText(dir.filePath(QStringLiteral("wide.csv"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(wide.size(), 1 + 7) << "a row per computed row";
        EXPECT_EQ(wide[0], QStringLiteral("timestamp,u,u_unit,i,i_unit,p,p_unit"));
        // The last reading of u (1236) and of i (1235) beside their product.
        EXPECT_TRUE(wide[7].endsWith(QStringLiteral(",1236,,1235,,1526460,"))) << wide[7].toStdString();
        // An event goes to the journal of the channel it names, an input's or a computed one.
        EXPECT_TRUE(run.session.addEvent({EventKind::Note, {}, QStringLiteral("u"), 0, {}, QStringLiteral("fan on")}));
        EXPECT_TRUE(run.session.addEvent({EventKind::AlarmRaised, {}, QStringLiteral("p"), 0, QStringLiteral("p > 1"), {}}));
        EXPECT_FALSE(run.session.addEvent({EventKind::Note, {}, QStringLiteral("x"), 0, {}, {}})) << "no such channel";
        run.session.flushJournals();
        // The session ends without a save (a kill): the journals stay.
    }
    std::vector<LeftChannelJournal> left = MeterSession::leftChannelJournals(journals, QStringLiteral("window"));
    ASSERT_EQ(left.size(), 3u);
    SessionRun next(journals);
    QStringList announced;
    QObject::connect(&next.session, &MeterSession::eventAdded,
                     [&](const QString& channel, const RecordEvent& e) { announced << channel + ':' + QString::number(e.row); });
    for (LeftChannelJournal& l : left)
        EXPECT_TRUE(next.session.restoreChannel(std::move(l)));
    announced.sort();
    EXPECT_EQ(announced, (QStringList{"p:7", "u:4"})) << "each at its channel's last row";
    ASSERT_EQ(next.session.input(0).pipeline().events().size(), 1u);
    EXPECT_EQ(next.session.input(0).pipeline().events().at(0).text, "fan on");
    EXPECT_TRUE(next.session.input(1).pipeline().events().empty());
    const std::vector<NamedTable> tables = sessionTables(next.session);
    for (std::size_t k = 0; k < tables.size(); ++k)
        EXPECT_EQ(tables[k].table->rowCount(), rows[k]) << tables[k].channel.toStdString();
    EXPECT_TRUE(MeterSession::leftChannelJournals(journals, QStringLiteral("window")).empty())
        << "the journals are this session's now";
}

TEST(MeterSession, TheWideCsvHoldsTheReadingsEachValueWasMadeFrom)
{
    const struct {
        std::vector<std::pair<int, int>> frames;   // input, ms after the start
        bool repeats;                               // false: a reading equal to the last row is not logged
        const char* note;
    } cases[] = {
        {{{0, 0}, {1, 10}, {0, 20}, {1, 30}}, true, "a millisecond each"},
        {{{0, 0}, {1, 0}, {0, 0}}, true, "a second reading of u in the millisecond of the value before"},
        {{{1, 5}, {0, 5}, {1, 5}, {0, 5}, {0, 5}}, true, "every reading in one millisecond"},
        {{{0, 0}, {1, 0}, {0, 0}, {0, 0}}, false, "a repeat not logged stands for the row it repeats"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SessionRun run;
        run.session.input(0).pipeline().logger().setRepeatSet(c.repeats);
        int digit = 0;
        for (const auto& [input, ms] : c.frames)
            run.frame(input, char('1' + (c.repeats ? digit++ % 9 : 0)), ms);
        const QString file = dir.filePath(QStringLiteral("wide.csv"));
        QString error;
        ASSERT_TRUE(saveWideCsv(sessionTables(run.session), 2, file, &error)) << c.note;
        const QStringList lines = fileText(file).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 1 + run.session.channel(0).table().rowCount()) << c.note;
        int products = 0;
        for (const QString& line : lines.mid(1)) {
            const QStringList f = line.split(QLatin1Char(','));   // timestamp, u, unit, i, unit, p, unit
            ASSERT_EQ(f.size(), 7) << c.note;
            if (f[3].isEmpty())
                continue;   // i had not read: p is stale
            EXPECT_EQ(f[5].toDouble(), f[1].toDouble() * f[3].toDouble()) << c.note << ": " << line.toStdString();
            ++products;
        }
        EXPECT_GT(products, 0) << c.note;
    }
}
