#pragma once
// Attribute values and character data of an XML packet as the general XML reader would take
// them, for the fast row reader, which must agree with it on every byte it accepts.
#include <QString>

// Plain: printable ASCII only, taken as it stands. Encoded: references or UTF-8 to decode.
// Bad: white space the general reader would normalise, or not well-formed.
enum class ValueForm { Bad, Plain, Encoded };
ValueForm valueForm(const char* p, qsizetype n);

// An attribute value between its quotes, as the general reader would give it; false where it
// would refuse the value.
bool decodeValue(const char* p, qsizetype n, QString& out);

// Text of a comment or an instruction that the general reader takes as it stands: XML
// characters in UTF-8.
bool isPlainText(const char* p, qsizetype n);
