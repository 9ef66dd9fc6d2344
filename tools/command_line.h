#pragma once
// The command-line parsing that meter-read and meter-sim share: the error a bad argument
// raises, and how each program reports it.
#include <QString>
#include <QStringList>

#include <cstdio>
#include <stdexcept>

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

// Parses `args` with `parse`; on a bad argument prints "<program>: <reason>" and the usage to
// standard error and returns false with `exitCode` 2. With --version anywhere among them, prints
// the program's name and `version`, and with --help the usage, to standard output and returns
// false with `exitCode` 0.
template <typename Options, typename Parse>
bool parseCommandLine(const char* program, const char* version, const QStringList& args, Parse parse,
                      const QString& usage, Options* options, int* exitCode)
{
    if (args.contains(QLatin1String("--version"))) {
        std::printf("%s %s\n", program, version);
        *exitCode = 0;
        return false;
    }
    try {
        *options = parse(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "%s: %s\n%s", program, e.what(), usage.toLocal8Bit().constData());
        *exitCode = 2;
        return false;
    }
    if (options->help) {
        std::fputs(usage.toLocal8Bit().constData(), stdout);
        *exitCode = 0;
        return false;
    }
    return true;
}
