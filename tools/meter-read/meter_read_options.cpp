#include "tools/meter-read/meter_read_options.h"

#include "reading/alarms/alarm_command.h"
#include "reading/alarms/alarm_rule.h"
#include "reading/limit_judge.h"
#include "link/comm_port_driver.h"
#include "log/record_logger.h"
#include "tools/command_line.h"
#include "tools/meter-read/session_options.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

QString meterReadUsage()
{
    return QStringLiteral(
        "usage: meter-read [options] FILE | - | --port COMn|DEVICE | --usb-reports FILE|- | --hid PATH\n"
        "       meter-read --load TABLEFILE [--save FILE]\n"
        "       meter-read --recover [--save FILE]\n"
        "Decodes raw meter bytes and prints one TAB-separated line per frame:\n"
        "  ValueText, ReadingCount, ReadingValue, FunctionText, UnitText, RangeModeText,\n"
        "  range, range bound, FullScaleCount, PointPosition, indicators\n"
        "Raw bytes are framed as on the serial line: the byte after a frame's end is dropped,\n"
        "so the first frame of an input is never decoded (20 frames print 19 lines; a file\n"
        "holding one frame prints nothing). An input that ends without a decoded frame is said\n"
        "on standard error.\n"
        "Input:\n"
        "  FILE                     read the bytes from a file; - reads standard input\n"
        "  --port COMn|DEVICE       read a serial port (COMn or a device path) until Ctrl+C; a\n"
        "                           port that goes away is waited for and opened again;\n"
        "                           standard error names the device and says when no\n"
        "                           frame came for 3 s\n"
        "  --end-at-hangup          with --port: end when the port goes away (exit status 1)\n"
        "  --baud N                 line speed for --port, adapter rate for --hid (default 2400)\n"
        "  --usb-reports FILE|-     USB input reports, one per line as hex bytes, report ID first;\n"
        "                           a report without serial bytes (00 F0) ends a frame, and a\n"
        "                           frame still open when the input ends is said on standard error\n"
        "  --hid PATH               read a USB adapter cable (/dev/hidrawN) until Ctrl+C\n"
        "  --decimal-separator C    separator in ValueText and the limits (default \".\"); not a\n"
        "                           blank, letter, digit, sign or combining mark\n"
        "Several meters at once (every line then carries its channel):\n"
        "  --input NAME=SOURCE      a meter named NAME, repeated; SOURCE is port:COMn,\n"
        "                           port:DEVICE, hid:/dev/hidrawN, usb-reports:FILE, a file or -\n"
        "                           (at most one -); two inputs on one port are refused\n"
        "  --calc NAME=EXPRESSION   a channel computed from the inputs and other channels, with\n"
        "                           + - * / ^, abs, sqrt, min, max, integral(x) and numbers such\n"
        "                           as 1.5k or 2m; units follow (V*A is W, integral of A is Ah)\n"
        "  --align hold[:MAXAGE]|mean:SECONDS\n"
        "                           hold (default): worked out at each new reading from each\n"
        "                           input's latest, stale past MAXAGE seconds (default twice\n"
        "                           the slower frame period, at least 0.5); mean: one value per\n"
        "                           interval from the inputs' means\n"
        "  --wide                   with --format csv: one row per computed value, a value and\n"
        "                           a unit column per channel\n"
        "  (--log, --summary, --save, --recover and --rows work per channel: --rows picks those\n"
        "  numbers of every channel's rows; --mqtt publishes each channel on its own topics)\n"
        "Output (a write that fails, but for a reader gone away, makes the exit status 1):\n"
        "  --format tsv|csv|jsonl|influx\n"
        "                           how readings and rows are printed: TAB-separated (default),\n"
        "                           CSV with a header line, or one JSON object a line; CSV and\n"
        "                           JSON give no, timestamp, time, function, value, unit,\n"
        "                           value_si, si_unit, range, judge, display (and indicators for\n"
        "                           readings), numbers with \".\" whatever the separator;\n"
        "                           influx: the line protocol of time-series databases, tags\n"
        "                           meter, channel, function, unit, fields value, value_si,\n"
        "                           overload, and the time in nanoseconds\n"
        "  --summary                instead of the lines, print at the end of the input (or on\n"
        "                           Ctrl+C) per function and base unit: function, si_unit,\n"
        "                           rows, overloads, min, max, mean, stdev (sample), first,\n"
        "                           last; figures in the base unit, times in ISO 8601\n"
        "  --rows FIRST-LAST        with --load, --recover or --log: print and sum up only the\n"
        "                           rows numbered FIRST to LAST (both included; rows without a\n"
        "                           number are left out), of each channel with --input (not with\n"
        "                           --wide); --save still writes every row\n"
        "Logging (prints the rows of the log: No, Time, DC/AC, Value, Unit, Auto):\n"
        "  --log                    log the readings and print each row as it is logged\n"
        "  --high X, --low Y        limits of the judge (default 6000 and -6000)\n"
        "  --no-repeat              suppress a reading equal to the last logged one\n"
        "  --limit N|limitless      record limit (default 10000)\n"
        "  --interval S             log the latest reading every S seconds instead of each one\n"
        "  --save FILE              write the log to FILE at the end (.xml: XML packet,\n"
        "                           .csv: CSV for spreadsheets, .jsonl: JSON Lines, else text)\n"
        "Tables:\n"
        "  --load FILE              print the rows of a table file (in the --format chosen);\n"
        "                           a device or a named pipe is refused\n"
        "  --recover                print the rows kept by the journals of sessions that ended\n"
        "                           without saving (the window's and meter-read's), oldest first,\n"
        "                           or with --save write them to FILE; the journals are only read\n"
        "Alarms and notes (each event is printed as a line of its own: TSV \"# event\" and TAB-\n"
        "separated kind, timestamp, no, channel, rule, text; CSV an \"event\" column; JSON Lines\n"
        "an {\"event\": ...} object; influx a meter_event point):\n"
        "  --alarm RULE             repeated; CHANNEL > X, CHANNEL < X, CHANNEL outside LO..HI,\n"
        "                           CHANNEL inside LO..HI, CHANNEL overload or CHANNEL stale S,\n"
        "                           then optionally \"for S\" and \"hysteresis H\"; values in the\n"
        "                           channel's base unit with SI prefixes (1.5k, 2m); the single\n"
        "                           input's channel is named meter\n"
        "  --alarms FILE            the rules of a file, one a line (# starts a comment)\n"
        "  --on-alarm COMMAND       run COMMAND (no shell; write sh -c '...' for one) each time a\n"
        "                           rule is raised or cleared, at most once a second per rule,\n"
        "                           ended after 10 s; the alarm is in METER_ALARM, METER_STATE,\n"
        "                           METER_CHANNEL, METER_VALUE, METER_UNIT and METER_TIME\n"
        "  --notes PATH             each line written to PATH (a named pipe, a file as it grows,\n"
        "                           or - when no input reads standard input) is a note\n"
        "  --help                   show this text\n"
        "  --version                show the program's name and version\n")
        + mqttUsage();
}

namespace {

// A decimal separator must not be mistaken for a part of a number or of the value text, nor
// split a printed line, nor join the digit before it as a combining mark or an invisible
// format character would.
bool isSeparatorCharacter(const QString& s)
{
    if (s.size() != 1)
        return false;
    const QChar c = s.at(0);
    return c.isPrint() && !c.isSpace() && !c.isLetterOrNumber() && !c.isMark() && !c.isSurrogate()
           && c.category() != QChar::Other_Format && c != QLatin1Char('+') && c != QLatin1Char('-');
}

// "U+0301" for each character: a mark or an invisible character cannot be seen in the text itself.
QString codePoints(const QString& s)
{
    QStringList points;
    for (const char32_t u : s.toUcs4())
        points << QStringLiteral("U+%1").arg(quint32(u), 4, 16, QLatin1Char('0')).toUpper();
    return points.join(QLatin1Char(' '));
}

qint32 parseLimit(const QString& v)
{
    const qint32 most = RecordLogger::kLimits[RecordLogger::kLimitCount - 1];
    if (v == RecordLogger::limitCaption(RecordLogger::kLimitCount - 1))
        return most;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok || n < 1 || n > most)
        usageError(QStringLiteral("the record limit is 1 to %1 or \"limitless\", not \"%2\"").arg(most).arg(v));
    return qint32(n);
}

int parseInterval(const QString& v)
{
    const int most = std::numeric_limits<qint32>::max() / 1000;   // Timer3 counts milliseconds in 32 bits
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok || n < 1 || n > most)
        usageError(QStringLiteral("the interval is 1 to %1 seconds, not \"%2\"").arg(most).arg(v));
    return int(n);
}

// One pass over the arguments: each step takes the option at `i` (and its value) if it is
// one of its own.
class OptionParsing {
public:
    MeterReadOptions o;

    void take(const QStringList& args, int& i)
    {
        const QString& a = args.at(i);
        if (input(args, i) || session(args, i) || output(args, i) || logging(args, i) || events(args, i)
            || takeMqttOption(args, i, o.mqtt))
            return;
        if (a.startsWith(QLatin1Char('-')))
            usageError(QStringLiteral("unknown option %1").arg(a));   // a file named so: ./-name
        setSource(MeterReadOptions::Source::File);
        o.file = a;
    }
    // The options that do not go together.
    void check();
    void checkEvents();

private:
    bool input(const QStringList& args, int& i);
    bool session(const QStringList& args, int& i);
    bool output(const QStringList& args, int& i);
    bool logging(const QStringList& args, int& i);
    bool events(const QStringList& args, int& i);
    void setSource(MeterReadOptions::Source s)
    {
        if (haveSource_)
            usageError(QStringLiteral("give one input only"));
        haveSource_ = true;
        o.source = s;
    }

    bool haveSource_ = false;
    bool loggingOption_ = false;
    bool alignGiven_ = false;
};

bool OptionParsing::input(const QStringList& args, int& i)
{
    using Source = MeterReadOptions::Source;
    const QString& a = args.at(i);
    if (a == QLatin1String("--port")) {
        setSource(Source::Port);
        o.port = valueOf(args, i);
        static const QRegularExpression comLike(QStringLiteral("^COM[0-9]+$"));
        static const QRegularExpression comName(QStringLiteral("^COM[1-9][0-9]*$"));
        if (comLike.match(o.port).hasMatch() && !comName.match(o.port).hasMatch())
            usageError(QStringLiteral("%1 is not a port name: COM1, COM2, ... or a device path").arg(o.port));
    } else if (a == QLatin1String("--end-at-hangup")) {
        o.endAtHangup = true;
    } else if (a == QLatin1String("--usb-reports")) {
        setSource(Source::UsbReports);
        o.file = valueOf(args, i);
    } else if (a == QLatin1String("--hid")) {
        setSource(Source::Hid);
        o.port = valueOf(args, i);
    } else if (a == QLatin1String("--load")) {
        setSource(Source::Table);
        o.file = valueOf(args, i);
    } else if (a == QLatin1String("--recover")) {
        setSource(Source::Recover);
    } else if (a == QLatin1String("--baud")) {
        const QString v = valueOf(args, i);
        bool ok = false;
        o.baud = v.toInt(&ok);
        if (!ok || std::find(BaudRateTable.begin(), BaudRateTable.end(), o.baud) == BaudRateTable.end())
            usageError(QStringLiteral("unsupported baud rate \"%1\"").arg(v));
    } else if (a == QLatin1String("-")) {
        setSource(Source::StandardInput);
    } else {
        return false;
    }
    return true;
}

bool OptionParsing::output(const QStringList& args, int& i)
{
    const QString& a = args.at(i);
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
        o.help = true;
    } else if (a == QLatin1String("--decimal-separator")) {
        o.decimalSeparator = valueOf(args, i);
        if (!isSeparatorCharacter(o.decimalSeparator))
            usageError(QStringLiteral("the decimal separator is one printable character that is not a blank, "
                                      "a letter, a digit, a sign or a combining mark; not \"%1\" (%2)")
                           .arg(o.decimalSeparator, codePoints(o.decimalSeparator)));
    } else if (a == QLatin1String("--format")) {
        const QString v = valueOf(args, i);
        if (!parseStreamFormat(v, &o.format))
            usageError(QStringLiteral("the format is tsv, csv, jsonl or influx, not \"%1\"").arg(v));
    } else if (a == QLatin1String("--summary")) {
        o.summary = true;
    } else if (a == QLatin1String("--rows")) {
        o.rows = parseRowRange(valueOf(args, i));
    } else if (a == QLatin1String("--save")) {
        o.saveFile = valueOf(args, i);
        if (o.saveFile.isEmpty())
            usageError(QStringLiteral("--save needs a file name"));
    } else {
        return false;
    }
    return true;
}

bool OptionParsing::logging(const QStringList& args, int& i)
{
    const QString& a = args.at(i);
    if (a == QLatin1String("--log"))
        o.log = true;
    else if (a == QLatin1String("--high"))
        o.high = valueOf(args, i);
    else if (a == QLatin1String("--low"))
        o.low = valueOf(args, i);
    else if (a == QLatin1String("--no-repeat"))
        o.repeat = false;
    else if (a == QLatin1String("--limit"))
        o.limit = parseLimit(valueOf(args, i));
    else if (a == QLatin1String("--interval"))
        o.intervalSeconds = parseInterval(valueOf(args, i));
    else
        return false;
    loggingOption_ = true;
    return true;
}

bool OptionParsing::events(const QStringList& args, int& i)
{
    const QString& a = args.at(i);
    if (a == QLatin1String("--alarm")) {
        o.alarms << valueOf(args, i);
    } else if (a == QLatin1String("--alarms")) {
        o.alarmsFile = valueOf(args, i);
        if (o.alarmsFile.isEmpty())
            usageError(QStringLiteral("--alarms needs a file name"));
    } else if (a == QLatin1String("--on-alarm")) {
        QString why;
        o.onAlarm = AlarmCommand::split(valueOf(args, i), &why);
        if (o.onAlarm.isEmpty())
            usageError(QStringLiteral("--on-alarm: %1").arg(why));
    } else if (a == QLatin1String("--notes")) {
        o.notes = valueOf(args, i);
        if (o.notes.isEmpty())
            usageError(QStringLiteral("--notes needs a path"));
    } else {
        return false;
    }
    return true;
}

void OptionParsing::checkEvents()
{
    using Source = MeterReadOptions::Source;
    if (!o.onAlarm.isEmpty() && o.alarms.isEmpty() && o.alarmsFile.isEmpty())
        usageError(QStringLiteral("--on-alarm runs its command for the rules of --alarm or --alarms; none is given"));
    if (!o.watchesEvents())
        return;
    if (o.inputs.empty() && (o.source == Source::Table || o.source == Source::Recover))
        usageError(QStringLiteral("alarms and notes watch readings as they come, not with --load or --recover"));
    if (o.wide)
        usageError(QStringLiteral("the wide rows have no place for events: leave out --wide, or the alarms and notes"));
    const QStringList channels = alarmChannelNames(o);
    for (const QString& text : o.alarms) {
        QString why;
        const std::optional<AlarmRule> rule = parseAlarmRule(text, &why);
        if (!rule)
            usageError(QStringLiteral("--alarm '%1': %2").arg(text, why));
        if (const std::optional<AlarmRuleError> e = checkAlarmRuleChannel(*rule, channels))
            usageError(QStringLiteral("--alarm '%1': %2").arg(text, e->text()));
    }
    // Standard input carries the frames of an input that reads it.
    bool inputReadsStandardInput = false;
    for (const NamedInput& in : o.inputs)
        inputReadsStandardInput = inputReadsStandardInput || in.kind == NamedInput::Kind::StandardInput
                                  || (in.kind == NamedInput::Kind::UsbReports && in.path == QLatin1String("-"));
    if (o.inputs.empty())
        inputReadsStandardInput = o.source == Source::StandardInput
                                  || (o.source == Source::UsbReports && o.file == QLatin1String("-"));
    if (o.notes == QLatin1String("-") && inputReadsStandardInput)
        usageError(QStringLiteral("--notes -: standard input carries the meter's frames; give the notes a named pipe"));
}

void OptionParsing::check()
{
    using Source = MeterReadOptions::Source;
    checkEvents();
    if (!o.inputs.empty() || !o.calcs.empty() || o.wide || alignGiven_) {
        if (haveSource_)
            usageError(QStringLiteral("with --input, every meter is given by --input NAME=SOURCE"));
        checkSessionOptions(o);
        completeMqttOptions(o.mqtt);
        return;
    }
    if (!haveSource_)
        usageError(QStringLiteral("no input: give a file, -, --port, --usb-reports, --hid, --load or --recover"));
    if (o.endAtHangup && o.source != Source::Port)
        usageError(QStringLiteral("--end-at-hangup goes with --port"));
    if (o.source == Source::Table && loggingOption_)
        usageError(QStringLiteral("--load prints a table file; the logging options do not apply to it"));
    if (o.source == Source::Recover && loggingOption_)
        usageError(QStringLiteral("--recover prints kept rows; the logging options do not apply to it"));
    if (o.summary && o.format == StreamFormat::LineProtocol)
        usageError(QStringLiteral("--summary prints its figures as tsv, csv or jsonl, not as line-protocol lines"));
    if (o.rows && !o.log && o.source != Source::Table && o.source != Source::Recover)
        usageError(QStringLiteral("--rows picks rows by their number: it goes with --load, --recover or --log"));
    if (o.mqtt.on && (o.source == Source::Table || o.source == Source::Recover))
        usageError(QStringLiteral("--mqtt publishes readings as they come, not with --load or --recover"));
    completeMqttOptions(o.mqtt);
    for (const QString* limit : {&o.high, &o.low}) {
        if (parseLocaleNumber(*limit, o.decimalSeparator) == kNotANumber)
            usageError(QStringLiteral("the limit \"%1\" is not a number with \"%2\" as decimal separator")
                           .arg(*limit, o.decimalSeparator));
    }
}

bool OptionParsing::session(const QStringList& args, int& i)
{
    const QString& a = args.at(i);
    if (a == QLatin1String("--input")) {
        o.inputs.push_back(parseNamedInput(valueOf(args, i)));
    } else if (a == QLatin1String("--calc")) {
        const QString v = valueOf(args, i);
        const std::optional<ChannelDefinition> d = splitDefinition(v);
        if (!d)
            usageError(QStringLiteral("--calc takes NAME=EXPRESSION, not \"%1\"").arg(v));
        o.calcs.push_back(*d);
    } else if (a == QLatin1String("--align")) {
        const QString v = valueOf(args, i);
        QString why;
        const std::optional<AlignmentRule> rule = AlignmentRule::parse(v, &why);
        if (!rule)
            usageError(QStringLiteral("--align %1: %2").arg(v, why));
        o.align = *rule;
        alignGiven_ = true;
    } else if (a == QLatin1String("--wide")) {
        o.wide = true;
    } else {
        return false;
    }
    return true;
}

} // namespace

QStringList alarmChannelNames(const MeterReadOptions& options)
{
    if (options.inputs.empty())
        return {QStringLiteral("meter")};
    QStringList names;
    for (const NamedInput& in : options.inputs)
        names << in.name;
    for (const ChannelDefinition& c : options.calcs)
        names << c.name;
    return names;
}

MeterReadOptions parseMeterReadOptions(const QStringList& args)
{
    OptionParsing parsing;
    for (int i = 0; i < args.size(); ++i)
        parsing.take(args, i);
    if (!parsing.o.help)
        parsing.check();
    return parsing.o;
}
