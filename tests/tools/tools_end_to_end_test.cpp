// meter-sim and meter-read as separate programs: over a pipe, from a file, and over a
// pseudo-terminal published in a private runtime folder.
#include "tools/meter_scenario.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

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

ToolRun runReader(const QStringList& args, const QByteArray& input = {})
{
    QProcess reader;
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

    const ToolRun usage = runReader({QStringLiteral("--baud"), QStringLiteral("12")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("usage: meter-read")) << usage.err.toStdString();
}

TEST(ToolsEndToEnd, SimulatorPublishesComNAndTheReaderReadsIt)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const QString link = runtime.filePath(QStringLiteral("meter-logger/COM2"));

    QProcess sim;
    sim.setProcessEnvironment(env);
    sim.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM2"), QStringLiteral("--rate"), QStringLiteral("50")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(link).isSymLink(); }, 5000)) << sim.readAllStandardError().toStdString();

    QProcess reader;
    reader.setProcessEnvironment(env);
    reader.start(kRead, {QStringLiteral("--port"), QStringLiteral("COM2")});
    ASSERT_TRUE(reader.waitForStarted(5000));
    QByteArray out;
    QDeadlineTimer deadline(8000);
    while (outputLines(out).size() < 6 && !deadline.hasExpired() && reader.state() == QProcess::Running) {
        reader.waitForReadyRead(100);
        out += reader.readAllStandardOutput();
    }

    // The meter goes away: the simulator removes its link, the reader notices and ends.
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
