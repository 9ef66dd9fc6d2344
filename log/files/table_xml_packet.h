#pragma once
// The XML data packet form of the log table (names ending in ".xml"): one line holding the
// field list (METADATA) and the rows (ROWDATA), every row marked as inserted.
#include "log/files/file_progress.h"
#include <QString>

class LogTable;

// Writes the packet. False when the file cannot be written; then *error (if given) holds the
// system's reason and a file that was there before is left as it was.
bool saveTableXml(const LogTable& table, const QString& fileName, QString* error = nullptr,
                  const FileProgress& progress = {});

// Reads a packet and replaces the table's rows with its rows. All or nothing: a file that is
// not a well-formed packet, holds a DTD or an entity, lacks one of the seven fields or
// declares one with another type or width, or holds a value its field cannot take, leaves the
// table exactly as it was and returns false, with the reason in *error when it is given.
// Fields the table does not know are ignored. Comments and processing instructions are
// allowed anywhere XML allows them; elements nested deeper or with more attributes than a
// packet can need are refused (kMaxPacketDepth, kMaxPacketAttributes).
bool loadTableXml(const QString& fileName, LogTable& table, QString* error = nullptr,
                  const FileProgress& progress = {});

// The same, always with the general XML reader; loadTableXml gives the same result faster.
bool loadTableXmlGeneral(const QString& fileName, LogTable& table, QString* error = nullptr,
                         const FileProgress& progress = {});
