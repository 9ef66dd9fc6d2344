// The log grid shows a window of its model's rows; it must look and behave as a plain table
// view over the whole model does, while its own model stays a dozen rows long.
#include "ui/log_grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void appendRows(QStandardItemModel& model, int count)
{
    for (int i = 0; i < count; ++i) {
        const int no = model.rowCount() + 1;
        model.appendRow({new QStandardItem(QString::number(no)), new QStandardItem(QStringLiteral("10:15:%1").arg(no % 60)),
                         new QStandardItem(QString::number(no * 0.001, 'f', 3))});
    }
}

template <typename View>
void setUp(View& view, QAbstractItemModel& model)
{
    view.setModel(&model);
    view.setGeometry(0, 0, 200, 150);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(18);
    view.show();
}

QImage picture(QWidget& w)
{
    QCoreApplication::processEvents();
    return w.grab().toImage();
}

} // namespace

TEST(LogGridView, DrawsWhatAPlainTableViewDrawsWhereverItIsScrolled)
{
    struct Case {
        int rows;
        int scrollFromEnd;   // scroll bar value: maximum minus this; -1 for the top
        const char* why;
    } cases[] = {
        {5, -1, "fewer rows than fit: nothing to scroll"},
        {300, -1, "the top: the last row in sight is cut"},
        {300, 150, "the middle"},
        {300, 1, "one step from the end: the rows start at the top edge"},
        {300, 0, "the end: the last row sits on the bottom edge, the top one is cut"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        QStandardItemModel model(0, 3);
        appendRows(model, c.rows);
        LogGridView grid;
        QTableView plain;
        setUp(grid, model);
        setUp(plain, model);
        grid.setFocusPolicy(Qt::NoFocus);   // neither gets a current row from the focus
        plain.setFocusPolicy(Qt::NoFocus);
        QCoreApplication::processEvents();
        for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(&grid), static_cast<QAbstractItemView*>(&plain)}) {
            QScrollBar* bar = v->verticalScrollBar();
            bar->setValue(c.scrollFromEnd < 0 ? 0 : bar->maximum() - c.scrollFromEnd);
        }
        EXPECT_EQ(grid.verticalScrollBar()->maximum(), plain.verticalScrollBar()->maximum());
        EXPECT_EQ(picture(grid), picture(plain));

        // Logging goes on at the end, and both follow the last row.
        appendRows(model, 3);
        grid.scrollToBottom();
        plain.scrollToBottom();
        EXPECT_EQ(picture(grid), picture(plain)) << "after rows were added and both followed them";
        EXPECT_LE(grid.model()->rowCount(), 9) << "the view's own model holds the rows in sight";
    }
}

TEST(LogGridView, TheCurrentRowStaysWithItsRowAndTheKeysScrollToIt)
{
    QStandardItemModel model(0, 3);
    appendRows(model, 1000);
    LogGridView grid;
    setUp(grid, model);
    QCoreApplication::processEvents();
    auto currentNo = [&] { return grid.currentIndex().siblingAtColumn(0).data().toString(); };

    grid.setCurrentIndex(grid.model()->index(0, 0));
    ASSERT_EQ(currentNo(), "1");
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(currentNo(), "21") << "the rows scrolled along to keep the current one in sight";
    EXPECT_GT(grid.verticalScrollBar()->value(), 0);

    grid.verticalScrollBar()->setValue(500);   // scrolled away: the row is out of sight
    EXPECT_FALSE(grid.currentIndex().isValid());
    grid.verticalScrollBar()->setValue(15);    // and back: it is current again
    EXPECT_EQ(currentNo(), "21");

    appendRows(model, 50);
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(currentNo(), "1050");
    EXPECT_EQ(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());
    QTest::keyClick(&grid, Qt::Key_Home);
    EXPECT_EQ(currentNo(), "1");
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);

    model.removeRows(0, model.rowCount());   // the table emptied: nothing current, nothing shown
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_FALSE(grid.currentIndex().isValid());
}

// New rows keep the view at the end only while it shows the end; a Shift selection copies as
// TAB text with the header line.
TEST(LogGridView, FollowsTheEndOnlyFromTheEndAndCopiesTheSelectedRows)
{
    QStandardItemModel model(0, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Time"), QStringLiteral("Value")});
    appendRows(model, 100);
    LogGridView grid;
    setUp(grid, model);
    QScrollBar* bar = grid.verticalScrollBar();
    bar->setValue(bar->maximum());
    appendRows(model, 5);
    EXPECT_EQ(bar->value(), bar->maximum()) << "at the end: it follows";
    bar->setValue(20);
    appendRows(model, 5);
    EXPECT_EQ(bar->value(), 20) << "scrolled back: the rows stay";
    bar->setValue(bar->maximum());
    appendRows(model, 1);
    EXPECT_EQ(bar->value(), bar->maximum()) << "back at the end: it follows again";

    bar->setValue(0);
    grid.setCurrentIndex(grid.model()->index(1, 0));
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.selectionFirst(), 1);
    EXPECT_EQ(grid.selectionLast(), 3);
    EXPECT_EQ(grid.selectionModel()->selectedRows().size(), 3);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("No.\tTime\tValue\n2\t10:15:2\t0.002\n3\t10:15:3\t0.003\n4\t10:15:4\t0.004\n"));
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.selectionFirst(), 4) << "without Shift the selection starts afresh";
    EXPECT_EQ(grid.selectionLast(), 4);
}
