#include "log/log_grid_model.h"

#include "log/log_table.h"
#include "log/record_events.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

int tableRows(const LogTable& t)
{
    return int(std::min<std::int64_t>(t.rowCount(), std::numeric_limits<int>::max()));
}

}   // namespace

LogGridModel::LogGridModel(const LogTable& table, UnitMapper showUnit, QObject* parent)
    : QAbstractTableModel(parent), table_(table), showUnit_(std::move(showUnit)), shownRows_(tableRows(table))
{
}

int LogGridModel::fieldOf(int column)
{
    static const int fields[ColumnCount] = {LogTable::No,    LogTable::Time, LogTable::Function,
                                            LogTable::Value, LogTable::Unit, LogTable::Auto};
    return column >= 0 && column < ColumnCount ? fields[column] : -1;
}

int LogGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int LogGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant LogGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= shownRows_ || index.column() >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole) {
        const QString text = table_.text(index.row(), fieldOf(index.column()));
        return index.column() == UnitColumn && showUnit_ ? showUnit_(text) : text;
    }
    if ((role == EventMarkRole || role == Qt::ToolTipRole) && index.column() == NoColumn && !markedRows_.empty()) {
        bool numbered = false;
        const std::int64_t no = table_.text(index.row(), LogTable::No).toLongLong(&numbered);
        if (!numbered || !markedRows_.count(no))
            return QVariant();
        if (role == EventMarkRole)
            return true;
        QStringList texts;
        for (const RecordEvent& e : events_->atRow(no))
            texts << e.at.toString(QStringLiteral("HH:mm:ss  ")) + eventText(e);
        return texts.join(QLatin1Char('\n'));
    }
    if (role == Qt::TextAlignmentRole) {
        // No. right, Time and Function centred, Value and Unit right, Judge left.
        static const Qt::Alignment align[ColumnCount] = {Qt::AlignRight, Qt::AlignHCenter, Qt::AlignHCenter,
                                                         Qt::AlignRight, Qt::AlignRight,   Qt::AlignLeft};
        return QVariant::fromValue(int(align[index.column()] | Qt::AlignVCenter));
    }
    return QVariant();
}

QVariant LogGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[ColumnCount] = {"No.", "Time", "Function", "Value", "Unit", "Judge"};
    return QString::fromLatin1(titles[section]);
}

Qt::ItemFlags LogGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;   // never editable
}

void LogGridModel::rowsAppended()
{
    const int rows = tableRows(table_);
    if (rows < shownRows_) {
        tableReset();
        return;
    }
    if (rows == shownRows_)
        return;
    beginInsertRows(QModelIndex(), shownRows_, rows - 1);
    shownRows_ = rows;
    endInsertRows();
}

void LogGridModel::tableReset()
{
    beginResetModel();
    shownRows_ = tableRows(table_);
    endResetModel();
}

void LogGridModel::setEvents(const RecordEvents* events)
{
    events_ = events;
    eventsReset();
}

void LogGridModel::eventAdded(std::int64_t no)
{
    if (!events_ || !markedRows_.insert(no).second || shownRows_ == 0)
        return;
    // An event is marked at the row logged last, nearly always the last one shown: only it is
    // repainted, not the whole column, while a rule raises and clears at every reading.
    const int last = shownRows_ - 1;
    bool numbered = false;
    if (table_.text(last, LogTable::No).toLongLong(&numbered) == no && numbered)
        emit dataChanged(index(last, NoColumn), index(last, NoColumn), {EventMarkRole});
    else
        emit dataChanged(index(0, NoColumn), index(last, NoColumn), {EventMarkRole});
}

void LogGridModel::eventsReset()
{
    markedRows_.clear();
    if (events_)
        for (const std::int64_t no : events_->markedRows())
            markedRows_.insert(no);
    if (shownRows_ > 0)
        emit dataChanged(index(0, NoColumn), index(shownRows_ - 1, NoColumn), {EventMarkRole});
}
