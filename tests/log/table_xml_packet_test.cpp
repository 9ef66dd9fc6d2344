#include "log/log_table.h"
#include "log/files/table_xml_packet.h"
#include "log/files/table_xml_rows.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

LogRow xmlRow(std::optional<qint32> no, const QString& time, const QString& function, const QString& value,
              const QString& unit, const QString& judge)
{
    LogRow r;
    r.no = no;
    r.time = time;
    r.function = function;
    r.value = value;
    r.unit = unit;
    r.judge = judge;
    return r;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

const QByteArray kDecl = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";
const QByteArray kFields = "<FIELDS><FIELD attrname=\"No\" fieldtype=\"i4\"/>"
                           "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
                           "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
                           "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
                           "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
                           "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/>"
                           "<FIELD attrname=\"NVal\" fieldtype=\"i4\"/></FIELDS>";

QByteArray packet(const QByteArray& fields, const QByteArray& rows)
{
    return kDecl + "<DATAPACKET Version=\"2.0\"><METADATA>" + fields + "<PARAMS/></METADATA><ROWDATA>" + rows
           + "</ROWDATA></DATAPACKET>";
}

const QByteArray kRow = "<ROW RowState=\"4\" No=\"1\" Time=\"t\" DC/AC=\"DC\" Value=\"1.5\" Unit=\"V\" Auto=\"pass\"/>";

}   // namespace

TEST(TableXmlSave, ExactBytesOfSmallAndEmptyPackets)
{
    LogTable t;
    QTemporaryDir dir;
    ASSERT_TRUE(saveTableXml(t, dir.filePath("e.xml")));
    EXPECT_EQ(fileBytes(dir.filePath("e.xml")), packet(kFields, QByteArray()));

    t.append(xmlRow(1, "10:15:30", "DC", "1.234", "V", "pass"));
    t.append(xmlRow(std::nullopt, "10:15:31 AM", "AC", "<\t\n\r\"&'>\\", QString(), "Fail"));
    ASSERT_TRUE(saveTableXml(t, dir.filePath("s.xml")));
    EXPECT_EQ(fileBytes(dir.filePath("s.xml")),
              kDecl + "<DATAPACKET Version=\"2.0\"><METADATA>" + kFields
                  + "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/></METADATA><ROWDATA>"
                    "<ROW RowState=\"4\" No=\"1\" Time=\"10:15:30\" DC/AC=\"DC\" Value=\"1.234\" Unit=\"V\" Auto=\"pass\"/>"
                    "<ROW RowState=\"4\" Time=\"10:15:31 AM\" DC/AC=\"AC\" "
                    "Value=\"&lt;&#009;&#010;&#013;&quot;&amp;&apos;&gt;&#092;\" Auto=\"Fail\"/>"
                    "</ROWDATA></DATAPACKET>");
}

TEST(TableXmlSave, SavedLoadedAndSavedAgainIsIdentical)
{
    LogTable t;
    t.append(xmlRow(1, "10:15:30", "DC", "1.234", "k*", "pass"));
    t.append(xmlRow(2, "2:05:09 nachm.", "AC", "a/b \"c\" <d>", QString::fromUtf8("\xC2\xB5" "A"), "Fail"));
    t.append(xmlRow(std::nullopt, "", "DC/AC", "\\&\t", "#", QString()));
    LogRow withNVal = xmlRow(-2147483647 - 1, "x", "y", "z", "?", "pass");
    withNVal.nval = 42;
    t.append(withNVal);
    QTemporaryDir dir;
    const QString first = dir.filePath("a.xml");
    ASSERT_TRUE(saveTableXml(t, first));

    LogTable back;
    back.append(xmlRow(99, "old", "old", "old", "old", "old"));   // replaced by the load
    ASSERT_TRUE(loadTableXml(first, back));
    ASSERT_EQ(back.rowCount(), t.rowCount());
    for (std::int64_t r = 0; r < t.rowCount(); ++r)
        EXPECT_EQ(back.row(r), t.row(r)) << "row " << r;

    const QString second = dir.filePath("b.xml");
    ASSERT_TRUE(saveTableXml(back, second));
    EXPECT_EQ(fileBytes(second), fileBytes(first));
}

TEST(TableXmlSave, ControlCharactersWithoutAnXmlFormBecomeBlanks)
{
    LogTable t;
    t.append(xmlRow(1, QString::fromLatin1("a\x01" "b", 3), "DC", QString::fromLatin1("x\0y", 3), "V", "pass"));
    QTemporaryDir dir;
    ASSERT_TRUE(saveTableXml(t, dir.filePath("c.xml")));
    EXPECT_TRUE(fileBytes(dir.filePath("c.xml")).contains("Time=\"a b\" DC/AC=\"DC\" Value=\"x y\""));
    LogTable back;
    ASSERT_TRUE(loadTableXml(dir.filePath("c.xml"), back)) << "the packet stays readable";
    EXPECT_EQ(back.text(0, LogTable::Value), "x y");
}

TEST(TableXmlSave, LargePacketAcrossReadBlocks)
{
    // Long enough for the change log and the rows to span several read blocks.
    LogTable t;
    for (int i = 0; i < 150000; ++i)
        t.append(xmlRow(i + 1, "12:00:00", "DC", QString::number(i), "V", i % 3 ? "pass" : "Fail"));
    QTemporaryDir dir;
    ASSERT_TRUE(saveTableXml(t, dir.filePath("big.xml")));
    LogTable back;
    ASSERT_TRUE(loadTableXml(dir.filePath("big.xml"), back));
    ASSERT_EQ(back.rowCount(), t.rowCount());
    for (std::int64_t r = 0; r < t.rowCount(); r += 1009)
        EXPECT_EQ(back.row(r), t.row(r)) << "row " << r;
    ASSERT_TRUE(saveTableXml(back, dir.filePath("again.xml")));
    EXPECT_EQ(fileBytes(dir.filePath("again.xml")), fileBytes(dir.filePath("big.xml")));
}

TEST(TableXmlLoad, SlashInAttributeNameSplitAcrossReadBlocks)
{
    // The reader takes the file in blocks of 1 MiB; put the "/" of "DC/AC" on each side of
    // the first block's end.
    constexpr int kBlock = 1 << 20;
    QTemporaryDir dir;
    for (int slashAt : {kBlock - 2, kBlock - 1, kBlock}) {
        const QByteArray head = packet(kFields, QByteArray()).left(packet(kFields, QByteArray()).indexOf("</ROWDATA>"));
        const QByteArray before = head + "<ROW No=\"1\" Value=\"";
        const QByteArray afterPad = "\" DC";
        const int pad = slashAt - before.size() - afterPad.size();
        ASSERT_GT(pad, 0);
        const QByteArray file = before + QByteArray(pad, 'x') + afterPad + "/AC=\"DC\"/></ROWDATA></DATAPACKET>";
        ASSERT_EQ(file.lastIndexOf("DC/AC"), slashAt - 2);
        putFile(dir.filePath("s.xml"), file);
        LogTable t;
        ASSERT_TRUE(loadTableXml(dir.filePath("s.xml"), t)) << slashAt;
        ASSERT_EQ(t.rowCount(), 1);
        EXPECT_EQ(t.text(0, LogTable::Function), "DC") << slashAt;
        EXPECT_EQ(t.text(0, LogTable::Value), QString(20, 'x'));
    }
}

TEST(TableXmlLoad, RefusedPacketsLeaveTheTable)
{
    QByteArray noTime = kFields;
    noTime.replace("<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>", "");
    QByteArray wideTime = kFields;
    wideTime.replace("\"Time\" fieldtype=\"string\" WIDTH=\"20\"", "\"Time\" fieldtype=\"string\" WIDTH=\"30\"");
    QByteArray textNo = kFields;
    textNo.replace("\"No\" fieldtype=\"i4\"", "\"No\" fieldtype=\"string\" WIDTH=\"20\"");
    QByteArray i8NVal = kFields;
    i8NVal.replace("\"NVal\" fieldtype=\"i4\"", "\"NVal\" fieldtype=\"i8\"");
    const QByteArray twice = kFields.left(kFields.size() - 9) + "<FIELD attrname=\"No\" fieldtype=\"i4\"/></FIELDS>";
    const QByteArray good = packet(kFields, kRow);
    const struct {
        QByteArray file;
        const char* why;
    } cases[] = {
        {packet(noTime, kRow), "a field missing"},
        {packet(wideTime, kRow), "a text field of another width"},
        {packet(textNo, kRow), "an integer field of another type"},
        {packet(i8NVal, kRow), "NVal of another type"},
        {packet(twice, kRow), "a field declared twice"},
        {packet(kFields, "<ROW No=\"x1\"/>"), "No not an integer"},
        {packet(kFields, "<ROW No=\"99999999999\"/>"), "No out of range"},
        {packet(kFields, "<ROW Value=\"&bomb;\"/>"), "an unknown entity"},
        {kDecl + "<!DOCTYPE DATAPACKET [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
             + good.mid(kDecl.size()),
         "a DTD with entities"},
        {kDecl + "<!DOCTYPE DATAPACKET SYSTEM \"file:///etc/passwd\">" + good.mid(kDecl.size()),
         "an external DTD"},
        {good.left(good.size() - 1), "cut before the last '>'"},
        {good.left(good.indexOf("</ROWDATA>")), "cut after a row"},
        {good.left(good.indexOf("Unit=")), "cut inside a row"},
        {good.left(200), "cut in the field list"},
        {good + "<DATAPACKET/>", "a second root"},
        {good + "junk", "text after the packet"},
        {kDecl + "<TABLE>" + kFields + "</TABLE>", "another root element"},
        {kDecl + "<DATAPACKET Version=\"2.0\"><ROWDATA>" + kRow + "</ROWDATA><METADATA>" + kFields
             + "</METADATA></DATAPACKET>",
         "rows before the field list"},
        {kDecl + "<DATAPACKET Version=\"2.0\"><METADATA>" + kFields + "</METADATA></DATAPACKET>", "no ROWDATA"},
        {"", "an empty file"},
        {"No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\tt\r\n", "a text file named .xml"},
        {packet(kFields, kRow).replace("CHANGE_LOG", "X").replace("<PARAMS/>", "<PARAMS CHANGE_LOG=\"1 <\"/>"),
         "a raw '<' in the change log"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        putFile(dir.filePath("r.xml"), c.file);
        LogTable t;
        t.append(xmlRow(7, "kept", "DC", "1", "V", "pass"));
        EXPECT_FALSE(loadTableXml(dir.filePath("r.xml"), t)) << c.why;
        EXPECT_FALSE(loadTableXmlGeneral(dir.filePath("r.xml"), t)) << c.why;
        ASSERT_EQ(t.rowCount(), 1) << c.why;
        EXPECT_EQ(t.row(0), xmlRow(7, "kept", "DC", "1", "V", "pass")) << c.why;
    }
    LogTable t;
    EXPECT_FALSE(loadTableXml(dir.filePath("missing.xml"), t));
}

TEST(TableXmlLoad, PacketsOfOtherProducersThatAreAccepted)
{
    const QByteArray extraField = kFields.left(kFields.size() - 9)
                                  + "<FIELD attrname=\"Extra\" fieldtype=\"r8\"/></FIELDS>";
    QByteArray renamed = kFields;
    renamed.replace("attrname=\"DC/AC\"", "fieldname=\"DC/AC\" attrname=\"DC_AC\"");
    QByteArray lowerCase = kFields;
    lowerCase.replace("attrname=\"Value\"", "attrname=\"value\"");
    const struct {
        QByteArray file;
        LogRow expected;
        const char* why;
    } cases[] = {
        {packet(extraField, "<ROW RowState=\"4\" No=\"1\" Extra=\"2.5\" Unit=\"V\"/>"),
         xmlRow(1, QString(), QString(), QString(), "V", QString()), "further fields are ignored"},
        {packet(renamed, "<ROW No=\"2\" DC_AC=\"AC\"/>"), xmlRow(2, QString(), "AC", QString(), QString(), QString()),
         "a field named apart from its attribute"},
        {packet(lowerCase, "<ROW No=\"3\" value=\"9\"/>"), xmlRow(3, QString(), QString(), "9", QString(), QString()),
         "field names without regard to case"},
        {packet(kFields, "<ROW RowState=\"8\" No=\"4\"/>"),
         xmlRow(4, QString(), QString(), QString(), QString(), QString()), "another row state"},
        {packet(kFields, "<ROW No=\"5\" Value=\"12345678901234567890123\"/>"),
         xmlRow(5, QString(), QString(), "12345678901234567890", QString(), QString()), "texts cut to 20"},
        {packet(kFields, kRow).replace("<PARAMS/>", "<PARAMS CHANGE_LOG=\"1,0,4\" LCID=\"1033\"/>"),
         xmlRow(1, "t", "DC", "1.5", "V", "pass"), "other parameters"},
        {packet(kFields, "\n  <!-- note --> <ROW No=\"6\" Value=\"a&#009;b\"/>\n"),
         xmlRow(6, QString(), QString(), "a\tb", QString(), QString()), "blanks and a comment"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        putFile(dir.filePath("o.xml"), c.file);
        LogTable t;
        ASSERT_TRUE(loadTableXml(dir.filePath("o.xml"), t)) << c.why;
        ASSERT_EQ(t.rowCount(), 1) << c.why;
        EXPECT_EQ(t.row(0), c.expected) << c.why;
        LogTable general;
        ASSERT_TRUE(loadTableXmlGeneral(dir.filePath("o.xml"), general)) << c.why;
        EXPECT_EQ(general.row(0), c.expected) << c.why;
    }
}

TEST(TableXmlLoad, FastRowReaderAgreesWithTheGeneralReader)
{
    // The rows of the plain form are read by a fast scanner; everything it passes on must come
    // out exactly as the general XML reader gives it.
    const QByteArray tail = "</ROWDATA></DATAPACKET>";
    const QByteArray head = packet(kFields, QByteArray()).left(packet(kFields, QByteArray()).size() - tail.size());
    const struct {
        QByteArray rows;
        QByteArray after;
        bool ok;
        const char* why;
    } cases[] = {
        {"<ROW No=\"1\" Value=\"a&lt;b&#x41;&#65;&amp;\"/>", tail, true, "references"},
        {"<ROW No='2' Value='x\"y'/>", tail, true, "single quotes"},
        {"<ROW  No = \"3\"\n Unit=\"V\"  />", tail, true, "blanks around names"},
        {"<ROW No=\"4\"></ROW>", tail, true, "start and end tag"},
        {"<!-- c --><ROW No=\"5\"/>", tail, true, "a comment"},
        {"<ROW No=\"6\" No=\"7\"/>", tail, false, "an attribute twice"},
        {"<ROW No=\"6\" DC/AC=\"a\" DC.AC=\"b\"/>", tail, false, "the same name twice after mapping"},
        {"<ROW No=\"6\" a:b=\"7\"/>", tail, false, "an unbound prefix"},
        {"<ROW No=\"8\" Value=\"a&#0;\"/>", tail, false, "a character reference to NUL"},
        {"<ROW No=\"8\" Value=\"a&#1114112;\"/>", tail, false, "a reference beyond Unicode"},
        {"<ROW No=\"9\" Value=\"\xC2\xB5V\"/>", tail, true, "UTF-8"},
        {"<ROW No=\"9\" Value=\"\xB5V\"/>", tail, false, "not UTF-8"},
        {"<ROW No=\"10\" Value=\"a\tb\"/>", tail, true, "a raw TAB, read as a blank"},
        {"<ROW No=\"11\" Value=\"a>b\"/>", tail, true, "a raw '>'"},
        {"<ROW No=\"11\" Value=\"a<b\"/>", tail, false, "a raw '<'"},
        {"<ROW No=\"12\" DC.AC=\"x\"/>", tail, true, "the mapped name itself"},
        {"<ROW No=\" 13 \"/>", tail, true, "an integer with blanks"},
        {"<ROW No=\"1 3\"/>", tail, false, "an integer with a blank inside"},
        {"<ROWX No=\"1\"/>", tail, true, "another element"},
        {"<ROW No=\"1\"/>text<ROW No=\"2\"/>", tail, true, "text between rows"},
        {"<ROW No=\"1\" Value=\"&unknown;\"/>", tail, false, "an unknown entity"},
        {"<ROW No=\"1\" xmlns=\"urn:x\"/>", tail, true, "a namespace declaration"},
        {"<ROW No=\"1\"/>", tail + "<!-- end -->", true, "a comment after the packet"},
        {"<ROW No=\"1\"/>", tail + "\r\n\r\n", true, "blank lines after the packet"},
        {"<ROW No=\"1\"/>", "</ROWDATA ></DATAPACKET\n>", true, "blanks in end tags"},
        {"<ROW No=\"1\"/>", "</ROWDATA>", false, "cut before the last end tag"},
        {"<ROW No=\"1\"", QByteArray(), false, "cut inside a row"},
        {"<ROW No=\"1\"/>", "</ROWDATA></DATAPACKET></DATAPACKET>", false, "an extra end tag"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        putFile(dir.filePath("f.xml"), head + c.rows + c.after);
        LogTable fast;
        LogTable general;
        EXPECT_EQ(loadTableXml(dir.filePath("f.xml"), fast), c.ok) << c.why;
        EXPECT_EQ(loadTableXmlGeneral(dir.filePath("f.xml"), general), c.ok) << c.why;
        ASSERT_EQ(fast.rowCount(), general.rowCount()) << c.why;
        for (std::int64_t r = 0; r < fast.rowCount(); ++r)
            EXPECT_EQ(fast.row(r), general.row(r)) << c.why;
    }
}

TEST(TableXmlLoad, HostilePacketsAreRefusedAndHarmlessOnesReadAtFullSpeed)
{
    // What the program itself saves, with comments and instructions put in by hand, must load
    // as saved, its rows still read by the fast scanner; nesting and attribute counts no packet
    // needs are refused at once, before they cost memory or time.
    LogTable saved;
    saved.append(xmlRow(1, "10:00:00", "DC", "1.5", "V", "pass"));
    saved.append(xmlRow(2, "10:00:01", "AC", "it's", "V", "Fail"));
    QTemporaryDir dir;
    const QString own = dir.filePath("own.xml");
    ASSERT_TRUE(saveTableXml(saved, own));
    const QByteArray base = fileBytes(own);
    auto with = [&base](const char* after, const QByteArray& insert) {
        QByteArray b = base;
        const qsizetype at = b.indexOf(after) + qsizetype(qstrlen(after));
        return b.insert(at, insert);
    };
    QByteArray manyAttributes = "<EXTRA";
    for (int i = 0; i < 50000; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"1\"";
    manyAttributes += "/>";
    const QByteArray deep = QByteArray("<X>").repeated(100000) + QByteArray("</X>").repeated(100000);
    const struct {
        QByteArray file;
        bool loads;
        const char* why;
    } cases[] = {
        {with("<METADATA>", "<!-- don't edit -->"), true, "a comment with an apostrophe in the field list"},
        {with("<METADATA>", "<?note it's \"mine\"?>"), true, "an instruction with quotes"},
        {with("<DATAPACKET Version=\"2.0\">", "<![CDATA[ it's <raw> ]]>"), true, "a CDATA section"},
        {with("<ROWDATA>", "<!-- first --> <?mark a?>"), true, "a comment and an instruction before the rows"},
        {with("\"pass\"/>", "\n<!-- between - rows, it's \xC2\xB5 -->\n"), true, "a comment between rows"},
        {base + "<!-- saved by hand --><?end?>\r\n", true, "a comment and an instruction after the packet"},
        {with("<METADATA>", "<!-- a -- b -->"), false, "\"--\" inside a comment"},
        {with("<METADATA>", QByteArray("<X>").repeated(30) + QByteArray("</X>").repeated(30)), true, "32 levels"},
        {with("<METADATA>", QByteArray("<X>").repeated(31) + QByteArray("</X>").repeated(31)), false, "33 levels"},
        {with("<METADATA>", "<P>" + deep + "</P>"), false, "100,000 levels"},
        {with("<METADATA>", manyAttributes), false, "50,000 attributes on one element"},
    };
    const PacketRowNames names = {"No", "Time", "DC.AC", "Value", "Unit", "Auto", "NVal"};
    for (const auto& c : cases) {
        const QString path = dir.filePath("h.xml");
        putFile(path, c.file);
        LogTable t;
        t.append(xmlRow(7, "kept", "DC", "1", "V", "pass"));
        QString why;
        ASSERT_EQ(loadTableXml(path, t, &why), c.loads) << c.why << ": " << why.toStdString();
        if (!c.loads) {
            EXPECT_FALSE(why.isEmpty()) << c.why;
            EXPECT_EQ(t.rowCount(), 1) << c.why;
            continue;
        }
        ASSERT_EQ(t.rowCount(), 2) << c.why;
        EXPECT_EQ(t.row(1), saved.row(1)) << c.why;
        // The rows themselves went through the fast scanner.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_TRUE(file.seek(c.file.indexOf("<ROWDATA>") + 9));
        LogTable rows;
        EXPECT_TRUE(readPacketRows(file, names, rows)) << c.why;
        EXPECT_EQ(rows.rowCount(), 2) << c.why;
    }
}
