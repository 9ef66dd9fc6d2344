#pragma once
// The log table as a CSV file for spreadsheets and scripts (see analysis_format.h): a header
// line, then one line per row. Written only; the table files are what the program reads back.
#include <QString>

class LogTable;

// False when the file cannot be written; then *error (if given) holds the system's reason and
// a file that was there before is left as it was.
bool saveTableCsv(const LogTable& table, const QString& fileName, QString* error = nullptr);
