#pragma once
// Command line of meter-read.
#include <QString>
#include <QStringList>

#include <stdexcept>

struct MeterReadOptions {
    enum class Source { File, StandardInput, Port };
    Source source = Source::StandardInput;
    QString file;                    // Source::File
    QString port;                    // Source::Port: "COM1".."COM4" or a device path
    int baud = 2400;
    QString decimalSeparator = QStringLiteral(".");
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name; throws UsageError with the reason.
MeterReadOptions parseMeterReadOptions(const QStringList& args);

QString meterReadUsage();
