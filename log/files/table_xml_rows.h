#pragma once
// A fast reader for the rows of an XML data packet in the plain form this program writes:
// ROW elements with quoted attributes, the five predefined entities and character
// references, blanks between elements, then the closing ROWDATA and DATAPACKET tags.
// Anything else is left to the general XML reader.
#include "log/log_table.h"

#include <QByteArray>

#include <array>

class QFile;

// Bounds on what a packet can need. A row carries RowState and one attribute per field, and
// the packet's elements nest four deep; files beyond these are refused before they can cost
// time or memory out of proportion to their size.
constexpr int kMaxPacketAttributes = 256;   // on one element
constexpr int kMaxPacketDepth = 32;         // elements inside each other
// One attribute's value: a row keeps a few characters of each field, and the XML reader holds
// a value several times over while it reads it.
constexpr int kMaxPacketValueBytes = 64 * 1024;

// Row attribute names in field order, with "/" written as "."; empty for a field the packet
// does not declare.
using PacketRowNames = std::array<QByteArray, LogTable::FieldCount>;

// Reads rows from the file's position (just after the ROWDATA start tag) to its end and
// appends them to rows. False when the rest of the file holds anything beyond the plain form,
// is cut short or holds a value its field cannot take; rows then holds a part to be discarded.
bool readPacketRows(QFile& file, const PacketRowNames& names, LogTable& rows);
