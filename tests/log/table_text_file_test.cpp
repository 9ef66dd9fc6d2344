#include "log/log_table.h"
#include "log/files/table_text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

LogRow row(std::optional<qint32> no, const char* time, const char* function, const char* value, const char* unit,
           const char* judge)
{
    LogRow r;
    r.no = no;
    r.time = time ? QString::fromUtf8(time) : QString();
    r.function = function ? QString::fromUtf8(function) : QString();
    r.value = value ? QString::fromUtf8(value) : QString();
    r.unit = unit ? QString::fromUtf8(unit) : QString();
    r.judge = judge ? QString::fromUtf8(judge) : QString();
    return r;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

const QByteArray kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";

}   // namespace

TEST(TableTextSave, WritesHeaderTrimmedFieldsNullAndQuotes)
{
    // Group separators of a "," decimal locale must not reach the file.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    LogTable t;
    t.append(row(1234567, "10:15:30", "DC", "1,234", "V", "pass"));
    t.append(row(2, "10:15:31", "AC", "  -0,5 \t", nullptr, "Fail"));   // trimmed; empty unit
    t.append(row(3, "10:15:30 AM", "DC", "\"q", "k*", "pass"));          // blank inside; leading quote
    t.append(row(std::nullopt, "", "DC", "a\"b", "#", " "));              // no No; empty texts
    QTemporaryDir dir;
    const QString path = dir.filePath("t.xls");
    ASSERT_TRUE(SaveTableAsText(t, path));
    QLocale::setDefault(previous);
    EXPECT_EQ(readAll(path), kHeader + "1234567\t10:15:30\tDC\t1,234\tV\tpass\r\n"
                                       "2\t10:15:31\tAC\t-0,5\tNULL\tFail\r\n"
                                       "3\t\"10:15:30 AM\"\tDC\t\"\"\"q\"\tk*\tpass\r\n"
                                       "\"\"\tNULL\tDC\ta\"b\t#\tNULL\r\n");
}

TEST(TableTextSave, EmptyTableGivesTheHeaderLineOnly)
{
    LogTable t;
    QTemporaryDir dir;
    ASSERT_TRUE(SaveTableAsText(t, dir.filePath("e.txt")));
    EXPECT_EQ(readAll(dir.filePath("e.txt")), kHeader);
}

TEST(TableTextSave, EverythingWrittenLoadsBackWhole)
{
    LogTable t;
    t.append(row(1, "10:15:30 AM", "DC", "1.234", "V", "pass"));
    t.append(row(-7, "2:05:09 nachm.", "AC", "\"quoted\" x", "\xC2\xB5" "A", "Fail"));
    t.append(row(std::nullopt, "a\tb", "DC", "x\"\"y", "k*", "pass"));
    t.append(row(2147483647, "t", "f", "v", "u", "j"));
    QTemporaryDir dir;
    const QString path = dir.filePath("r.txt");
    ASSERT_TRUE(SaveTableAsText(t, path));
    LogTable back;
    ASSERT_TRUE(loadTableText(path, back));
    ASSERT_EQ(back.rowCount(), t.rowCount());
    for (std::int64_t r = 0; r < t.rowCount(); ++r)
        EXPECT_EQ(back.row(r), t.row(r)) << "row " << r;
}

TEST(TableTextSave, LineBreaksInsideATextKeepTheRowWhole)
{
    LogTable t;
    t.append(row(1, "a\r\nb", "DC", "x\ny", "V", "pass"));
    t.append(row(2, "t", "AC", "1", "V", "pass"));
    QTemporaryDir dir;
    ASSERT_TRUE(SaveTableAsText(t, dir.filePath("b.txt")));
    LogTable back;
    ASSERT_TRUE(loadTableText(dir.filePath("b.txt"), back));
    ASSERT_EQ(back.rowCount(), 2);
    EXPECT_EQ(back.row(0), row(1, "a  b", "DC", "x y", "V", "pass"));
    EXPECT_EQ(back.row(1), t.row(1));
}

TEST(TableTextSave, ManyRowsAcrossReadBlocks)
{
    LogTable t;
    for (int i = 0; i < 120000; ++i)
        t.append(row(i, "12:00:00", i % 2 ? "DC" : "AC", QByteArray::number(i * 0.001, 'f', 3).constData(), "V",
                     "pass"));
    QTemporaryDir dir;
    const QString path = dir.filePath("big.xls");
    ASSERT_TRUE(SaveTableAsText(t, path));
    LogTable back;
    ASSERT_TRUE(loadTableText(path, back));
    ASSERT_EQ(back.rowCount(), t.rowCount());
    for (std::int64_t r = 0; r < t.rowCount(); r += 997)
        EXPECT_EQ(back.row(r), t.row(r)) << "row " << r;
    EXPECT_EQ(back.row(t.rowCount() - 1), t.row(t.rowCount() - 1));
}

TEST(TableTextLoad, LinesTokensAndFields)
{
    struct Case {
        QByteArray file;
        bool ok;
        std::int64_t rows;
        LogRow last;   // checked when rows > 0
        const char* why;
    };
    LogRow full = row(5, "t", "DC", "1.5", "V", "pass");
    full.nval = -3;
    const Case cases[] = {
        {kHeader, true, 0, {}, "header only"},
        {"", false, 0, {}, "no first line"},
        {"1\tt\tDC\t1.5\tV\tpass", true, 0, {}, "the first line is dropped whatever it holds"},
        {"h\r1\tt\r2\tu\r", true, 2, row(2, "u", nullptr, nullptr, nullptr, nullptr), "CR line ends"},
        {"h\n1\tt\n2\tu", true, 2, row(2, "u", nullptr, nullptr, nullptr, nullptr), "LF, last line unended"},
        {"h\r\n\r\n  \t \r\n7\tx\r\n", true, 1, row(7, "x", nullptr, nullptr, nullptr, nullptr), "blank lines"},
        {"h\r\n \t5\t\t\tt  DC\x01" "1.5\tV\tpass \r\n", true, 1, row(5, "t", "DC", "1.5", "V", "pass"),
         "runs of separators count once"},
        {"h\r\n5\t\"a \"\"b\"\" c\"\tDC\r\n", true, 1, row(5, "a \"b\" c", "DC", nullptr, nullptr, nullptr),
         "quoted token"},
        {"h\r\n5\t\"open to the end\r\n", true, 1, row(5, "open to the end", nullptr, nullptr, nullptr, nullptr),
         "unclosed quote runs to the line's end"},
        {"h\r\n\"\"\tt\r\n", true, 1, row(std::nullopt, "t", nullptr, nullptr, nullptr, nullptr),
         "empty quoted No is no value"},
        {"h\r\n5\tt\tDC\t1.5\tV\tpass\t-3\r\n", true, 1, full, "seventh token fills NVal"},
        {"h\r\n+5\tt\r\n", true, 1, row(5, "t", nullptr, nullptr, nullptr, nullptr), "sign"},
        {"h\r\n5\tt\tDC\t1.5\tV\tpass\t1\textra\r\n", false, 0, {}, "eight tokens"},
        {"h\r\nx\tt\r\n", false, 0, {}, "No not an integer"},
        {"h\r\n2147483648\tt\r\n", false, 0, {}, "No out of range"},
        {"h\r\n1.5\tt\r\n", false, 0, {}, "No not whole"},
        {"h\r\n1\t10:15:30 AM\tDC\t1.5\tV\tpass\r\n", false, 0, {},
         "an unquoted blank shifts the judge onto NVal"},
        {"h\r\n1\t\xB5" "A\r\n", true, 1, row(1, "\xC2\xB5" "A", nullptr, nullptr, nullptr, nullptr),
         "single-byte code page text"},
        {"h\r\n1\t\xC2\xB5" "A\r\n", true, 1, row(1, "\xC2\xB5" "A", nullptr, nullptr, nullptr, nullptr),
         "UTF-8 text"},
        {"h\r\n1\t123456789012345678901234\r\n", true, 1,
         row(1, "12345678901234567890", nullptr, nullptr, nullptr, nullptr), "texts cut to 20"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath("c.txt");
        writeAll(path, c.file);
        LogTable t;
        EXPECT_EQ(loadTableText(path, t), c.ok) << c.why;
        EXPECT_EQ(t.rowCount(), c.rows) << c.why;
        if (c.rows > 0) {
            EXPECT_EQ(t.row(t.rowCount() - 1), c.last) << c.why;
        }
    }
}

TEST(TableTextLoad, AllOrNothingAndAppending)
{
    LogTable t;
    t.append(row(1, "a", "DC", "1", "V", "pass"));
    t.append(row(2, "b", "DC", "2", "V", "pass"));
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.txt");
    writeAll(bad, kHeader + "10\tx\r\n11\ty\r\nnot-a-number\tz\r\n");
    EXPECT_FALSE(loadTableText(bad, t));
    ASSERT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.row(1), row(2, "b", "DC", "2", "V", "pass"));

    const QString good = dir.filePath("good.txt");
    writeAll(good, kHeader + "1\tx\r\n2\ty\r\n");
    ASSERT_TRUE(loadTableText(good, t));
    ASSERT_TRUE(loadTableText(good, t));   // twice: rows doubled, numbers repeat
    ASSERT_EQ(t.rowCount(), 6);
    EXPECT_EQ(t.integer(2, LogTable::No), 1);
    EXPECT_EQ(t.integer(4, LogTable::No), 1);
    EXPECT_EQ(t.text(5, LogTable::Time), "y");
    EXPECT_EQ(t.row(0), row(1, "a", "DC", "1", "V", "pass"));

    EXPECT_FALSE(loadTableText(dir.filePath("missing.txt"), t));
    EXPECT_FALSE(loadTableText(dir.path(), t)) << "a folder";
    EXPECT_EQ(t.rowCount(), 6);
}

TEST(TableTextSave, FailedSavesLeaveTheOldFile)
{
    LogTable t;
    for (int i = 0; i < 50000; ++i)
        t.append(row(i, "12:00:00", "DC", "1.234", "V", "pass"));
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(SaveTableAsText(t, dir.filePath("no/such/folder/x.xls"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(SaveTableAsText(t, dir.path(), &error)) << "a folder is not a file";

    // A device that is full: written in place (never renamed over), the failure reported.
    struct stat before {};
    if (::stat("/dev/full", &before) == 0 && S_ISCHR(before.st_mode)) {
        EXPECT_FALSE(SaveTableAsText(t, QStringLiteral("/dev/full"), &error));
        struct stat after {};
        ASSERT_EQ(::stat("/dev/full", &after), 0);
        EXPECT_TRUE(S_ISCHR(after.st_mode));
    }

    // The disk fills up halfway: the file that was there stays as it was.
    const QString target = dir.filePath("old.xls");
    writeAll(target, "old contents\r\n");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = SaveTableAsText(t, target, &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(readAll(target), QByteArray("old contents\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.xls"})
        << "no temporary file left behind";
}

TEST(TableTextLoad, LongLines)
{
    const qsizetype block = 1 << 20;
    const QByteArray good = "5\tt\tDC\t1.5\tV\tpass\r\n";
    const LogRow goodRow = row(5, "t", "DC", "1.5", "V", "pass");
    struct Case {
        QByteArray file;
        bool ok;
        std::int64_t rows;
        const char* why;
    };
    const Case cases[] = {
        {QByteArray(3 * block + 17, 'h') + "\r\n" + good, true, 1, "a first line of several blocks is passed over"},
        {QByteArray(block - 1, 'h') + "\r\n" + good, true, 1, "the CR LF of the first line split between blocks"},
        {QByteArray(block - 1, 'h') + "\r" + good, true, 1, "a CR alone at the end of the first block"},
        {QByteArray(2 * block, 'h'), true, 0, "only a first line, without an end"},
        {"\r\n" + good, true, 1, "an empty first line"},
        {kHeader + "5\t" + QByteArray(block - 100, ' ') + "t\r\n", true, 1, "a long run of blanks inside a row"},
        {kHeader + good + "5\t" + QByteArray(block, ' ') + "t\r\n" + good, false, 0, "a line over a mebibyte"},
        {kHeader + good + "5\t" + QByteArray(100 * block, 'x'), false, 0, "an endless last line"},
    };
    // A first line that never ends is given up, not read for ever.
    LogTable endless;
    QString why;
    EXPECT_FALSE(loadTableText(QStringLiteral("/dev/zero"), endless, &why));
    EXPECT_EQ(why, QStringLiteral("its first line does not end within 4 GiB"));
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath("long.txt");
        writeAll(path, c.file);
        LogTable t;
        EXPECT_EQ(loadTableText(path, t), c.ok) << c.why;
        EXPECT_EQ(t.rowCount(), c.rows) << c.why;
        if (c.rows == 1) {
            EXPECT_EQ(t.row(0), c.file.endsWith(good) ? goodRow : row(5, "t", nullptr, nullptr, nullptr, nullptr))
                << c.why;
        }
    }
}
