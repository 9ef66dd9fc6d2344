#pragma once
// Command line of meter-read.
#include "reading/computed/alignment_rule.h"
#include "reading/computed/channel_plan.h"
#include "tools/command_line.h"
#include "tools/meter-read/mqtt_options.h"
#include "tools/meter-read/row_range.h"
#include "tools/meter-read/stream_format.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// One meter of a session of several (--input NAME=SOURCE).
struct NamedInput {
    enum class Kind { File, StandardInput, Port, UsbReports, Hid };
    QString name;
    Kind kind = Kind::File;
    QString path;                    // the file, the port (COMn or a device path) or the hidraw node
};

struct MeterReadOptions {
    enum class Source {
        File,           // raw serial bytes from a file
        StandardInput,  // raw serial bytes from standard input
        Port,           // a serial port
        UsbReports,     // USB input reports as hex lines, from `file` ("-": standard input)
        Hid,            // a USB adapter's hidraw device node, in `port`
        Table,          // a table file to print, in `file`
        Recover,        // the journals left by sessions that ended without saving
    };
    Source source = Source::StandardInput;
    QString file;                    // Source::File, UsbReports, Table
    QString port;                    // Source::Port: "COM1".."COM4" or a device path; Source::Hid: the node
    int baud = 2400;                 // the serial line, or the rate the adapter is set to
    bool endAtHangup = false;        // Source::Port: end when the port goes away instead of waiting
    QString decimalSeparator = QStringLiteral(".");
    StreamFormat format = StreamFormat::Tsv;   // how readings and rows are printed
    bool summary = false;            // figures per group at the end instead of the lines
    std::optional<RowRange> rows;    // --rows: only the rows numbered so are printed and summed up
    bool help = false;

    // Several meters at once: one named input each, and channels computed from them. Empty
    // `inputs`: the single-input forms above.
    std::vector<NamedInput> inputs;
    std::vector<ChannelDefinition> calcs;
    AlignmentRule align;
    bool wide = false;               // CSV: a row per computed value, a value and unit column per channel

    // Logging: rows of the log instead of reading lines.
    bool log = false;
    QString high = QStringLiteral("6000");
    QString low = QStringLiteral("-6000");
    bool repeat = true;              // --no-repeat clears it
    qint32 limit = 10000;
    int intervalSeconds = 0;         // 0: a row per reading
    QString saveFile;                // the log written here at the end (.xml, .csv, else text); empty: not saved

    MqttCommandLine mqtt;            // publishing to a broker

    // Alarms and notes: events printed among the lines.
    QStringList alarms;              // --alarm RULE, each checked against the channels
    QString alarmsFile;              // --alarms FILE, read at the start
    QStringList onAlarm;             // --on-alarm COMMAND, split into the program and its arguments
    QString notes;                   // --notes PATH: a named pipe, a growing file or - (standard input)

    bool watchesEvents() const { return !alarms.isEmpty() || !alarmsFile.isEmpty() || !notes.isEmpty(); }

    // Whether readings go into the log table (printing rows, or only saving them).
    bool logs() const
    {
        return log || (!saveFile.isEmpty() && source != Source::Table && source != Source::Recover);
    }
};

// Parses the arguments after the program name; throws UsageError with the reason.
MeterReadOptions parseMeterReadOptions(const QStringList& args);

// The channel names rules may watch: every input and computed channel, or "meter" for the
// single input (the name its line-protocol lines carry).
QStringList alarmChannelNames(const MeterReadOptions& options);

QString meterReadUsage();
