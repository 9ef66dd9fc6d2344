#pragma once
// The log table as a CSV file for spreadsheets and scripts (see analysis_format.h): a header
// line, then one line per row, and the log's events as lines of their own at their rows (an
// "event" column then). Written only; the table files are what the program reads back.
#include <QString>

class LogTable;
class RecordEvents;

// False when the file cannot be written; then *error (if given) holds the system's reason and
// a file that was there before is left as it was.
bool saveTableCsv(const LogTable& table, const QString& fileName, QString* error = nullptr,
                  const RecordEvents* events = nullptr);
