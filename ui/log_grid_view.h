#pragma once
// DBGrid1: the grid of the log table. A plain table view keeps an entry per row in its row
// header (about 8 bytes a row, 80 MB at ten million rows) and lays out and repaints every
// visible row whenever rows are added. This one hands the table view only the dozen rows in
// sight, through a window over the whole model, and drives its scroll bar by the whole model's
// rows. When what is shown moves, it moves the pixels already drawn and paints only the rows
// that come into view.
#include "ui/grid_window_model.h"

#include <QScrollBar>
#include <QTableView>

// The grid's vertical scroll bar. Each logged row moves its maximum by one, which with many
// rows seldom moves the slider by a pixel; it repaints only when what it shows would change.
class GridScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look {
        QRect slider;
        bool atStart = false, atEnd = false, empty = false;
        bool operator==(const Look& o) const
        {
            return slider == o.slider && atStart == o.atStart && atEnd == o.atEnd && empty == o.empty;
        }
    };
    Look currentLook() const;
    Look painted_;
};

class LogGridView : public QTableView {
    Q_OBJECT
public:
    explicit LogGridView(QWidget* parent = nullptr);

    // The model of every row; model() is the window the table view draws.
    void setModel(QAbstractItemModel* model) override;
    QAbstractItemModel* sourceModel() const { return window_.source(); }
    // The model row shown in a row of the view's model.
    int sourceRow(int viewRow) const { return window_.sourceRow(viewRow); }

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // The view shows the last row: new rows keep it there, as a terminal does. Scrolled back,
    // the rows stay where the user put them.
    bool atEnd() const;
    // The model rows selected, first and last; -1 and -1 when none. A click selects one row,
    // Shift with a click or the arrow keys extends it from the row clicked first.
    int selectionFirst() const;
    int selectionLast() const;
    // The selected rows as TAB text with the header line, as Ctrl+C puts them on the clipboard.
    QString selectionAsText() const;
    // Selects the one model row `row` and scrolls it into view, as a click on it would.
    void selectSourceRow(int row);
    static constexpr int kMostCopiedRows = 1000000;   // beyond, Ctrl+C says so and copies nothing

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // Which model rows the view shows and where: model row r is drawn at
    // y = (r - top) * rowHeight - offset.
    struct Placement {
        int top = 0;
        int count = 0;
        int offset = 0;
        bool valid = false;
    };
    Placement placementAt(int scrollValue) const;
    void place(const Placement& p);
    void sourceReset();
    void revealSourceRow(int row);
    void showSelection();   // selects the rows in sight that lie in the selection
    int sourceRows() const;
    int fullRows() const;   // rows that fit whole in the viewport
    int rowHeight() const;

    GridWindowModel window_;
    Placement placed_;
    bool fitting_ = false;        // updateGeometries is bringing the scroll bar up to date
    bool remapping_ = false;      // the current row is being moved with what is shown
    int currentSourceRow_ = -1;   // the model row of the current (selected) row; -1: none
    int anchorSourceRow_ = -1;    // where a Shift selection starts; -1: none
    mutable bool extending_ = false;   // the event moving the current row holds Shift
};
