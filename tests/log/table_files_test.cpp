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
