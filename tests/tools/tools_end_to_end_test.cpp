// meter-sim and meter-read as separate programs: over a pipe, from a file, and over a
// pseudo-terminal published in a private runtime folder.
#include "log/journal/record_journal.h"
#include "support/wait_for.h"
#include "tools/meter-sim/meter_scenario.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <cerrno>
#include <sys/resource.h>
#include <sys/stat.h>
#include <cstring>
#include <functional>
#include <map>
#include <unistd.h>
#include <stdlib.h>
#include <fcntl.h>

namespace {

const QString kSim = QStringLiteral(METER_BIN_DIR "/meter-sim");
const QString kRead = QStringLiteral(METER_BIN_DIR "/meter-read");

QStringList outputLines(const QByteArray& out)
{
    return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The columns that the scenario claims: ValueText, FunctionText, UnitText, RangeModeText, range.
void expectLineShows(const QString& line, const ScenarioFrame& claim)
{
    const QStringList cols = line.split(QLatin1Char('\t'));
    ASSERT_EQ(cols.size(), 11) << line.toStdString();
    EXPECT_EQ(cols[0], claim.display);
    EXPECT_EQ(cols[3], claim.functionText);
    EXPECT_EQ(cols[4], claim.unitText);
    EXPECT_EQ(cols[5], claim.rangeModeText);
    EXPECT_EQ(cols[6], claim.rangeName);
    EXPECT_NEAR(cols[2].toDouble(), claim.readingValue, 1e-9);
}

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// `outputFile`, when given, takes standard output instead of the pipe (/dev/full).
ToolRun runReader(const QStringList& args, const QByteArray& input = {}, const QString& outputFile = {},
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess reader;
    if (!outputFile.isEmpty())
        reader.setStandardOutputFile(outputFile);
    reader.setProcessEnvironment(env);
    reader.start(kRead, args);
    reader.waitForStarted(5000);
    if (!input.isEmpty())
        reader.write(input);
    reader.closeWriteChannel();
    reader.waitForFinished(10000);
    return {reader.exitStatus() == QProcess::NormalExit ? reader.exitCode() : -1, reader.readAllStandardOutput(),
            reader.readAllStandardError()};
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

// The virtual meter publishing COMn in a private runtime folder, and the environment in which
// the reader finds it there.
struct PublishedMeter {
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess sim;
    QString link;

    bool start(const QString& port, int rate)
    {
        if (!runtime.isValid())
            return false;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        link = runtime.filePath(QStringLiteral("meter-logger/") + port);
        sim.setProcessEnvironment(env);
        sim.start(kSim, {QStringLiteral("--port"), port, QStringLiteral("--rate"), QString::number(rate)});
        return sim.waitForStarted(5000) && waitUntil([&] { return QFileInfo(link).isSymLink(); }, 5000);
    }
    bool startReader(QProcess& reader, const QStringList& args)
    {
        reader.setProcessEnvironment(env);
        reader.start(kRead, args);
        return reader.waitForStarted(5000);
    }
};

// What a running process prints until it has printed `lines` lines, ended, or the time is up.
// The rows a live journal has committed; 0 while it cannot be read.
std::int64_t committedRows(const QString& path)
{
    sqlite3* db = nullptr;
    std::int64_t rows = 0;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* count = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM logged_row", -1, &count, nullptr) == SQLITE_OK
            && sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
    }
    sqlite3_close(db);
    return rows;
}

QByteArray outputUntil(QProcess& process, int lines, int timeoutMs)
{
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (outputLines(out).size() < lines && !deadline.hasExpired() && process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    return out;
}

} // namespace

TEST(ToolsEndToEnd, SimulatorPipedIntoReaderDecodesAllButTheFirstFrame)
{
    const int count = 40;
    QProcess sim;
    QProcess reader;
    sim.setStandardOutputProcess(&reader);
    sim.start(kSim, {QStringLiteral("--stdout"), QStringLiteral("--count"), QString::number(count),
                     QStringLiteral("--rate"), QStringLiteral("1000")});
    reader.start(kRead, {QStringLiteral("-")});
    ASSERT_TRUE(sim.waitForFinished(10000));
    ASSERT_TRUE(reader.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_EQ(reader.exitCode(), 0);
    EXPECT_TRUE(reader.readAllStandardError().isEmpty());

    const QStringList lines = outputLines(reader.readAllStandardOutput());
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    ASSERT_EQ(lines.size(), count - 1);
    for (int k = 0; k < lines.size(); ++k) {
        SCOPED_TRACE("line " + std::to_string(k + 1));
        expectLineShows(lines[k], scenario[size_t(k + 1) % scenario.size()]);
    }
}

TEST(ToolsEndToEnd, ReaderReportsABadFrameOnStandardErrorAndGoesOn)
{
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    QByteArray bytes("\n");   // a byte in front, so the first frame counts too
    for (int i = 0; i < 5; ++i) {
        QByteArray frame = scenario[size_t(i)].bytes;
        if (i == 2)
            frame[6] = 0x3A;   // its point code reads as "A"
        bytes += frame;
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("capture.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const ToolRun fromFile = runReader({QStringLiteral("--decimal-separator"), QStringLiteral(","), path});
    EXPECT_EQ(fromFile.exitCode, 0);
    EXPECT_EQ(fromFile.err, QByteArray("'A' is not a valid integer value\n"));
    const QStringList lines = outputLines(fromFile.out);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1,234\t1234\t1.234\t"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QString(scenario[3].display).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char('\t')));

    // The same bytes on standard input give the same lines.
    const ToolRun fromStdin = runReader({QStringLiteral("--decimal-separator"), QStringLiteral(","), QStringLiteral("-")}, bytes);
    EXPECT_EQ(fromStdin.out, fromFile.out);
}

TEST(ToolsEndToEnd, ReaderFailuresSayWhy)
{
    const ToolRun noFile = runReader({QStringLiteral("/nonexistent/capture.bin")});
    EXPECT_EQ(noFile.exitCode, 1);
    EXPECT_TRUE(noFile.err.contains("cannot open /nonexistent/capture.bin")) << noFile.err.toStdString();

    const ToolRun noPort = runReader({QStringLiteral("--port"), QStringLiteral("/nonexistent/tty")});
    EXPECT_EQ(noPort.exitCode, 1);
    EXPECT_TRUE(noPort.err.startsWith("meter-read: could not open /nonexistent/tty: ")) << noPort.err.toStdString();
    EXPECT_GT(noPort.err.size(), qsizetype(strlen("meter-read: could not open /nonexistent/tty: \n")));

    // Inputs that decode nothing say so. One whole frame is no reading: the byte after a
    // frame's end is dropped, so the first frame of an input is never decoded.
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    const ToolRun oneFrame = runReader({QStringLiteral("-")}, scenario[0].bytes);
    EXPECT_EQ(oneFrame.exitCode, 0);
    EXPECT_TRUE(oneFrame.out.isEmpty());
    EXPECT_TRUE(oneFrame.err.contains("the input ended without a decoded frame; the first frame")) << oneFrame.err.toStdString();
    const ToolRun openReport = runReader({QStringLiteral("--usb-reports"), QStringLiteral("-")}, "00 F7 2B 31 32 33 34 20 31\n");
    EXPECT_TRUE(openReport.out.isEmpty());
    EXPECT_TRUE(openReport.err.contains("the input ended inside a frame: 7 serial bytes")) << openReport.err.toStdString();
    const ToolRun endedReports = runReader({QStringLiteral("--usb-reports"), QStringLiteral("-")},
                                           "00 F7 2B 31 32 33 34 20 31\n00 F7 30 00 00 80 00 0D 0A\n00 F0\n");
    EXPECT_TRUE(endedReports.out.startsWith("1.234\t1234\t1.234\tDC\tV\t")) << endedReports.out.toStdString();
    EXPECT_TRUE(endedReports.err.isEmpty()) << endedReports.err.toStdString();

    const ToolRun usage = runReader({QStringLiteral("--baud"), QStringLiteral("12")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("usage: meter-read")) << usage.err.toStdString();
}

TEST(ToolsEndToEnd, SimulatorPublishesComNAndTheReaderReadsIt)
{
    PublishedMeter meter;
    ASSERT_TRUE(meter.start(QStringLiteral("COM2"), 50)) << meter.sim.readAllStandardError().toStdString();
    QProcess& sim = meter.sim;
    const QString& link = meter.link;
    QProcess reader;
    ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("--end-at-hangup")}));
    QByteArray out = outputUntil(reader, 6, 8000);

    // The meter goes away: the simulator removes its link, the reader notices and, as asked,
    // ends.
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    if (!reader.waitForFinished(5000)) {
        reader.kill();
        reader.waitForFinished(2000);
        FAIL() << "the reader did not notice that the port went away";
    }
    out += reader.readAllStandardOutput();
    EXPECT_EQ(reader.exitCode(), 1);
    EXPECT_TRUE(reader.readAllStandardError().contains("COM2 went away"));

    // Every line is a reading of the scenario, in the scenario's order.
    const QStringList lines = outputLines(out);
    ASSERT_GE(lines.size(), 6);
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    const QString firstValue = lines[0].section(QLatin1Char('\t'), 0, 0);
    size_t start = 0;
    while (start < scenario.size() && (scenario[start].display != firstValue))
        ++start;
    ASSERT_LT(start, scenario.size()) << lines[0].toStdString();
    // Equal displays can recur; try each place the first line could have come from.
    bool matched = false;
    for (size_t s = start; s < scenario.size() && !matched; ++s) {
        matched = true;
        for (int k = 0; k < lines.size() && matched; ++k) {
            const ScenarioFrame& claim = scenario[(s + size_t(k)) % scenario.size()];
            const QStringList cols = lines[k].split(QLatin1Char('\t'));
            matched = cols.size() == 11 && cols[0] == claim.display && cols[3] == claim.functionText
                      && cols[4] == claim.unitText && cols[6] == claim.rangeName;
        }
    }
    EXPECT_TRUE(matched) << out.toStdString();
}

namespace {

QString writeTempFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

// The scenario's first frames as the meter sends them, with a byte in front so the first counts.
QByteArray scenarioBytes(int frames)
{
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    QByteArray bytes("\n");
    for (int i = 0; i < frames; ++i)
        bytes += scenario[size_t(i) % scenario.size()].bytes;
    return bytes;
}

} // namespace

TEST(ToolsEndToEnd, LoggedRowsAreSavedAndLoadBackAsTheSameLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString capture = writeTempFile(dir, "capture.bin", scenarioBytes(12));
    const QString xml = dir.filePath(QStringLiteral("run.xml"));
    const QString text = dir.filePath(QStringLiteral("run.xls"));

    const ToolRun logged = runReader({QStringLiteral("--log"), QStringLiteral("--limit"), QStringLiteral("8"),
                                      QStringLiteral("--high"), QStringLiteral("5"), QStringLiteral("--save"), xml, capture});
    EXPECT_EQ(logged.exitCode, 0) << logged.err.toStdString();
    EXPECT_EQ(logged.err, ("meter-read: Save table to specified file: " + xml + " Scuss!\n").toLocal8Bit());
    const QStringList rows = outputLines(logged.out);
    ASSERT_EQ(rows.size(), 8) << "the record limit stops the log";
    const std::vector<ScenarioFrame> scenario = defaultScenario();
    for (int k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(rows[k].toStdString());
        const QStringList cols = rows[k].split(QLatin1Char('\t'));
        ASSERT_EQ(cols.size(), 6);
        EXPECT_EQ(cols[0], QString::number(k + 1));
        EXPECT_EQ(cols[2], scenario[size_t(k)].functionText);
        EXPECT_EQ(cols[3], scenario[size_t(k)].display);
        bool number = false;
        const double shown = scenario[size_t(k)].display.toDouble(&number);
        if (number) {   // the judge compares what the display shows with the limits 5 and -6000
            EXPECT_EQ(cols[5], shown <= 5 ? QStringLiteral("pass") : QStringLiteral("Fail"));
        }
    }

    // The XML packet prints the same rows, and converts to text that prints them again.
    const ToolRun fromXml = runReader({QStringLiteral("--load"), xml, QStringLiteral("--save"), text});
    EXPECT_EQ(fromXml.exitCode, 0) << fromXml.err.toStdString();
    EXPECT_EQ(fromXml.out, logged.out);
    const ToolRun fromText = runReader({QStringLiteral("--load"), text});
    EXPECT_EQ(fromText.exitCode, 0);
    EXPECT_EQ(fromText.out, logged.out);
    // --rows picks the rows by their number, loaded or logged (the time of day aside).
    const auto withoutTime = [](QStringList lines) {
        for (QString& line : lines)
            line = line.section(QLatin1Char('\t'), 0, 0) + line.section(QLatin1Char('\t'), 2);
        return lines;
    };
    for (const QStringList& args :
         {QStringList{QStringLiteral("--load"), xml},
          QStringList{QStringLiteral("--log"), QStringLiteral("--high"), QStringLiteral("5"), capture}}) {
        const ToolRun picked = runReader(args + QStringList{QStringLiteral("--rows"), QStringLiteral("3-5")});
        EXPECT_EQ(picked.exitCode, 0) << picked.err.toStdString();
        EXPECT_EQ(withoutTime(outputLines(picked.out)), withoutTime(rows.mid(2, 3)))
            << args.join(QLatin1Char(' ')).toStdString();
    }

    // Rows streamed as CSV are the CSV file saved at the end, header and line ends included.
    const QString csv = dir.filePath(QStringLiteral("run.csv"));
    const ToolRun asCsv = runReader({QStringLiteral("--log"), QStringLiteral("--limit"), QStringLiteral("8"),
                                     QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--save"), csv,
                                     capture});
    EXPECT_EQ(asCsv.exitCode, 0) << asCsv.err.toStdString();
    EXPECT_TRUE(asCsv.out.startsWith("no,timestamp,time,function,value,unit,value_si,si_unit,range,judge,display\r\n"));
    EXPECT_EQ(asCsv.out.count("\r\n"), 9);
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), asCsv.out);

    // Readings as JSON Lines: one object a line, with the indicators shown.
    const ToolRun asJson = runReader({QStringLiteral("--format"), QStringLiteral("jsonl"), capture});
    EXPECT_EQ(asJson.exitCode, 0);
    const QStringList objects = outputLines(asJson.out);
    ASSERT_EQ(objects.size(), 12);
    for (int k = 0; k < objects.size(); ++k) {
        const QJsonObject o = QJsonDocument::fromJson(objects[k].toUtf8()).object();
        EXPECT_EQ(o.value(QStringLiteral("display")).toString(), scenario[size_t(k)].display) << k;
        EXPECT_TRUE(o.value(QStringLiteral("indicators")).isArray()) << objects[k].toStdString();
    }

    // The summary of the loaded packet counts its rows, group by group, without time stamps;
    // the same log summed as it is logged carries them.
    const QStringList firstThree{QStringLiteral("--rows"), QStringLiteral("1-3")};
    for (const QStringList& args : {QStringList{QStringLiteral("--load"), xml},
                                    QStringList{QStringLiteral("--log"), QStringLiteral("--limit"), QStringLiteral("8"), capture},
                                    QStringList{QStringLiteral("--load"), xml} + firstThree,
                                    QStringList{QStringLiteral("--log"), QStringLiteral("--limit"), QStringLiteral("8"), capture} + firstThree}) {
        const ToolRun summary = runReader(args + QStringList{QStringLiteral("--summary"), QStringLiteral("--format"),
                                                             QStringLiteral("jsonl")});
        EXPECT_EQ(summary.exitCode, 0) << summary.err.toStdString();
        int counted = 0;
        for (const QString& line : outputLines(summary.out)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            counted += o.value(QStringLiteral("rows")).toInt();
            EXPECT_EQ(o.value(QStringLiteral("first")).isNull(), args.contains(xml)) << line.toStdString();
            EXPECT_EQ(o.keys().size(), 10) << line.toStdString();
        }
        EXPECT_EQ(counted, args.contains(QStringLiteral("--rows")) ? 3 : 8);
    }
}

TEST(ToolsEndToEnd, UsbReportCaptureDecodesLikeTheSerialBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray bytes = scenarioBytes(6);
    const ToolRun serial = runReader({writeTempFile(dir, "capture.bin", bytes)});

    // Each frame in two reports of seven bytes and an empty report that ends the burst.
    QByteArray capture("# adapter capture\n");
    for (qsizetype at = 1; at + kMeterFrameSize <= bytes.size(); at += kMeterFrameSize) {
        for (int half = 0; half < 2; ++half) {
            capture += "00 F7";
            for (int i = 0; i < 7; ++i)
                capture += ' ' + bytes.mid(at + half * 7 + i, 1).toHex().toUpper();
            capture += '\n';
        }
        capture += (at == 1 ? "00 F0 zz\n" : "00 F0 00 00 00 00 00 00 00\n");
        if (at == 1)
            capture += "00 F0\n";   // the malformed line is skipped, this one ends the burst
    }
    const ToolRun usb = runReader({QStringLiteral("--usb-reports"), QStringLiteral("-")}, capture);
    EXPECT_EQ(usb.exitCode, 0);
    EXPECT_EQ(usb.out, serial.out);
    EXPECT_EQ(outputLines(usb.out).size(), 6) << "over USB the first frame counts too";
    EXPECT_TRUE(usb.err.startsWith("meter-read: line 4: 'zz' is not a hex byte")) << usb.err.toStdString();
}

TEST(ToolsEndToEnd, RowsOfSeveralMetersAreEachChannelsOwnNumbers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    const QString frames = writeTempFile(dir, "frames.bin", scenarioBytes(12));
    const QStringList session{QStringLiteral("--input"), QStringLiteral("u=") + frames, QStringLiteral("--input"),
                              QStringLiteral("i=") + frames, QStringLiteral("--calc"), QStringLiteral("p=u*i"),
                              QStringLiteral("--log"), QStringLiteral("--format"), QStringLiteral("jsonl")};
    // Per channel: the numbers printed, or a 0 for each row a summary counts.
    const auto perChannel = [](const ToolRun& run) {
        std::map<QString, std::vector<qint64>> seen;
        for (const QString& line : outputLines(run.out)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            std::vector<qint64>& of = seen[o.value(QStringLiteral("channel")).toString()];
            of.insert(of.end(), o.contains(QStringLiteral("rows")) ? o.value(QStringLiteral("rows")).toInteger() : 1,
                      o.value(QStringLiteral("no")).toInteger());
        }
        return seen;
    };
    const std::map<QString, std::vector<qint64>> every = perChannel(runReader(session, {}, {}, env));
    ASSERT_EQ(every.at(QStringLiteral("u")).size(), 12u);
    ASSERT_GT(every.at(QStringLiteral("p")).size(), 12u) << "a value at each reading of either input";
    const struct {
        qint64 first, last;
        bool summary;
        const char* why;
    } cases[] = {
        {3, 5, false, "the same numbers of every channel's table"},
        {10, 15, false, "past the inputs' rows: they print fewer, p prints all six"},
        {3, 5, true, "summed up per channel"},
        {100, 200, true, "past every table: no channel has a line, as a single table has none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QStringList args = session + QStringList{QStringLiteral("--rows"), QStringLiteral("%1-%2").arg(c.first).arg(c.last)};
        const ToolRun run = runReader(c.summary ? args << QStringLiteral("--summary") : args, {}, {}, env);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        std::map<QString, std::vector<qint64>> seen = perChannel(run);
        for (const auto& [channel, numbers] : every) {
            std::vector<qint64> expected;
            for (const qint64 no : numbers)
                if (no >= c.first && no <= c.last)
                    expected.push_back(c.summary ? 0 : no);
            EXPECT_EQ(seen[channel], expected) << channel.toStdString() << ": " << run.out.toStdString();
        }
    }
    // The rows the journals kept (the output failed), picked the same way.
    EXPECT_EQ(runReader(session, {}, QStringLiteral("/dev/full"), env).exitCode, 1);
    const std::map<QString, std::vector<qint64>> kept = perChannel(runReader(
        {QStringLiteral("--recover"), QStringLiteral("--rows"), QStringLiteral("3-5"), QStringLiteral("--format"), QStringLiteral("jsonl")},
        {}, {}, env));
    EXPECT_EQ(kept.size(), 3u);
    for (const auto& [channel, numbers] : kept)
        EXPECT_EQ(numbers, (std::vector<qint64>{3, 4, 5})) << channel.toStdString();
}

TEST(ToolsEndToEnd, ABrokenTableFileIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString broken = writeTempFile(dir, "broken.xml", "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA>");
    const ToolRun run = runReader({QStringLiteral("--load"), broken});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err, ("meter-read: " + broken + ": Failed to Load File! (the packet is cut short)\n").toLocal8Bit());
}

TEST(ToolsEndToEnd, SamplingReaderStoppedByCtrlCSavesWhatItPrinted)
{
    PublishedMeter meter;
    ASSERT_TRUE(meter.start(QStringLiteral("COM3"), 20));
    QProcess& sim = meter.sim;
    const QString saved = meter.runtime.filePath(QStringLiteral("sampled.xls"));
    QProcess reader;
    ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM3"), QStringLiteral("--log"),
                                           QStringLiteral("--interval"), QStringLiteral("1"), QStringLiteral("--save"), saved}));
    QByteArray out = outputUntil(reader, 2, 8000);
    ::kill(pid_t(reader.processId()), SIGINT);
    const bool ended = reader.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished(5000);
    ASSERT_TRUE(ended) << "Ctrl+C did not end the reader";
    out += reader.readAllStandardOutput();
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();

    // One row a second although twenty readings a second arrive, numbered on.
    const QStringList rows = outputLines(out);
    ASSERT_GE(rows.size(), 2);
    EXPECT_LE(rows.size(), 4);
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("1\t")));
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("2\t")));
    const ToolRun loaded = runReader({QStringLiteral("--load"), saved});
    EXPECT_EQ(loaded.out, out) << "the file holds every row printed";
}

TEST(ToolsEndToEnd, HangUpAndAClosedOutputStillSave)
{
    // The meter's side hangs up after its last frame: that frame is still read and printed.
    {
        PublishedMeter meter;
        const int count = 30;
        meter.runtime.setAutoRemove(true);
        ASSERT_TRUE(meter.runtime.isValid());
        meter.env.insert(QStringLiteral("XDG_RUNTIME_DIR"), meter.runtime.path());
        meter.link = meter.runtime.filePath(QStringLiteral("meter-logger/COM6"));
        meter.sim.setProcessEnvironment(meter.env);
        meter.sim.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM6"), QStringLiteral("--rate"),
                               QStringLiteral("10"), QStringLiteral("--count"), QString::number(count)});
        ASSERT_TRUE(waitUntil([&] { return QFileInfo(meter.link).isSymLink(); }, 5000));
        QProcess reader;
        ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM6"),
                                               QStringLiteral("--end-at-hangup")}));
        ASSERT_TRUE(reader.waitForFinished(15000));
        meter.sim.waitForFinished(5000);
        const QStringList lines = outputLines(reader.readAllStandardOutput());
        ASSERT_FALSE(lines.isEmpty());
        const std::vector<ScenarioFrame> scenario = defaultScenario();
        EXPECT_EQ(lines.last().section(QLatin1Char('\t'), 0, 0), scenario[size_t(count - 1) % scenario.size()].display)
            << "the last frame before the hang-up is lost";
    }

    // A hang-up ends a port reading as Ctrl+C does: the log is saved.
    PublishedMeter meter;
    ASSERT_TRUE(meter.start(QStringLiteral("COM4"), 50));
    const QString saved = meter.runtime.filePath(QStringLiteral("hangup.xml"));
    QProcess reader;
    ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM4"), QStringLiteral("--log"),
                                           QStringLiteral("--save"), saved}));
    const QByteArray out = outputUntil(reader, 3, 8000);
    ::kill(pid_t(reader.processId()), SIGHUP);
    const bool ended = reader.waitForFinished(5000);
    meter.sim.terminate();
    meter.sim.waitForFinished(5000);
    ASSERT_TRUE(ended);
    EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit) << "SIGHUP killed the reader";
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const ToolRun loaded = runReader({QStringLiteral("--load"), saved});
    EXPECT_GE(outputLines(loaded.out).size(), outputLines(out).size());

    // A reader of the printed rows that goes away ends the printing, not the log: every row
    // is saved, more than the pipe could hold.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString capture = writeTempFile(dir, "capture.bin", scenarioBytes(3000));
    const QString table = dir.filePath(QStringLiteral("piped.xls"));
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("\"$0\" --log --limit limitless --save \"$1\" \"$2\" | head -n 1"),
                 kRead, table, capture});
    ASSERT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(outputLines(shell.readAllStandardOutput()).size(), 1);
    const QByteArray err = shell.readAllStandardError();
    EXPECT_TRUE(err.contains("standard output closed")) << err.toStdString();
    EXPECT_TRUE(err.contains("Scuss!")) << err.toStdString();
    const ToolRun all = runReader({QStringLiteral("--load"), table});
    EXPECT_EQ(outputLines(all.out).size(), 3000);

    // Past a file-size limit (ulimit -f) a write fails and says so; the limit kills nothing.
    const QString big = writeTempFile(dir, "big.bin", scenarioBytes(30000));
    QProcess limited;
    limited.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("ulimit -f 200; exec \"$0\" --log --limit limitless --save \"$1\" \"$2\" >/dev/null"),
                   kRead, dir.filePath(QStringLiteral("limited.xls")), big});
    ASSERT_TRUE(limited.waitForFinished(20000));
    EXPECT_EQ(limited.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(limited.exitCode(), 1) << "SIGXFSZ ends it with 128 + 25 when not ignored";
    EXPECT_TRUE(limited.readAllStandardError().contains("File too large"));
}

TEST(ToolsEndToEnd, RefusalsAndEndsSayWhatHappened)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString capture = writeTempFile(dir, "capture.bin", scenarioBytes(12));
    static const char nulRow[] = "h\r\n1\tt\tDC\t1\0" "5\tV\tpass\r\n";
    const QString nul = writeTempFile(dir, "nul.xls", QByteArray(nulRow, sizeof nulRow - 1));
    const QString kept = writeTempFile(dir, "kept.xls", "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\tt\tDC\t1\tV\tpass\r\n");
    const QString sampled = dir.filePath(QStringLiteral("sampled.xls"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.xls"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString full = QStringLiteral("/dev/full");
    const struct {
        QStringList args;
        int exitCode;
        const char* err;    // what standard error must hold
        const char* out;    // standard output exactly, when not null
        QString outputFile = {};   // standard output goes there instead
    } cases[] = {
        {{"--port", "ttyNOPE9"}, 1, "could not open ttyNOPE9 (/dev/ttyNOPE9): ", nullptr},
        {{"--port", "COM0"}, 2, "COM0 is not a port name", nullptr},
        {{"-x", capture}, 2, "unknown option -x", nullptr},
        {{"--load", dir.filePath("missing.xls")}, 1, "Failed to Load File! (No such file or directory)", ""},
        {{"--load", dir.path() + "/"}, 1, "Failed to Load File! (", ""},
        {{"--load", "/dev/zero"}, 1, "Failed to Load File! (it is a character device, not a file)", ""},
        {{"--load", fifo}, 1, "Failed to Load File! (it is a named pipe (FIFO), not a file)", ""},   // no writer: never blocks
        {{"--load", kept}, 1, "cannot write to standard output: No space left on device", nullptr, full},
        {{"--summary", capture}, 1, "cannot write to standard output: No space left on device", nullptr, full},
        {{"--load", nul}, 0, "", "1\tt\tDC\t\"1 5\"\tV\tpass\n"},
        {{"--save", sampled, "--interval", "1", capture}, 0, "Scuss!", nullptr},
        {{"--save", kept, "--interval", "1", "/dev/null"}, 1, "no rows to save; " , ""},
    };
    for (const auto& c : cases) {
        const ToolRun run = runReader(c.args, {}, c.outputFile);
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString() + "\n" + run.err.toStdString());
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(c.err));
        if (c.out) {
            EXPECT_EQ(run.out, QByteArray(c.out));
        }
    }
    // A full disk under the printed rows is a failure, not an end: every frame is still read and
    // logged, and the journal stays for --recover because the rows did not reach their file.
    QTemporaryDir data;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    const ToolRun logged = runReader({QStringLiteral("--log"), capture}, {}, full, env);
    EXPECT_EQ(logged.exitCode, 1) << logged.err.toStdString();
    EXPECT_EQ(logged.err.count("No space left on device"), 1) << logged.err.toStdString();
    EXPECT_FALSE(logged.err.contains("standard output closed"));
    const ToolRun recovered = runReader({QStringLiteral("--recover")}, {}, {}, env);
    EXPECT_EQ(outputLines(recovered.out).size(), 12) << recovered.err.toStdString();

    // Input that ends before the first sampling tick still logs its latest reading, and an
    // empty log leaves an existing file alone.
    EXPECT_EQ(outputLines(runReader({QStringLiteral("--load"), sampled}).out).size(), 1);
    EXPECT_EQ(outputLines(runReader({QStringLiteral("--load"), kept}).out).size(), 1);

    // An XML save that runs out of room gives the system's reason.
    const QString big = dir.filePath(QStringLiteral("big.xls"));
    ASSERT_EQ(runReader({QStringLiteral("--log"), QStringLiteral("--save"), big, writeTempFile(dir, "long.bin", scenarioBytes(3000))})
                  .exitCode, 0);
    QProcess limited;
    limited.setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    limited.start(kRead, {QStringLiteral("--load"), big, QStringLiteral("--save"), dir.filePath(QStringLiteral("big.xml"))});
    ASSERT_TRUE(limited.waitForFinished(10000));
    EXPECT_EQ(limited.exitCode(), 1);
    EXPECT_TRUE(limited.readAllStandardError().contains(QByteArray("big.xml\". ") + std::strerror(EFBIG)));

    // A port another reader holds is said to be in use.
    PublishedMeter meter;
    ASSERT_TRUE(meter.start(QStringLiteral("COM5"), 20));
    QProcess first;
    ASSERT_TRUE(meter.startReader(first, {QStringLiteral("--port"), QStringLiteral("COM5")}));
    outputUntil(first, 1, 8000);
    QProcess second;
    ASSERT_TRUE(meter.startReader(second, {QStringLiteral("--port"), QStringLiteral("COM5")}));
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("in use by another program"));
    first.terminate();
    first.waitForFinished(5000);
    meter.sim.terminate();
    meter.sim.waitForFinished(5000);
}

TEST(ToolsEndToEnd, AKilledLoggersRowsComeBackWithRecover)
{
    PublishedMeter meter;
    QTemporaryDir data;
    meter.env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    const ToolRun none = [&] {
        QProcess p;
        p.setProcessEnvironment(meter.env);
        p.start(kRead, {QStringLiteral("--recover")});
        p.waitForFinished(10000);
        return ToolRun{p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }();
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(none.err.startsWith("meter-read: no session left unsaved rows")) << none.err.toStdString();

    ASSERT_TRUE(meter.start(QStringLiteral("COM2"), 200));
    QProcess reader;
    ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("--log")}));
    // Past the virtual meter's kilohertz readings (its 12th display), which must come back as kHz.
    QByteArray out = outputUntil(reader, 60, 8000);
    out += reader.readAllStandardOutput();
    // The journal commits at least once a second: killed once it holds every row printed so far.
    // Its own reader leaves a journal alone while its logger lives, so the rows are counted here.
    const QString journals = data.filePath(QStringLiteral("meter-logger/journal"));
    const auto journalledRows = [&] {
        const QStringList files = QDir(journals).entryList({QStringLiteral("journal-*.sqlite")}, QDir::Files);
        return files.size() == 1 ? committedRows(journals + '/' + files.front()) : 0;
    };
    const std::int64_t printedRows = outputLines(out).size();
    EXPECT_TRUE(waitFor([&] { return journalledRows() >= printedRows; }, 10000)) << "rows printed but never journalled";
    ::kill(pid_t(reader.processId()), SIGKILL);
    reader.waitForFinished(5000);
    meter.sim.terminate();
    meter.sim.waitForFinished(5000);
    const QStringList printed = outputLines(out);
    ASSERT_GE(printed.size(), 60);
    ASSERT_TRUE(printed.join('\n').contains(QStringLiteral("\tkHz\t")));

    const QString saved = data.filePath(QStringLiteral("recovered.txt"));
    for (const QStringList& args : {QStringList{"--recover"}, QStringList{"--recover", "--save", saved}}) {
        QProcess p;
        p.setProcessEnvironment(meter.env);
        p.start(kRead, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
        const QStringList recovered = outputLines(p.readAllStandardOutput());
        if (args.contains("--save")) {
            EXPECT_TRUE(recovered.isEmpty()) << "printed or saved, not both";
            continue;
        }
        ASSERT_GE(recovered.size(), printed.size()) << "and the journal stays until it is dealt with";
        EXPECT_EQ(recovered.mid(0, printed.size()), printed) << "the rows as --log printed them";
    }
    EXPECT_TRUE(runReader({QStringLiteral("--load"), saved}).out.startsWith(out));
}

// Journals left with events among their rows, one meter's and a session's channels': --recover
// prints each event at its row in every format, and the CSV rows leave the event column empty.
TEST(ToolsEndToEnd, RecoverPrintsTheEventsAtTheirRows)
{
    QTemporaryDir data, sessionData;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    QProcessEnvironment sessionEnv = env;
    sessionEnv.insert(QStringLiteral("XDG_DATA_HOME"), sessionData.path());
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 30, 5, 250), Qt::OffsetFromUTC, 3600);
    {
        RecordJournal::Options o;
        o.folder = data.filePath(QStringLiteral("meter-logger/journal"));
        o.kind = QStringLiteral("meter-read");
        o.now = [at] { return at; };
        RecordJournal journal(o);
        journal.appendEvent({EventKind::Note, at, {}, 0, {}, QStringLiteral("before\tthe rows")});
        for (qint32 no = 1; no <= 3; ++no) {
            journal.rowLogged({no, QStringLiteral("09:30:0%1").arg(no), QStringLiteral("DC"), QStringLiteral("1.00%1").arg(no),
                               QStringLiteral("V"), {}, {}, at.addSecs(no), {}, {}, {}});
            if (no == 2)
                journal.appendEvent({EventKind::AlarmRaised, at.addSecs(2), QStringLiteral("u"), 2,
                                     QStringLiteral("u > 5"), QStringLiteral("12.6 V")});
        }
        ASSERT_TRUE(journal.flush());
    }   // ends holding rows: left for --recover
    // A session's two channels, each in a journal of its own, an alarm among u's rows.
    for (const char* channel : {"u", "i"}) {
        RecordJournal::Options o;
        o.folder = sessionData.filePath(QStringLiteral("meter-logger/journal"));
        o.kind = QStringLiteral("meter-read");
        o.channel = QString::fromLatin1(channel);
        o.now = [at] { return at; };
        RecordJournal journal(o);
        const QString unit = o.channel == QLatin1String("u") ? QStringLiteral("V") : QStringLiteral("A");
        for (qint32 no = 1; no <= 2; ++no) {
            journal.rowLogged({no, QStringLiteral("09:30:0%1").arg(no), QStringLiteral("DC"), QStringLiteral("1.00%1").arg(no),
                               unit, {}, {}, at.addSecs(no), {}, {}, {}});
            if (no == 1 && o.channel == QLatin1String("u"))
                journal.appendEvent({EventKind::AlarmRaised, at.addSecs(1), QStringLiteral("u"), 1,
                                     QStringLiteral("u > 1"), QStringLiteral("1.001 V")});
        }
        ASSERT_TRUE(journal.flush());
    }
    const struct Case {
        const char* format;
        bool session;         // the session's channel journals, else the single meter's
        QStringList starts;   // how each line begins, in order
        const char* why;
    } cases[] = {
        {"tsv", false,
         {"# event\tnote\t2026-12-11T09:30:05.250+01:00\t\t\t\tbefore the rows", "1\t", "2\t",
          "# event\talarm raised\t2026-12-11T09:30:07.250+01:00\t2\tu\tu > 5\t12.6 V", "3\t"},
         "a comment line of its own, a TAB in the text made a blank"},
        {"csv", false,
         {"no,timestamp,", ",2026-12-11T09:30:05.250+01:00,09:30:05,,,,,,,,,note: before", "1,", "2,",
          "2,2026-12-11T09:30:07.250+01:00,09:30:07,,,,,,,,,alarm raised: u > 5 (12.6 V)", "3,"},
         "the header's event column"},
        {"tsv", true,
         {"u\t1\t", "# event\talarm raised\t2026-12-11T09:30:06.250+01:00\t1\tu\tu > 1\t1.001 V", "u\t2\t", "i\t1\t",
          "i\t2\t"},
         "each channel's rows with their channel, the event among its own channel's rows"},
        {"csv", true,
         {"channel,no,", "u,1,", "u,1,2026-12-11T09:30:06.250+01:00,09:30:06,,,,,,,,,,,,,alarm raised: u > 1 (1.001 V)", "u,2,",
          "i,1,", "i,2,"},
         "the channel column first, the event's last"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runReader({QStringLiteral("--recover"), QStringLiteral("--format"), QString::fromLatin1(c.format)},
                                      {}, {}, c.session ? sessionEnv : env);

        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList lines = QString::fromUtf8(run.out).split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), c.starts.size()) << c.why << "\n" << run.out.toStdString();
        for (int i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(lines[i].startsWith(c.starts[i])) << c.why << ": " << lines[i].toStdString();
        if (QLatin1String(c.format) == QLatin1String("csv")) {
            EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",event")));
            for (const QString& line : lines)
                EXPECT_EQ(line.count(QLatin1Char(',')), lines[0].count(QLatin1Char(','))) << "as wide as the header: " << line.toStdString();
        }
    }
}

TEST(ToolsEndToEnd, ALoggerWhoseJournalCannotBeWrittenSaysSoOnceAndLogsOn)
{
    struct Case {
        const char* what;
        const char* shell;   // how meter-read is started: the data folder blocked, or files that cannot grow
    } cases[] = {
        {"data folder cannot be written", "mkdir -p \"$XDG_DATA_HOME/meter-logger\" && : > \"$XDG_DATA_HOME/meter-logger/journal\" && exec \"$0\" --log -"},
        {"journal cannot grow", "trap '' XFSZ; ulimit -f 32; exec \"$0\" --log -"},
    };
    for (const Case& c : cases) {
        QTemporaryDir data;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        QProcess sim;
        QProcess reader;
        sim.setStandardOutputProcess(&reader);
        reader.setProcessEnvironment(env);
        sim.start(kSim, {QStringLiteral("--stdout"), QStringLiteral("--count"), QStringLiteral("1500"),
                         QStringLiteral("--rate"), QStringLiteral("1000")});
        reader.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), QString::fromLatin1(c.shell), kRead});
        ASSERT_TRUE(sim.waitForFinished(20000)) << c.what;
        ASSERT_TRUE(reader.waitForFinished(20000)) << c.what;
        const QString err = QString::fromLocal8Bit(reader.readAllStandardError());
        EXPECT_EQ(reader.exitCode(), 0) << c.what << err.toStdString();
        EXPECT_EQ(outputLines(reader.readAllStandardOutput()).size(), 1499) << c.what << ": every row logged";
        EXPECT_EQ(err.count(QStringLiteral("safety copy of the log is off")), 1) << c.what << err.toStdString();
    }
}

TEST(ToolsEndToEnd, ReaderWaitsForALostPortAndLogsAfterItsReturn)
{
    PublishedMeter meter;
    ASSERT_TRUE(meter.start(QStringLiteral("COM3"), 50)) << meter.sim.readAllStandardError().toStdString();
    const QString saved = meter.runtime.filePath(QStringLiteral("across.xml"));
    QProcess reader;
    ASSERT_TRUE(meter.startReader(reader, {QStringLiteral("--port"), QStringLiteral("COM3"), QStringLiteral("--log"),
                                           QStringLiteral("--save"), saved}));
    QByteArray out = outputUntil(reader, 3, 8000);
    ASSERT_GE(outputLines(out).size(), 3);

    // A second virtual meter may not take the name over while the first one publishes it.
    QProcess second;
    second.setProcessEnvironment(meter.env);
    second.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM3")});
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("COM3 is published by another virtual meter that is still running"));
    EXPECT_TRUE(QFileInfo(meter.link).isSymLink()) << "the first meter's name is left as it was";

    // The meter stops: the reader keeps running and says so.
    meter.sim.terminate();
    ASSERT_TRUE(meter.sim.waitForFinished(5000));
    QByteArray err;
    ASSERT_TRUE(waitUntil([&] { err += reader.readAllStandardError(); reader.waitForReadyRead(50);
                                return err.contains("COM3 went away at"); }, 5000)) << err.toStdString();
    EXPECT_EQ(reader.state(), QProcess::Running);
    out += reader.readAllStandardOutput();
    const int before = int(outputLines(out).size());

    // A meter publishes the name again: the reader opens it and logs on.
    PublishedMeter again;
    again.runtime.setAutoRemove(true);
    again.env = meter.env;
    again.link = meter.link;
    again.sim.setProcessEnvironment(meter.env);
    again.sim.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM3"), QStringLiteral("--rate"), QStringLiteral("50")});
    ASSERT_TRUE(again.sim.waitForStarted(5000));
    out += outputUntil(reader, before + 3, 8000);
    err += reader.readAllStandardError();
    EXPECT_TRUE(err.contains("COM3 is back at")) << err.toStdString();
    const QStringList rows = outputLines(out);
    ASSERT_GE(rows.size(), before + 3);
    for (int k = 0; k < rows.size(); ++k)
        EXPECT_TRUE(rows[k].startsWith(QString::number(k + 1) + QLatin1Char('\t'))) << "row numbers go on: " << rows[k].toStdString();

    ::kill(pid_t(reader.processId()), SIGTERM);
    ASSERT_TRUE(reader.waitForFinished(5000));
    EXPECT_EQ(reader.exitCode(), 0);
    again.sim.terminate();
    again.sim.waitForFinished(5000);
    const ToolRun loaded = runReader({QStringLiteral("--load"), saved});
    EXPECT_GE(outputLines(loaded.out).size(), rows.size()) << "the saved log holds the rows from before and after";

    // A name that leads to a port with nothing on it: the reader says which device that is,
    // that nothing comes from it, and when a meter is published under the name meanwhile (the
    // silent port never hangs up), it reads that one and says that data comes again.
    const int silent = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(silent >= 0 && ::grantpt(silent) == 0 && ::unlockpt(silent) == 0);
    const QString silentSlave = QString::fromLocal8Bit(::ptsname(silent));
    const QString com7 = QFileInfo(meter.link).dir().filePath(QStringLiteral("COM7"));
    ASSERT_TRUE(QFile::link(silentSlave, com7));
    QProcess waiting;
    ASSERT_TRUE(meter.startReader(waiting, {QStringLiteral("--port"), QStringLiteral("COM7")}));
    QByteArray said;
    const QByteArray named = "COM7 (" + silentSlave.toLocal8Bit() + ")";
    EXPECT_TRUE(waitUntil([&] { waiting.waitForReadyRead(50); said += waiting.readAllStandardError();
                                return said.contains("no data from " + named + " since "); }, 10000))
        << said.toStdString();
    EXPECT_TRUE(said.contains("reading " + named)) << said.toStdString();
    PublishedMeter newer;
    newer.env = meter.env;
    newer.sim.setProcessEnvironment(meter.env);
    newer.sim.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM7"), QStringLiteral("--rate"), QStringLiteral("50")});
    ASSERT_TRUE(newer.sim.waitForStarted(5000));
    EXPECT_GE(outputLines(outputUntil(waiting, 3, 10000)).size(), 3);
    said += waiting.readAllStandardError();
    EXPECT_TRUE(said.contains("COM7 now leads to /dev/pts/")) << said.toStdString();
    EXPECT_TRUE(said.contains("data from COM7 (/dev/pts/")) << said.toStdString();
    EXPECT_EQ(said.count("no data from"), 1) << said.toStdString();
    waiting.terminate();
    waiting.waitForFinished(5000);
    newer.sim.terminate();
    newer.sim.waitForFinished(5000);
    ::close(silent);
}

TEST(ToolsEndToEnd, TwoMetersOnTwoNamesAndTheirPowerWithTheReadingsItCameFrom)
{
    PublishedMeter u;
    ASSERT_TRUE(u.start(QStringLiteral("COM1"), 40));
    QProcess simI;
    simI.setProcessEnvironment(u.env);
    simI.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("--rate"), QStringLiteral("40")});
    ASSERT_TRUE(simI.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(u.runtime.filePath(QStringLiteral("meter-logger/COM2"))).isSymLink(); }, 5000));
    QProcess reader;
    ASSERT_TRUE(u.startReader(reader, {QStringLiteral("--input"), QStringLiteral("u=port:COM1"), QStringLiteral("--input"),
                                       QStringLiteral("i=port:COM2"), QStringLiteral("--calc"), QStringLiteral("p=u*i"),
                                       QStringLiteral("--format"), QStringLiteral("jsonl")}));
    QByteArray out = outputUntil(reader, 90, 10000);
    // i goes away: p turns stale, naming i, while u reads on.
    simI.terminate();
    ASSERT_TRUE(simI.waitForFinished(5000));
    QDeadlineTimer deadline(8000);
    while (!out.contains("\"judge\":\"stale: i has not read") && !deadline.hasExpired()) {
        reader.waitForReadyRead(100);
        out += reader.readAllStandardOutput();
    }
    out += outputUntil(reader, 10, 5000);   // u reads on
    reader.terminate();
    ASSERT_TRUE(reader.waitForFinished(5000));
    out += reader.readAllStandardOutput();
    const QByteArray err = reader.readAllStandardError();
    EXPECT_TRUE(err.contains("u reads COM1 (")) << "the identity in the start-up line: " << err.toStdString();
    EXPECT_TRUE(err.contains("i: COM2 went away")) << err.toStdString();

    // Each reading's number is its place among its input's lines; every p names the latest.
    std::map<QString, std::pair<qint64, double>> latest;
    int valid = 0, staleByI = 0, readingsAfterLoss = 0;
    bool lost = false;
    for (const QString& line : outputLines(out)) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        const QString channel = o.value(QStringLiteral("channel")).toString();
        if (channel != QLatin1String("p")) {
            latest[channel] = {latest[channel].first + 1, o.value(QStringLiteral("value_si")).toDouble()};
            readingsAfterLoss += lost && channel == QLatin1String("u") ? 1 : 0;
            continue;
        }
        const QJsonArray inputs = o.value(QStringLiteral("inputs")).toArray();
        ASSERT_EQ(inputs.size(), 2) << line.toStdString();
        if (o.value(QStringLiteral("state")).toString() == QLatin1String("valid")) {
            ++valid;
            double product = 1;
            for (const QJsonValue& in : inputs) {
                const QString name = in[QStringLiteral("channel")].toString();
                EXPECT_EQ(in[QStringLiteral("no")].toInteger(), latest[name].first) << line.toStdString();
                EXPECT_EQ(in[QStringLiteral("value_si")].toDouble(), latest[name].second) << line.toStdString();
                product *= latest[name].second;
            }
            EXPECT_NEAR(o.value(QStringLiteral("value_si")).toDouble(), product, 1e-9 * std::abs(product) + 1e-12);
        } else if (o.value(QStringLiteral("judge")).toString().startsWith(QStringLiteral("stale: i has not read"))) {
            ++staleByI;
            lost = true;
        }
    }
    EXPECT_GT(valid, 20);
    EXPECT_GT(staleByI, 0) << "the lost meter's channel says so";
    EXPECT_GT(readingsAfterLoss, 0) << "the other meter reads on";
    u.sim.terminate();
    u.sim.waitForFinished(5000);
}

TEST(ToolsEndToEnd, AlarmsRunTheirCommandAndEventsAndNotesArePrintedAmongTheLines)
{
    const struct {
        const char* format;
        bool script;          // else a command that cannot be started
        const char* why;
    } cases[] = {
        {"csv", true, "once per raise and once per clear, with the alarm in the environment"},
        {"jsonl", false, "a command that cannot be started is said; the reading goes on"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString envFile = dir.filePath(QStringLiteral("env.txt"));
        const QString script = dir.filePath(QStringLiteral("notify.sh"));
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nenv | grep ^METER_ | sort >> '%1'\necho --- >> '%1'\nexit 3\n").arg(envFile).toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString fifo = dir.filePath(QStringLiteral("notes"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

        // Each display state for 2 s: 1.234 V, then 12.34 V raises the rule after 0.5 s, then
        // -5.012 V clears it.
        QProcess sim, reader;
        sim.setStandardOutputProcess(&reader);
        sim.start(kSim, {"--stdout", "--rate", "40", "--hold", "20"});
        reader.start(kRead, {"--format", c.format, "--alarm", "meter > 5 for 0.5", "--on-alarm",
                             c.script ? script : QStringLiteral("/no/such/program"), "--notes", fifo, "-"});
        ASSERT_TRUE(sim.waitForStarted(5000) && reader.waitForStarted(5000));
        // Two writers one after the other: the pipe is opened again for the second.
        const std::string longNote = std::string(1500, 'x') + '\n';   // cut at 1,000 characters
        for (const char* note : {"fan switched on\n", longNote.c_str(), "load stepped to 2 A\n"}) {
            int fd = -1;
            ASSERT_TRUE(waitUntil([&] { return (fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK)) >= 0; }, 5000));
            ASSERT_EQ(::write(fd, note, std::strlen(note)), ssize_t(std::strlen(note)));
            ::close(fd);
        }
        QByteArray out, err;
        const auto done = [&] {
            reader.waitForReadyRead(50);
            out += reader.readAllStandardOutput();
            err += reader.readAllStandardError();
            QFile env(envFile);
            const bool ran = c.script ? env.open(QIODevice::ReadOnly) && env.readAll().count("---") >= 2
                                      : err.contains("could not be started");
            return ran && out.contains("alarm cleared") && out.contains("load stepped to 2 A");
        };
        ASSERT_TRUE(waitUntil(done, 20000)) << c.why << "\n" << out.toStdString() << err.toStdString();
        sim.terminate();
        ASSERT_TRUE(sim.waitForFinished(5000));
        ASSERT_TRUE(reader.waitForFinished(15000));
        out += reader.readAllStandardOutput();
        err += reader.readAllStandardError();
        EXPECT_EQ(reader.exitCode(), 0) << "the reading's status, whatever the command did";

        const QStringList lines = outputLines(out);
        QStringList events;
        for (const QString& line : lines) {
            if (QLatin1String(c.format) == QLatin1String("csv")) {
                if (!line.section(u',', -1).trimmed().isEmpty())
                    events << line.section(u',', -1).trimmed();
                continue;
            }
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            if (o.contains(QStringLiteral("event")))
                events << o.value(QStringLiteral("event")).toString() + u'|' + o.value(QStringLiteral("text")).toString()
                              + u'|' + o.value(QStringLiteral("rule")).toString();
        }
        if (QLatin1String(c.format) == QLatin1String("csv")) {
            EXPECT_TRUE(lines.front().trimmed().endsWith(QStringLiteral(",event"))) << lines.front().toStdString();
            EXPECT_TRUE(events.contains(QStringLiteral("event")));   // the header's
            EXPECT_TRUE(events.contains(QStringLiteral("note: fan switched on"))) << events.join(u'\n').toStdString();
            EXPECT_TRUE(events.contains(QStringLiteral("note: ") + QString(1000, u'x')));
            EXPECT_TRUE(events.contains(QStringLiteral("alarm cleared: meter > 5 for 0.5 (-5.012 V)")))
                << events.join(u'\n').toStdString();
        } else {
            EXPECT_TRUE(events.contains(QStringLiteral("note|load stepped to 2 A|"))) << events.join(u'\n').toStdString();
            EXPECT_TRUE(events.contains(QStringLiteral("alarm cleared|-5.012 V|meter > 5 for 0.5")))
                << events.join(u'\n').toStdString();
        }
        if (!c.script)
            continue;
        QFile env(envFile);
        ASSERT_TRUE(env.open(QIODevice::ReadOnly));
        const QStringList runs = QString::fromUtf8(env.readAll()).split(QStringLiteral("---\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(runs.size(), 2) << "one run per raise and one per clear";
        const QByteArray raised = runs[0].toUtf8(), cleared = runs[1].toUtf8();
        for (const char* expected : {"METER_ALARM=meter > 5 for 0.5\n", "METER_CHANNEL=meter\n", "METER_STATE=raised\n",
                                     "METER_UNIT=V\n", "METER_VALUE=12.3"})
            EXPECT_TRUE(raised.contains(expected)) << expected << " in " << raised.toStdString();
        EXPECT_TRUE(cleared.contains("METER_STATE=cleared\nMETER_TIME=")) << cleared.toStdString();
        EXPECT_TRUE(cleared.contains("METER_VALUE=-5.012\n")) << cleared.toStdString();
        EXPECT_TRUE(QRegularExpression(QStringLiteral("METER_TIME=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}([+-]\\d\\d:\\d\\d|Z)\n"))
                        .match(QString::fromUtf8(raised)).hasMatch()) << raised.toStdString();
        EXPECT_TRUE(err.contains("meter-read: alarm command for 'meter > 5 for 0.5' exited with 3")) << err.toStdString();
    }
}
