#pragma once
// Running figures of a set of logged rows: how many, how many overloads, minimum, maximum,
// mean, sample standard deviation and the first and last time stamp, per group of function
// and base unit (a log that went from mV to V is one group of volts). Values are in the base
// unit; each row updates the sums once, so the figures of ten million rows cost no rescan.
#include "log/log_row.h"
#include "log/moments_merge.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class LogTable;

// The counts and the numbers' figures (base units, squares summed by Welford's rule) are
// FigureSums'.
struct StatisticsGroup : FigureSums {
    QString function;            // "DC", "OHM", ...
    QString baseUnit;            // "V", "\u03A9", "\u00B0C"; a unit this system does not know: as shown
    QString latestUnit;          // stored unit of the group's latest row ("mV"), the one the meter shows now
    QDateTime first;             // time stamps of logged rows; invalid when only loaded rows
    QDateTime last;

    // Sample standard deviation; empty below two numbers.
    std::optional<double> stdev() const;
};

class RowStatistics {
public:
    void add(const LogRow& row);
    // Rows [first, end) of the table.
    void addTableRows(const LogTable& table, std::int64_t first, std::int64_t end);
    void clear();
    // Figures of rows summed up elsewhere (a summary's bucket), all of one function and stored
    // unit (`part.function`, `part.latestUnit`), merged as if they had been added one by one:
    // counts add, minimum and maximum join, mean and squares merge by the pairwise formula.
    // firstNo and lastNo are the part's first and last record numbers, where known. Returns
    // the position of the part's group in groups().
    std::size_t merge(const StatisticsGroup& part, std::optional<qint32> firstNo, std::optional<qint32> lastNo);

    // In the order the groups first appeared.
    const std::vector<StatisticsGroup>& groups() const { return groups_; }
    std::int64_t rows() const { return rows_; }
    // Record numbers of the first and last row counted; empty when they had none.
    std::optional<qint32> firstNo() const { return firstNo_; }
    std::optional<qint32> lastNo() const { return lastNo_; }

private:
    void add(const QString& function, const QString& unit, const std::optional<Measurement>& measurement,
             const QDateTime& at, std::optional<qint32> no);
    std::size_t groupOf(const QString& function, const QString& unit);

    std::vector<StatisticsGroup> groups_;
    // Group positions by (function, base unit), and by (function, stored unit) for the rows
    // after the first of each: a log of many groups costs what one costs.
    QHash<std::pair<QString, QString>, std::size_t> groupAt_;
    QHash<std::pair<QString, QString>, std::size_t> seen_;
    std::int64_t rows_ = 0;
    std::optional<qint32> firstNo_, lastNo_;
    // The last (function, unit) seen and its group: rows mostly repeat it.
    QString lastFunction_, lastUnit_;
    std::size_t lastGroup_ = 0;
    bool haveLast_ = false;
};
