#pragma once
// The log table as JSON Lines for scripts (see analysis_format.h): one object per row, and the
// log's events as objects of their own with an "event" key, at their rows. Written only.
#include <QString>

class LogTable;
class RecordEvents;

// False when the file cannot be written; then *error (if given) holds the system's reason and
// a file that was there before is left as it was.
bool saveTableJsonLines(const LogTable& table, const QString& fileName, QString* error = nullptr,
                        const RecordEvents* events = nullptr);
