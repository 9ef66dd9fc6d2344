#include "log/log_table.h"
#include "log/files/table_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

LogRow loggedRow(qint32 no)
{
    LogRow r;
    r.no = no;
    r.time = QStringLiteral("10:15:30");
    r.function = QStringLiteral("DC");
    r.value = QStringLiteral("1.234");
    r.unit = QStringLiteral("V");
    r.judge = QStringLiteral("pass");
    return r;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}   // namespace

TEST(TableFiles, FormatFollowsTheExactEnding)
{
    const struct {
        const char* name;
        TableFileFormat format;
    } cases[] = {
        {"a.xml", TableFileFormat::XmlPacket}, {"/tmp/dir.xml/b.xml", TableFileFormat::XmlPacket},
        {"DATA.XML", TableFileFormat::Text},   {"a.Xml", TableFileFormat::Text},
        {"a.xml.txt", TableFileFormat::Text},  {"a.xls", TableFileFormat::Text},
        {"axml", TableFileFormat::Text},       {"a", TableFileFormat::Text},
        {"a.csv", TableFileFormat::Csv},       {"A.CSV", TableFileFormat::Csv},
        {"a.csv.xls", TableFileFormat::Text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tableFileFormat(QString::fromLatin1(c.name)), c.format) << c.name;
}

TEST(TableFiles, SaveAndLoadOutcomes)
{
    LogTable t;
    t.append(loggedRow(1));
    t.append(loggedRow(2));
    QTemporaryDir dir;

    const QString upper = dir.filePath("DATA.XML");
    const FileOutcome saved = saveTableFile(t, upper);
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(saved.show, FileOutcome::Show::Information);
    EXPECT_EQ(saved.text, "Save table to specified file: " + upper + " Scuss!");
    EXPECT_TRUE(contents(upper).startsWith("No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n")) << "saved as text";

    const QString packet = dir.filePath("p.xml");
    EXPECT_EQ(saveTableFile(t, packet).text, "Save table to specified file: " + packet + " Scuss!");
    EXPECT_TRUE(contents(packet).startsWith("<?xml"));

    // A packet named .txt is read as text: its one line is the header, nothing is added.
    const QString renamed = dir.filePath("p.txt");
    ASSERT_TRUE(QFile::copy(packet, renamed));
    const FileOutcome asText = LoadTableFile(renamed, t);
    EXPECT_TRUE(asText.ok);
    EXPECT_EQ(asText.show, FileOutcome::Show::Nothing);
    EXPECT_EQ(t.rowCount(), 2);

    // Text appends, XML replaces.
    EXPECT_TRUE(LoadTableFile(upper, t).ok);
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_TRUE(LoadTableFile(packet, t).ok);
    EXPECT_EQ(t.rowCount(), 2);

    // CSV is written for other programs; opening one says so and leaves the table alone.
    const QString csv = dir.filePath("run.csv");
    EXPECT_EQ(saveTableFile(t, csv).text, "Save table to specified file: " + csv + " Scuss!");
    EXPECT_TRUE(contents(csv).startsWith("no,timestamp,time,function,value,unit,value_si,si_unit,range,judge,display\r\n"));
    const FileOutcome openedCsv = LoadTableFile(csv, t);
    EXPECT_FALSE(openedCsv.ok);
    EXPECT_TRUE(openedCsv.text.contains("CSV")) << openedCsv.text.toStdString();
    EXPECT_EQ(t.rowCount(), 2);

    const FileOutcome failed = LoadTableFile(dir.filePath("none.xls"), t);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.show, FileOutcome::Show::Error);
    EXPECT_EQ(failed.text, "Failed to Load File!");
}

TEST(TableFiles, SaveFailureMessages)
{
    LogTable t;
    t.append(loggedRow(1));
    QTemporaryDir dir;
    const QString text = dir.filePath("missing/t.xls");
    const FileOutcome textFailed = saveTableFile(t, text);
    EXPECT_FALSE(textFailed.ok);
    EXPECT_EQ(textFailed.show, FileOutcome::Show::Error);
    EXPECT_EQ(textFailed.text, "Could not save table to specified file: " + text);

    const QString xml = dir.filePath("missing/t.xml");
    const FileOutcome xmlFailed = saveTableFile(t, xml);
    EXPECT_FALSE(xmlFailed.ok);
    EXPECT_EQ(xmlFailed.show, FileOutcome::Show::Error);
    EXPECT_TRUE(xmlFailed.text.startsWith("Cannot create file \"" + xml + "\". ")) << xmlFailed.text.toStdString();
    EXPECT_GT(xmlFailed.text.size(), QString("Cannot create file \"" + xml + "\". ").size()) << "a reason follows";
}

// Stopped part way by its progress, a load leaves the table as it was, text (which appends)
// and XML (which replaces) alike; let run, it reports up to the whole file.
TEST(TableFiles, ACancelledLoadLeavesTheTableAsItWas)
{
    QTemporaryDir dir;
    LogTable big;
    for (qint32 no = 1; no <= 200000; ++no)   // several reads' worth
        big.append(loggedRow(no));
    for (const char* name : {"big.xls", "big.xml"}) {
        SCOPED_TRACE(name);
        const QString file = dir.filePath(QString::fromLatin1(name));
        qint64 saveReports = 0;
        ASSERT_TRUE(saveTableFile(big, file, [&](qint64, qint64) { return ++saveReports, true; }).ok);
        EXPECT_GT(saveReports, 0);

        LogTable t;
        t.append(loggedRow(7));
        t.append(loggedRow(8));
        int reports = 0;
        const FileOutcome stopped = LoadTableFile(file, t, [&](qint64, qint64) { return ++reports < 2; });
        EXPECT_FALSE(stopped.ok);
        EXPECT_EQ(stopped.show, FileOutcome::Show::Nothing) << "the user stopped it: nothing to report";
        ASSERT_EQ(t.rowCount(), 2);
        EXPECT_EQ(t.row(0), loggedRow(7));
        EXPECT_EQ(t.row(1), loggedRow(8));

        qint64 last = 0, whole = 0;
        EXPECT_TRUE(LoadTableFile(file, t, [&](qint64 done, qint64 total) { return last = done, whole = total, true; }).ok);
        EXPECT_EQ(last, whole);
        EXPECT_EQ(t.rowCount(), QByteArray(name).endsWith("xml") ? 200000 : 200002);
    }
}
