#pragma once
// The log table: seven typed fields, stored column by column so ten million rows stay small.
// Repeated texts (function, unit, judge) are interned; short texts are kept inline. Logged rows
// also keep when they were logged and their range mode, which the files do not carry.
#include "log/log_row.h"
#include "log/row_value.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class LogTable {
public:
    enum Field { No, Time, Function, Value, Unit, Auto, NVal, FieldCount };
    static constexpr int kTextWidth = 20;   // longer texts are cut when stored

    LogTable();
    ~LogTable();
    LogTable(const LogTable&) = delete;
    LogTable& operator=(const LogTable&) = delete;

    static QString fieldName(int field);            // "No", "Time", "DC/AC", "Value", "Unit", "Auto", "NVal"
    static int fieldIndex(const QString& name);     // without regard to case; -1 when unknown
    static bool isIntegerField(int field) { return field == No || field == NVal; }

    std::int64_t rowCount() const;
    void append(const LogRow& row);                 // texts cut to kTextWidth; the reading value is not kept
    LogRow row(std::int64_t index) const;           // without a reading value
    QString text(std::int64_t index, int field) const;             // text fields; integers as decimal text, NULL as empty
    std::optional<qint32> integer(std::int64_t index, int field) const;
    // Fast readers of the columns for summaries of many rows, building no texts. rowValue()
    // gives what measurementOf(row(index)) gives for base value, overload and exactness.
    static constexpr std::uint16_t kSpilledText = 0xFFFF;
    RowValue rowValue(std::int64_t index) const;
    QString functionText(std::uint16_t id) const;   // of a rowValue()'s ids, not kSpilledText
    QString unitText(std::uint16_t id) const;
    std::optional<RowStamp> stamp(std::int64_t index) const;       // logged rows only
    std::optional<int> timeOfDayMs(std::int64_t index) const;      // what the Time text says
    void clear();
    void swap(LogTable& other);                     // for loads that replace the table all at once
    std::size_t memoryBytes() const;                // what the rows occupy

private:
    struct Columns;
    std::unique_ptr<Columns> d_;
};
