#pragma once
// A LogRow field by its number, for the file readers, which fill a row field by field and
// reuse it from row to row.
#include "log/log_row.h"
#include "log/log_table.h"

// The text a field number names; null for the integer fields No and NVal.
inline QString* rowText(LogRow& row, int field)
{
    switch (field) {
    case LogTable::Time: return &row.time;
    case LogTable::Function: return &row.function;
    case LogTable::Value: return &row.value;
    case LogTable::Unit: return &row.unit;
    case LogTable::Auto: return &row.judge;
    default: return nullptr;
    }
}

// Makes a field NULL.
inline void clearRowField(LogRow& row, int field)
{
    if (QString* text = rowText(row, field))
        *text = QString();
    else
        (field == LogTable::No ? row.no : row.nval).reset();
}

// A field set from a value read from a file; an empty value is an empty text, not NULL. False
// when an integer field's value is not a whole number.
inline bool setRowField(LogRow& row, int field, QStringView value)
{
    if (QString* text = rowText(row, field)) {
        *text = value.isEmpty() ? QStringLiteral("") : value.toString();
        return true;
    }
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok)
        (field == LogTable::No ? row.no : row.nval) = number;
    return ok;
}

// Single-byte text into `out`, reusing its buffer: the rows of one file mostly hold texts of
// the same lengths, so reading millions of them allocates next to nothing. `size` > 0.
inline void assignLatin1(QString& out, const char* data, qsizetype size)
{
    out.resize(size);
    QChar* d = out.data();
    for (qsizetype i = 0; i < size; ++i)
        d[i] = QLatin1Char(data[i]);
}
