#include "ui/grid_window_model.h"

#include <algorithm>

void GridWindowModel::setSource(QAbstractItemModel* source)
{
    beginResetModel();
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    top_ = 0;
    count_ = 0;
    if (source_)
        connect(source_, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    endResetModel();
}

void GridWindowModel::show(int top, int count)
{
    const int sourceRows = source_ ? source_->rowCount() : 0;
    top = std::clamp(top, 0, std::max(0, sourceRows - 1));
    count = std::clamp(count, 0, std::max(0, sourceRows - top));
    top_ = top;
    if (count > count_) {
        beginInsertRows(QModelIndex(), count_, count - 1);
        count_ = count;
        endInsertRows();
    } else if (count < count_) {
        beginRemoveRows(QModelIndex(), count, count_ - 1);
        count_ = count;
        endRemoveRows();
    }
}

int GridWindowModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int GridWindowModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !source_ ? 0 : source_->columnCount();
}

QModelIndex GridWindowModel::sourceIndex(const QModelIndex& index) const
{
    if (!source_ || !index.isValid() || index.row() >= count_)
        return QModelIndex();
    return source_->index(top_ + index.row(), index.column());
}

QVariant GridWindowModel::data(const QModelIndex& index, int role) const
{
    const QModelIndex s = sourceIndex(index);
    return s.isValid() ? s.data(role) : QVariant();
}

QVariant GridWindowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!source_)
        return QVariant();
    return source_->headerData(orientation == Qt::Vertical ? top_ + section : section, orientation, role);
}

Qt::ItemFlags GridWindowModel::flags(const QModelIndex& index) const
{
    const QModelIndex s = sourceIndex(index);
    return s.isValid() ? source_->flags(s) : Qt::NoItemFlags;
}
