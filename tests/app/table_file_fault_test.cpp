// Saving and loading the log table from the window when the file system or the file is at
// fault: a full device, a read-only folder, a disk that fills while an old file is being
// replaced, and broken or hostile files to load. Each time the user is told, the table and
// the chart stay as they were, and a file that was there before is not damaged.
#include "app/tfcomm.h"
#include "doubles/window_part.h"

#include "chart/trend_chart_model.h"
#include "doubles/fixed_locale_clock.h"
#include "link/serial_frame_assembly.h"
#include "log/log_table.h"
#include "log/files/table_files.h"
#include "scripted_prompts.h"
#include "ui/chart_view.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray frame(const char* hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

std::int64_t statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(key.size()));
    return -1;
}

// Starts a new peak of the resident size; false where the system does not allow it.
bool resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good() && statusKb("VmHWM") <= statusKb("VmRSS") + 1024;
}

// A window with three logged readings.
class TableFileFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        w = std::make_unique<TFCOMM>(s);
        w->ConTimer.stop();
        for (const char* f : {"0A 2B 31 32 33 34 20 31 30 00 00 80 00 0D", "0A 2B 31 32 33 35 20 31 30 00 00 80 00 0D",
                              "0A 2D 30 30 34 32 20 32 30 00 00 80 00 0D"}) {
            const QByteArray b = frame(f);
            w->RECEIVE_COM_Data(b.constData(), b.size());
        }
        ASSERT_EQ(w->cds1().rowCount(), 3);
        ASSERT_TRUE(dir.isValid());
        for (std::int64_t r = 0; r < w->cds1().rowCount(); ++r)
            rowsBefore.push_back(w->cds1().row(r));
        pointsBefore = part<ChartView>(*w, "Chtshow")->model().pointCount();
    }

    // Saves through the window's Save button as if the user chose `name`.
    void save(const QString& name)
    {
        prompts.shown.clear();
        prompts.fileNames = {name};
        w->saveasClick();
    }
    void load(const QString& name)
    {
        prompts.shown.clear();
        prompts.fileNames = {name};
        w->SpeedButton2Click();
    }
    void expectTableAsBefore(const char* why)
    {
        ASSERT_EQ(w->cds1().rowCount(), std::int64_t(rowsBefore.size())) << why;
        for (std::size_t r = 0; r < rowsBefore.size(); ++r)
            EXPECT_EQ(w->cds1().row(std::int64_t(r)), rowsBefore[r]) << why;
        EXPECT_EQ(part<ChartView>(*w, "Chtshow")->model().pointCount(), pointsBefore) << why;
    }
    void expectSaveRefused(const QString& name, const char* why)
    {
        ASSERT_EQ(prompts.shown.size(), 1) << why;
        const QString expected = name.endsWith(".xml") ? "error: Cannot create file \"" + name + "\". "
                                                       : "error: Could not save table to specified file: " + name;
        EXPECT_TRUE(prompts.shown[0].startsWith(expected)) << why << ": " << prompts.shown[0].toStdString();
        EXPECT_GT(w->pipeline().unsavedRows(), 0) << why << ": a failed save leaves the rows unsaved";
        expectTableAsBefore(why);
    }
    void expectLoadRefused(const char* why)
    {
        ASSERT_EQ(prompts.shown.size(), 1) << why;
        EXPECT_TRUE(prompts.shown[0].startsWith("error: Failed to Load File!\n")) << why << ": the reason under it";
        EXPECT_GT(prompts.shown[0].size(), 30) << why;
        expectTableAsBefore(why);
    }

    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    std::unique_ptr<TFCOMM> w;
    QTemporaryDir dir;
    std::vector<LogRow> rowsBefore;
    std::size_t pointsBefore = 0;
};

} // namespace

TEST_F(TableFileFault, SavingOntoAFullDevice)
{
    struct stat st {};
    if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode))
        GTEST_SKIP() << "no /dev/full on this system";
    save(QStringLiteral("/dev/full"));
    expectSaveRefused(QStringLiteral("/dev/full"), "text onto /dev/full");
    // The device is written in place, never replaced by a file.
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    // A link named .xml that points at the full device: the XML packet meets the same end.
    const QString packet = dir.filePath("full.xml");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), packet));
    save(packet);
    expectSaveRefused(packet, "XML onto /dev/full");
    EXPECT_TRUE(QFileInfo(packet).isSymLink()) << "the link is not replaced by a file";
}

TEST_F(TableFileFault, SavingIntoAReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which writes into read-only folders regardless of their mode";
    const QString folder = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString old = folder + "/old.xls";
    const QByteArray oldBytes = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n9\tt\tDC\t1\tV\tpass\r\n";
    ASSERT_TRUE(writeAll(old, oldBytes));
    ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);

    for (const QString& name : {folder + "/new.xls", folder + "/new.xml", old, folder + "/old.xml"}) {
        save(name);
        expectSaveRefused(name, qPrintable(name));
    }
    EXPECT_EQ(readAll(old), oldBytes) << "the file that was there is untouched";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"old.xls"})
        << "nothing was created";
    ::chmod(folder.toLocal8Bit().constData(), 0755);
}

TEST_F(TableFileFault, DiskFillingWhileAnOldFileIsReplaced)
{
    // Enough rows that the file outgrows the space left; the old file is smaller than that.
    for (int i = 0; i < 40000; ++i) {
        LogRow r = rowsBefore[std::size_t(i % 3)];
        r.no = 4 + i;
        w->cds1().append(r);
        rowsBefore.push_back(r);
    }
    for (const char* name : {"old.xls", "old.xml"}) {
        const QString target = dir.filePath(QLatin1String(name));
        const QByteArray oldBytes = QByteArray("the file from before, ") + name;
        ASSERT_TRUE(writeAll(target, oldBytes));

        struct rlimit saved {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 256 * 1024;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        save(target);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        expectSaveRefused(target, name);
        EXPECT_EQ(readAll(target), oldBytes) << name << ": the old file is intact";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"old.xls", "old.xml"}))
        << "no temporary file left behind";

    // With room again the same save replaces the old file.
    save(dir.filePath("old.xls"));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].startsWith("inform: Save table to specified file: "));
    EXPECT_EQ(w->pipeline().unsavedRows(), 0);
    EXPECT_TRUE(readAll(dir.filePath("old.xls")).startsWith("No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\t10:15:30\tDC\t"));
}

TEST_F(TableFileFault, BrokenAndHostileFilesAreRefusedWhole)
{
    // A good packet of two rows to cut short.
    LogTable two;
    two.append(rowsBefore[0]);
    two.append(rowsBefore[1]);
    const QString good = dir.filePath("good.xml");
    ASSERT_TRUE(saveTableFile(two, good).ok);
    const QByteArray packet = readAll(good);
    ASSERT_TRUE(packet.contains("<ROW "));
    const QByteArray header = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";
    const struct {
        const char* name;
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {"cut.xml", packet.left(packet.indexOf("</ROWDATA>") - 5), "a packet cut inside its last row"},
        {"cut-rows.xml", packet.left(packet.indexOf("</ROWDATA>")), "a packet cut after its rows"},
        {"eight.xls", header + "4\t10:15:30\tDC\t1.5\tV\tpass\r\n5\t10:15:31\tDC\t1.6\tV\tpass\t1\textra\r\n",
         "a text line with eight tokens after a good one"},
        {"dtd.xml",
         packet.left(packet.indexOf("<DATAPACKET"))
             + "<!DOCTYPE DATAPACKET [<!ENTITY v \"1.5\">]>" + packet.mid(packet.indexOf("<DATAPACKET")),
         "a packet with a DTD"},
        {"dtd-used.xml",
         packet.left(packet.indexOf("<DATAPACKET")) + "<!DOCTYPE DATAPACKET [<!ENTITY v \"1.5\">]>"
             + packet.mid(packet.indexOf("<DATAPACKET")).replace("Value=\"1.234\"", "Value=\"&v;\""),
         "a packet with a DTD whose entity is used"},
        {"long-value.xml", QByteArray(packet).replace("Value=\"1.234\"", "Value=\"" + QByteArray(3 << 20, '7') + "\""),
         "a value of 3 MB, which the XML reader would hold several times over"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(writeAll(path, c.bytes)) << c.why;
        load(path);
        expectLoadRefused(c.why);
    }
}

TEST_F(TableFileFault, HundredMegabytesOfRandomBytesInBoundedMemory)
{
    // 100 MB of random bytes, once as they come and once without any line end.
    const qint64 size = 100 << 20;
    const QString random = dir.filePath("random.xls");
    const QString endless = dir.filePath("endless.txt");
    {
        QFile plain(random), noEnds(endless);
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && noEnds.open(QIODevice::WriteOnly));
        QRandomGenerator generator(20240611);
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 written = 0; written < size; written += block.size()) {
            generator.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
            ASSERT_EQ(plain.write(block), block.size());
            for (char& c : block)
                if (c == '\r' || c == '\n')
                    c = ' ';
            ASSERT_EQ(noEnds.write(block), block.size());
        }
    }
    const QString packet = dir.filePath("random.xml");
    ASSERT_TRUE(QFile::link(random, packet));
    // A header line, then one endless line of random bytes.
    const QString headed = dir.filePath("headed.txt");
    {
        QFile in(endless), out(headed);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        out.write("No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n");
        while (!in.atEnd())
            ASSERT_GT(out.write(in.read(1 << 20)), 0);
    }

    const struct {
        QString path;
        bool refused;
        const char* why;
    } cases[] = {
        {random, true, "random bytes as text: a line of too many tokens"},
        {packet, true, "random bytes as a packet: no XML"},
        {headed, true, "a header, then one line of 100 MB"},
        // The first line is dropped whatever it holds, as an XML packet named .txt always was.
        {endless, false, "100 MB without a line end: one first line, nothing to load"},
    };
    for (const auto& c : cases) {
        if (!resetPeakResident())
            GTEST_SKIP() << "the resident-size peak cannot be reset on this system";
        const std::int64_t before = statusKb("VmRSS");
        load(c.path);
        const std::int64_t peakGrowthMb = (statusKb("VmHWM") - before) / 1024;
        EXPECT_LT(peakGrowthMb, 64) << c.why;
        if (c.refused) {
            expectLoadRefused(c.why);
        } else {
            EXPECT_TRUE(prompts.shown.isEmpty()) << c.why;
            expectTableAsBefore(c.why);
        }
    }
}
