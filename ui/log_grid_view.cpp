#include "ui/log_grid_view.h"

#include "log/log_grid_model.h"
#include "ui/grid_copy.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStyleOptionSlider>
#include <QToolTip>

#include <algorithm>

namespace {

// A row that carries an event shows a small red corner in its No., beside the number.
class EventMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(LogGridModel::EventMarkRole).toBool())
            return;
        const QRect r = option.rect;
        const int side = std::max(4, r.height() / 2);
        const QPoint corner[] = {r.topLeft(), r.topLeft() + QPoint(side, 0), r.topLeft() + QPoint(0, side)};
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(200, 0, 0));
        painter->drawPolygon(corner, 3);
        painter->restore();
    }
};

} // namespace

GridScrollBar::Look GridScrollBar::currentLook() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum(), minimum() == maximum()};
}

void GridScrollBar::sliderChange(SliderChange change)
{
    if ((change == SliderRangeChange || change == SliderValueChange) && currentLook() == painted_)
        return;
    QScrollBar::sliderChange(change);
}

void GridScrollBar::paintEvent(QPaintEvent* event)
{
    painted_ = currentLook();
    QScrollBar::paintEvent(event);
}

LogGridView::LogGridView(QWidget* parent) : QTableView(parent)
{
    setVerticalScrollBar(new GridScrollBar(Qt::Vertical, this));
    QTableView::setModel(&window_);
    setItemDelegateForColumn(LogGridModel::NoColumn, new EventMarkDelegate(this));
}

void LogGridView::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = window_.source())
        disconnect(old, nullptr, this, nullptr);
    window_.setSource(model);
    placed_ = Placement();
    currentSourceRow_ = -1;
    if (model) {
        // Rows added at the end only move the scroll bar's range, and perhaps what is shown;
        // anything else starts the view afresh.
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
            const bool follow = atEnd();
            updateGeometries();
            if (follow)
                verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        });
        connect(model, &QAbstractItemModel::rowsRemoved, this, &LogGridView::sourceReset);
        connect(model, &QAbstractItemModel::modelReset, this, &LogGridView::sourceReset);
        connect(model, &QAbstractItemModel::layoutChanged, this, &LogGridView::sourceReset);
        connect(model, &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
    }
    updateGeometries();
}

int LogGridView::sourceRows() const
{
    return window_.source() ? window_.source()->rowCount() : 0;
}

int LogGridView::rowHeight() const
{
    return std::max(1, verticalHeader()->defaultSectionSize());
}

int LogGridView::fullRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

// As a table view scrolling by rows places them: from the scroll bar's value at the top, and
// at its maximum with the last row at the bottom edge.
LogGridView::Placement LogGridView::placementAt(int scrollValue) const
{
    const int rows = sourceRows();
    const int full = fullRows();
    if (rows <= full)
        return {0, rows, 0, true};
    if (scrollValue >= rows - full) {
        const int count = std::min(rows, full + 1);
        return {rows - count, count, count * rowHeight() - viewport()->height(), true};
    }
    return {scrollValue, std::min(rows - scrollValue, full + 1), 0, true};
}

void LogGridView::place(const Placement& p)
{
    const Placement old = placed_;
    placed_ = p;
    window_.show(p.top, p.count);
    verticalHeader()->setOffset(p.offset);
    if (!old.valid) {
        viewport()->update();
    } else {
        // What is drawn of a row stays right where the row goes: move it there, and paint
        // the rows that were not drawn before.
        const int dy = (old.top - p.top) * rowHeight() + (old.offset - p.offset);
        if (dy != 0)
            viewport()->scroll(0, dy);
        const int oldEnd = (old.top + old.count - p.top) * rowHeight() - p.offset;
        if (oldEnd < viewport()->height()) {
            const int from = std::max(0, oldEnd);
            viewport()->update(0, from, viewport()->width(), viewport()->height() - from);
        }
    }

    // The current row and the selection stay with their model rows.
    if (currentSourceRow_ < 0 || !selectionModel())
        return;
    remapping_ = true;
    const int row = currentSourceRow_ - p.top;
    const int column = std::max(0, currentIndex().column());
    if (row >= 0 && row < p.count)
        selectionModel()->setCurrentIndex(window_.index(row, column), QItemSelectionModel::NoUpdate);
    else
        selectionModel()->clearCurrentIndex();
    showSelection();
    remapping_ = false;
}

void LogGridView::showSelection()
{
    const int first = std::max(selectionFirst() - placed_.top, 0);
    const int last = std::min(selectionLast() - placed_.top, placed_.count - 1);
    QItemSelection shown;
    if (selectionFirst() >= 0 && first <= last && window_.columnCount() > 0)
        shown.select(window_.index(first, 0), window_.index(last, window_.columnCount() - 1));
    selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
}

bool LogGridView::atEnd() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

int LogGridView::selectionFirst() const
{
    if (currentSourceRow_ < 0)
        return -1;
    return anchorSourceRow_ < 0 ? currentSourceRow_ : std::min(currentSourceRow_, anchorSourceRow_);
}

int LogGridView::selectionLast() const
{
    return currentSourceRow_ < 0 ? -1 : std::max(currentSourceRow_, anchorSourceRow_);
}

QString LogGridView::selectionAsText() const
{
    if (!window_.source() || selectionFirst() < 0)
        return QString();
    return rowsAsTabText(*window_.source(), selectionFirst(), selectionLast());
}

void LogGridView::selectSourceRow(int row)
{
    if (row < 0 || row >= sourceRows() || !selectionModel())
        return;
    revealSourceRow(row);
    extending_ = false;
    anchorSourceRow_ = -1;
    setCurrentIndex(window_.index(row - window_.top(), std::max(0, currentIndex().column())));
}

void LogGridView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    // A click or key selects the row under it; the selection is then the rows from the anchor.
    QTableView::setSelection(rect, flags);
    if (!remapping_ && currentSourceRow_ >= 0) {
        remapping_ = true;
        showSelection();
        remapping_ = false;
    }
}

QItemSelectionModel::SelectionFlags LogGridView::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // The click or key that moves the current row says whether it extends the selection.
    const auto* input = dynamic_cast<const QInputEvent*>(event);
    extending_ = input && (input->modifiers() & Qt::ShiftModifier);
    return QTableView::selectionCommand(index, event);
}

void LogGridView::keyPressEvent(QKeyEvent* event)
{
    if (!event->matches(QKeySequence::Copy))
        return QTableView::keyPressEvent(event);
    if (selectionFirst() < 0)
        return;
    if (selectionLast() - selectionFirst() + 1 > kMostCopiedRows) {
        QToolTip::showText(mapToGlobal(QPoint(0, 0)),
                           QStringLiteral("Select at most %1 rows to copy them.").arg(kMostCopiedRows), this);
        return;
    }
    QGuiApplication::clipboard()->setText(selectionAsText());
}

void LogGridView::sourceReset()
{
    currentSourceRow_ = -1;
    anchorSourceRow_ = -1;
    if (selectionModel())
        selectionModel()->clear();
    placed_ = Placement();
    verticalScrollBar()->setValue(0);
    updateGeometries();
}

void LogGridView::updateGeometries()
{
    if (fitting_)
        return;
    fitting_ = true;
    QScrollBar* bar = verticalScrollBar();
    const int value = bar->value();
    // The table view sets the scroll bar for the window's rows; it is then set for all rows.
    QTableView::updateGeometries();
    const int full = fullRows();
    const int maximum = std::max(0, sourceRows() - full);
    bar->setRange(0, maximum);
    bar->setPageStep(full);
    bar->setSingleStep(1);
    bar->setValue(std::min(value, maximum));
    fitting_ = false;
    place(placementAt(bar->value()));
}

void LogGridView::scrollContentsBy(int dx, int dy)
{
    if (dx != 0)
        QTableView::scrollContentsBy(dx, 0);
    if (dy != 0 && !fitting_)
        place(placementAt(verticalScrollBar()->value()));
}

void LogGridView::revealSourceRow(int row)
{
    const Placement p = placementAt(verticalScrollBar()->value());
    const int firstWhole = p.offset > 0 ? p.top + 1 : p.top;
    const int lastWhole = p.top + std::min(p.count, fullRows()) - (p.offset > 0 ? 0 : 1);
    if (row < firstWhole)
        verticalScrollBar()->setValue(row);
    else if (row > lastWhole)
        verticalScrollBar()->setValue(row - fullRows() + 1);
}

void LogGridView::scrollTo(const QModelIndex& index, ScrollHint)
{
    if (!remapping_ && !fitting_ && index.isValid())
        revealSourceRow(window_.sourceRow(index.row()));
}

void LogGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (!remapping_) {
        currentSourceRow_ = current.isValid() ? window_.sourceRow(current.row()) : -1;
        // Shift extends the selection from its anchor; anything else starts it afresh.
        if (!extending_ || anchorSourceRow_ < 0)
            anchorSourceRow_ = currentSourceRow_;
        if (selectionModel()) {
            remapping_ = true;
            showSelection();
            remapping_ = false;
        }
    }
    QTableView::currentChanged(current, previous);
}

QModelIndex LogGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const int rows = sourceRows();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? window_.sourceRow(current.row()) : -1;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = row < 0 ? placed_.top : row - 1; break;
    case MoveDown:
    case MoveNext: row = row < 0 ? placed_.top : row + 1; break;
    case MovePageUp: row -= fullRows(); break;
    case MovePageDown: row = row < 0 ? placed_.top : row + fullRows(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    case MoveLeft:
    case MoveRight: return QTableView::moveCursor(action, modifiers);
    }
    row = std::clamp(row, 0, rows - 1);
    revealSourceRow(row);
    return window_.index(row - window_.top(), std::max(0, current.column()));
}
