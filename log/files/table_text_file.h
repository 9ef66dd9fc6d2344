#pragma once
// The TAB-separated text form of the log table (.xls, .txt and any name not ending in ".xml").
//
// Saving: a header line, then one line per row: No, Time, DC/AC, Value, Unit, Auto, each text
// trimmed of blanks and control characters at both ends and written "NULL" when nothing is
// left; lines end with CR LF. A text that still holds a blank or control character, or that
// begins with a double quote, is written quoted ("..." with "" for a quote inside), so it
// loads back as one field; a line break inside a text is written as a blank. A row without a
// No writes it as "" so the fields keep their places.
//
// Loading: the first line is dropped, every other line is split into tokens (runs of
// characters 1..32 separate; quoted tokens as above) and the tokens fill the fields by
// position. Both directions stream, so the file is never held in memory whole: the first line
// is passed over at any length, and a later line longer than a mebibyte is refused.
#include "log/files/file_progress.h"
#include <QString>

#include <cstdint>
#include <string>

class LogTable;

enum class TextRowForm {
    File,      // as the file holds it
    Printed,   // for a terminal: control characters (NUL too) written as blanks
};

// Appends one row as the text form writes it, without the line end.
void appendTableTextRow(std::string& out, const LogTable& table, std::int64_t row,
                        TextRowForm form = TextRowForm::File);

// Writes the text form. False when the file cannot be written; then *error (if given) holds
// the system's reason and a file that was there before is left as it was.
bool SaveTableAsText(const LogTable& table, const QString& fileName, QString* error = nullptr,
                     const FileProgress& progress = {});

// Reads a text file and appends its rows to table. All or nothing: on any error (the file
// cannot be read or is empty, a No or NVal token is not an integer, a line has more than
// seven tokens) the table is left exactly as it was and false is returned, with the reason in
// *error when it is given.
bool loadTableText(const QString& fileName, LogTable& table, QString* error = nullptr,
                   const FileProgress& progress = {});
