#include "log/log_grid_model.h"
#include "log/log_table.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

LogRow row(qint32 no, const char* unit)
{
    LogRow r;
    r.no = no;
    r.time = QStringLiteral("10:15:30");
    r.function = QStringLiteral("OHM");
    r.value = QStringLiteral("1.234");
    r.unit = QString::fromLatin1(unit);
    r.judge = QStringLiteral("pass");
    return r;
}

QString shown(const LogGridModel& m, int r, int c) { return m.data(m.index(r, c)).toString(); }

}   // namespace

TEST(LogGridModelView, ColumnsTitlesAndAlignment)
{
    LogTable t;
    t.append(row(7, "k*"));
    LogGridModel m(t, [](const QString& u) { return u == QLatin1String("k*") ? QStringLiteral("k\u03A9") : u; });
    ASSERT_EQ(m.columnCount(), 6);
    ASSERT_EQ(m.rowCount(), 1);
    const char* titles[] = {"No.", "Time", "Function", "Value", "Unit", "Judge"};
    const char* cells[] = {"7", "10:15:30", "OHM", "1.234", nullptr, "pass"};
    const int align[] = {Qt::AlignRight, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(titles[c]));
        if (cells[c]) {
            EXPECT_EQ(shown(m, 0, c), QString::fromLatin1(cells[c])) << c;
        }
        EXPECT_EQ(m.data(m.index(0, c), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, align[c]) << c;
        EXPECT_FALSE(m.flags(m.index(0, c)) & Qt::ItemIsEditable);
    }
    EXPECT_EQ(shown(m, 0, LogGridModel::UnitColumn), QStringLiteral("k\u03A9")) << "unit shown, not stored text";
    EXPECT_EQ(t.text(0, LogTable::Unit), QStringLiteral("k*"));
    EXPECT_EQ(LogGridModel::fieldOf(LogGridModel::JudgeColumn), int(LogTable::Auto));
}

TEST(LogGridModelView, AppendsAreAnnouncedAsInsertsAndClearsAsResets)
{
    LogTable t;
    LogGridModel m(t);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);

    t.append(row(1, "V"));
    EXPECT_EQ(m.rowCount(), 0) << "the view learns of rows only when told";
    m.rowsAppended();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 0);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 0);

    t.append(row(2, "V"));
    t.append(row(3, "V"));
    m.rowsAppended();   // a batch of rows in one notice
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 1);
    EXPECT_EQ(inserted.at(1).at(2).toInt(), 2);
    m.rowsAppended();   // nothing new
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(shown(m, 2, LogGridModel::NoColumn), QStringLiteral("3"));

    t.clear();
    m.rowsAppended();   // fewer rows than shown: a reset, never a stale read
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(m.rowCount(), 0);

    LogTable loaded;
    loaded.append(row(9, "V"));
    t.swap(loaded);
    m.tableReset();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(shown(m, 0, LogGridModel::NoColumn), QStringLiteral("9"));
    EXPECT_FALSE(m.data(m.index(5, 0)).isValid());
}
