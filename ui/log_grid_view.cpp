#include "ui/log_grid_view.h"

#include <QHeaderView>
#include <QStyleOptionSlider>

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
    // The table view's own handler of a changed row count lays out and repaints the whole
    // viewport; this one does so only for changes other than rows added at the end.
    if (!disconnect(verticalHeader(), SIGNAL(sectionCountChanged(int,int)), this, SLOT(rowCountChanged(int,int))))
        disconnect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &LogGridView::rowCountChanged);
    connect(verticalHeader(), &QHeaderView::sectionCountChanged, this, &LogGridView::headerRowCountChanged);
}

void LogGridView::setModel(QAbstractItemModel* model)
{
    if (QTableView::model())
        disconnect(QTableView::model(), nullptr, this, nullptr);
    QTableView::setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex& parent, int first, int) {
                appending_ = !parent.isValid() && first == QTableView::model()->rowCount();
            });
}

void LogGridView::headerRowCountChanged(int oldCount, int newCount)
{
    const bool appended = appending_ && newCount > oldCount;
    appending_ = false;
    if (!appended) {
        QTableView::rowCountChanged(oldCount, newCount);
        return;
    }
    // The scroll bars take the new rows; when the view sits at the end this moves the rows
    // already drawn, which are then moved on screen rather than drawn again.
    const int offsetBefore = verticalHeader()->offset();
    updateGeometries();
    if (verticalHeader()->offset() != offsetBefore)
        viewport()->scroll(0, offsetBefore - verticalHeader()->offset());
    const int top = rowViewportPosition(oldCount);
    if (top < viewport()->height())
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
}
