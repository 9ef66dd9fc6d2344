#pragma once
// The rows of a long model that a grid shows at a time: rows [top, top + count) of the source,
// renumbered from 0. A table view keeps an entry per row of its model in its row header; over
// this window it keeps a dozen, however many rows the source holds.
#include <QAbstractTableModel>
#include <QPointer>

class GridWindowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridWindowModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setSource(QAbstractItemModel* source);
    QAbstractItemModel* source() const { return source_; }

    // Shows `count` rows from `top` (kept within the source). Rows added or dropped at the end
    // of the window are announced as such; a new `top` changes what every row shows, and the
    // view is to repaint or move what it has drawn.
    void show(int top, int count);
    int top() const { return top_; }
    int sourceRow(int row) const { return top_ + row; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QModelIndex sourceIndex(const QModelIndex& index) const;

    QPointer<QAbstractItemModel> source_;
    int top_ = 0;
    int count_ = 0;
};
