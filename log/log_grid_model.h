#pragma once
// The read-only grid of the log table: six columns read straight from the table, no copies.
#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <set>

class LogTable;
class RecordEvents;

class LogGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NoColumn, TimeColumn, FunctionColumn, ValueColumn, UnitColumn, JudgeColumn, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {39, 53, 42, 51, 36, 38};   // pixels

    // Unit texts are stored in the system's characters ("k*"); `showUnit` turns them into what a
    // person reads (the window passes displayUnit). Without it they are shown as stored.
    using UnitMapper = std::function<QString(const QString&)>;
    explicit LogGridModel(const LogTable& table, UnitMapper showUnit = {}, QObject* parent = nullptr);

    // The table's field shown in a column.
    static int fieldOf(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Call after rows were appended to the table: the views learn of the new rows only.
    void rowsAppended();
    // Call after the table was emptied or replaced (Close Data, a load).
    void tableReset();

    // The log's events beside its rows (outlive the model): a row that carries one has
    // EventMarkRole true on its No., and a tool tip there naming them. The rows, their order
    // and their numbers stay as they are.
    static constexpr int EventMarkRole = Qt::UserRole + 1;
    void setEvents(const RecordEvents* events);
    // An event was marked at row number `no`; eventsReset() after the list was emptied or replaced.
    void eventAdded(std::int64_t no);
    void eventsReset();

private:
    const LogTable& table_;
    UnitMapper showUnit_;
    int shownRows_ = 0;   // rows the views know of
    const RecordEvents* events_ = nullptr;
    std::set<std::int64_t> markedRows_;   // the row numbers that carry an event
};
