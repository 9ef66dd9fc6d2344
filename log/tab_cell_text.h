#pragma once
// A text as one cell of a TAB-separated line: a TAB or a line end inside it (a loaded file's
// text may hold them) would split the cell or the line, so each becomes a blank.
#include <QString>

inline QString tabCellText(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}
