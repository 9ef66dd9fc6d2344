#pragma once
// Shared pieces of the tools' command-line parsing.
#include "tools/meter_read_options.h"

#include <QStringList>

[[noreturn]] inline void usageError(const QString& reason)
{
    throw UsageError(reason.toStdString());
}

// The value after the option at `i`; moves `i` onto it.
inline QString valueOf(const QStringList& args, int& i)
{
    if (i + 1 >= args.size())
        usageError(QStringLiteral("%1 needs a value").arg(args.at(i)));
    return args.at(++i);
}
