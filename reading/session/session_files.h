#pragma once
// Saving every channel of a session of several meters: each channel as its own table file, all
// of them as one CSV with a channel column, or as one wide CSV with a value and a unit column
// per channel (for spreadsheets and pandas).
#include "log/files/analysis_record.h"
#include "log/files/table_file_outcome.h"

#include <QString>

#include <vector>

class LogTable;
class MeterSession;
class SourceRows;

struct NamedTable {
    QString channel;
    const LogTable* table;
    const SourceRows* sources = nullptr;   // a computed channel's: the input rows of each row
};

// A row of any channel in the analysis columns. A computed channel's row (function "CALC")
// has its number from its own texts: its units are not a meter's.
AnalysisRecord channelRecord(const LogRow& row);

// Every channel's table, inputs first, then the computed channels in their definitions' order.
std::vector<NamedTable> sessionTables(const MeterSession& session);

// "run.xls" for channel u: "run-u.xls"; "run" gives "run-u".
QString channelFileName(const QString& fileName, const QString& channel);

// Each channel to channelFileName(fileName, channel), in the format its name says (text or XML
// packet); an empty table leaves an existing file alone. Stops at the first that fails.
FileOutcome saveEachChannel(const std::vector<NamedTable>& tables, const QString& fileName);

// One CSV: the analysis columns with "channel" in front, the rows of all channels in the order
// they were logged (by time stamp; a channel's own rows keep their order).
bool saveChannelsCsv(const std::vector<NamedTable>& tables, const QString& fileName, QString* error);

// One wide CSV: a "timestamp" column, then "<channel>" and "<channel>_unit" per channel; a row
// per computed row (per row of any channel when there is no computed channel). An input the
// computed row was made from shows the row of the reading it took (empty when that reading has
// no row); every other column holds its latest row at that time (empty before its first).
bool saveWideCsv(const std::vector<NamedTable>& tables, int firstComputed, const QString& fileName, QString* error);
