#pragma once
// Saving and loading the log table as the user asks for it: the format follows the file
// name, and the outcome carries the message the window shows.
#include "log/files/file_progress.h"
#include "log/files/table_file_outcome.h"

#include <QString>

class LogTable;
class RecordEvents;

enum class TableFileFormat { Text, XmlPacket, Csv, JsonLines };

// Exactly ".xml" at the end (lower case) selects the XML packet; ".csv" in any case the CSV
// export, ".jsonl" the JSON Lines export; every other name, ".XML" included, selects text.
TableFileFormat tableFileFormat(const QString& fileName);

// Writes the table in the format its name selects. The table is never changed.
// Text: "Save table to specified file: <name> Scuss!" or "Could not save table to specified
// file: <name>". XML and CSV: the same success text, or "Cannot create file "<name>". <reason>".
// `progress` hears of the rows written (text and XML). The exports (CSV, JSON Lines) write the
// log's `events` among the rows; the table files carry none.
FileOutcome saveTableFile(const LogTable& table, const QString& fileName, const FileProgress& progress = {},
                          const RecordEvents* events = nullptr);

// Reads either format into the table: text appends, XML replaces the rows. On any failure the
// table is as it was and the outcome is the error "Failed to Load File!". Success shows nothing.
// A CSV or JSON Lines file is refused with a message that says it is an export only. `progress` hears of the
// bytes read; when it answers false the load stops, the table stays as it was and the outcome
// is silent.
FileOutcome LoadTableFile(const QString& fileName, LogTable& table, const FileProgress& progress = {});
