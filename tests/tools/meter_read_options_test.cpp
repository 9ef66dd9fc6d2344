// Command lines of the two tools.
#include "tools/meter-read/meter_read_options.h"
#include "tools/meter-sim/meter_sim_options.h"

#include <gtest/gtest.h>

namespace {
QStringList args(const char* line) { return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }
} // namespace

TEST(MeterReadOptions, SourcesAndSettings)
{
    MeterReadOptions o = parseMeterReadOptions(args("-"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::StandardInput);
    EXPECT_EQ(o.baud, 2400);
    EXPECT_EQ(o.decimalSeparator, QStringLiteral("."));

    EXPECT_EQ(o.format, StreamFormat::Tsv);

    o = parseMeterReadOptions(args("--decimal-separator , --format jsonl capture.bin"));
    EXPECT_EQ(o.format, StreamFormat::Jsonl);
    EXPECT_EQ(parseMeterReadOptions(args("--format influx -")).format, StreamFormat::LineProtocol);
    EXPECT_EQ(o.source, MeterReadOptions::Source::File);
    EXPECT_EQ(o.file, QStringLiteral("capture.bin"));
    EXPECT_EQ(o.decimalSeparator, QStringLiteral(","));

    o = parseMeterReadOptions(args("--port COM2 --baud 19200"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::Port);
    EXPECT_EQ(o.port, QStringLiteral("COM2"));
    EXPECT_EQ(o.baud, 19200);
    EXPECT_FALSE(o.endAtHangup) << "a lost port is waited for";
    EXPECT_TRUE(parseMeterReadOptions(args("--end-at-hangup --port /dev/ttyUSB0")).endAtHangup);
}

TEST(MeterReadOptions, LoggingTablesAndUsb)
{
    MeterReadOptions o = parseMeterReadOptions(args("-"));
    EXPECT_FALSE(o.logs());
    EXPECT_EQ(o.high, QStringLiteral("6000"));
    EXPECT_EQ(o.low, QStringLiteral("-6000"));
    EXPECT_TRUE(o.repeat);
    EXPECT_EQ(o.limit, 10000);
    EXPECT_EQ(o.intervalSeconds, 0);

    o = parseMeterReadOptions(args("--log --high 1,5 --low -0,5 --decimal-separator , --no-repeat --limit limitless --interval 3 -"));
    EXPECT_TRUE(o.logs());
    EXPECT_EQ(o.high, QStringLiteral("1,5"));
    EXPECT_FALSE(o.repeat);
    EXPECT_EQ(o.limit, 10000000);
    EXPECT_EQ(o.intervalSeconds, 3);

    o = parseMeterReadOptions(args("--save run.xml capture.bin"));
    EXPECT_TRUE(o.logs()) << "saving logs the readings even when the rows are not printed";
    EXPECT_FALSE(o.log);

    o = parseMeterReadOptions(args("--load run.xml --save run.xls"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::Table);
    EXPECT_FALSE(o.logs()) << "a loaded table is saved as it is";

    o = parseMeterReadOptions(args("--load run.xml --rows 2-5"));
    ASSERT_TRUE(o.rows.has_value());
    EXPECT_FALSE(o.rows->holds(1));
    EXPECT_TRUE(o.rows->holds(2) && o.rows->holds(5)) << "both ends are included";
    EXPECT_FALSE(o.rows->holds(std::nullopt)) << "a row without a number is left out";
    o = parseMeterReadOptions(args("--log --rows 7-7 -"));
    EXPECT_TRUE(o.rows->holds(7) && !o.rows->holds(8));
    EXPECT_EQ(parseMeterReadOptions(args("--recover --rows 1-2147483647")).rows->last, 2147483647);
    // The discovery prefix is optional: "-" after it is the input.
    o = parseMeterReadOptions(args("--log --mqtt mqtt://127.0.0.1:1884 --mqtt-discovery -"));
    EXPECT_TRUE(o.mqtt.on);
    EXPECT_EQ(o.mqtt.settings.discoveryPrefix, QStringLiteral("homeassistant"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::StandardInput);
    EXPECT_EQ(parseMeterReadOptions(args("--mqtt mqtt://b --mqtt-discovery ha2 -")).mqtt.settings.discoveryPrefix,
              QStringLiteral("ha2"));
    EXPECT_FALSE(parseMeterReadOptions(args("-")).mqtt.on);

    o = parseMeterReadOptions(args("--usb-reports -"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::UsbReports);
    EXPECT_EQ(o.file, QStringLiteral("-"));
    o = parseMeterReadOptions(args("--hid /dev/hidraw3 --baud 19200"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::Hid);
    EXPECT_EQ(o.port, QStringLiteral("/dev/hidraw3"));
    EXPECT_EQ(o.baud, 19200);
}

TEST(MeterReadOptions, MistakesAreUsageErrors)
{
    const char* bad[] = {
        "",                              // no input
        "a.bin b.bin",                   // two inputs
        "- --port COM1",                 // two inputs
        "--port",                        // missing value
        "--baud 2401 -",                 // not a line speed of the driver
        "--baud fast -",
        "--decimal-separator ,, -",      // one character only
        "--logs -",                      // unknown option
        "--log --limit 0 -",             // the record limit starts at one row
        "--log --limit 10000001 -",      // and ends at "limitless"
        "--log --interval 0 -",          // whole seconds from one
        "--log --interval 2147484 -",    // milliseconds past 32 bits
        "--log --high 1,5 -",            // not a number with "."
        "--log --low x -",
        "--load a.xml --log",            // a table file is printed, not logged
        "--load a.xml -",                // two inputs
        "--save -",                      // --save needs its file (then no input is left)
        "--usb-reports a.txt --hid /dev/hidraw0",
        "--decimal-separator 5 -",       // a separator that is part of a number
        "--decimal-separator + -",
        "--decimal-separator e -",
        "--decimal-separator L -",       // part of the overload display "0.L"
        "--port COM0",                   // COM names count from 1
        "--port COM01",
        "-x a.bin",                      // an unknown short option, not a second input
        "--input u=port:COM1 --input i=port:COM1",          // two inputs on one port
        "--input u=port:/dev/ttyUSB0 --input i=port:/dev/../dev/ttyUSB0",
        "--input u=a.bin --input u=b.bin",                  // a name twice
        "--input u=a.bin --calc u=2*3",                     // a channel named like an input
        "--input 1u=a.bin",                                 // not a plain name
        "--input sqrt=a.bin",                               // a function's name
        "--input u-1=a.bin",
        "--input u",                                        // no source
        "--input u=port:",
        "--input u=- --input i=-",                          // standard input once
        "--input u=a.bin --calc p=q --calc q=p",            // a cycle
        "--input u=a.bin --calc p=w",                       // an unknown name
        "--input u=a.bin --calc p=u+",                      // an expression that does not read
        "--input u=a.bin --calc p",                         // no '='
        "--input u=a.bin --align later",
        "--input u=a.bin --wide",                           // the wide rows are CSV
        "--input u=a.bin --rows 1-2",                       // readings have no record number
        "--input u=a.bin --log --format csv --wide --rows 1-2",   // nor have the wide rows
        "--input u=a.bin --mqtt-topic lab",                 // an MQTT option without --mqtt
        "--input u=a.bin --mqtt mqtt://b --mqtt-topic lab/+",
        "--calc p=2*3 -",                                   // computed channels need named inputs
        "--input u=a.bin b.bin",                            // every meter by --input
        "--format xml -",                // tsv, csv or jsonl
        "--format CSV -",
        "--end-at-hangup a.bin",         // only a port hangs up
        "--load a.xml --rows 0-3",       // record numbers start at 1
        "--load a.xml --rows 5-3",       // in order
        "--load a.xml --rows 5",         // a range, not a row
        "--load a.xml --rows 1-2-3",
        "--load a.xml --rows -1-2",
        "--load a.xml --rows +1-2",
        "--load a.xml --rows 1.5-2",
        "--load a.xml --rows 1-2147483648",   // past what a record number holds
        "--rows 1-2 -",                  // readings have no record number
        "--summary --format influx -",   // figures are no points of a series
        "--mqtt http://broker -",        // mqtt:// or mqtts://
        "--mqtt-topic lab -",            // an MQTT option without --mqtt
        "--mqtt mqtt://b --mqtt-topic lab/+ -",   // no wildcards, no empty levels
        "--mqtt mqtt://b --mqtt-topic /lab -",
        "--mqtt mqtt://b --mqtt-user u --mqtt-password-file /no/such/file -",   // refused before reading
        "--mqtt mqtt://b --mqtt-password-file /etc/hostname -",   // a password needs its user
        "--mqtt mqtt://b --mqtt-ca /etc/hostname -",              // a CA file goes with mqtts://
        "--mqtt mqtt://b --load a.xml",  // published as they come, not from a file
    };
    for (const char* line : bad)
        EXPECT_THROW(parseMeterReadOptions(args(line)), UsageError) << line;
    // Alarm rules and commands hold blanks: each entry is one argument.
    const QStringList badEvents[] = {
        {"--alarm", "x > 5", "-"},                                  // the single input's channel is "meter"
        {"--input", "u=a.bin", "--alarm", "meter > 5"},             // with --input, the inputs' names
        {"--input", "u=a.bin", "--calc", "p=u*2", "--alarm", "q > 5"},
        {"--alarm", "meter outside 5..2", "-"},                     // crossed band limits
        {"--alarm", "meter > 5V", "-"},                             // no unit after the number
        {"--on-alarm", "./notify.sh", "-"},                         // a command without a rule
        {"--alarm", "meter > 5", "--on-alarm", "", "-"},            // names no program
        {"--alarm", "meter > 5", "--on-alarm", "sh -c 'open", "-"}, // a quote left open
        {"--alarm", "meter > 5", "--load", "a.xml"},                // a table has no readings to watch
        {"--notes", "n.fifo", "--recover"},
        {"--notes", "-", "-"},                                      // standard input carries the frames
        {"--notes", "-", "--usb-reports", "-"},
        {"--notes", "-", "--input", "u=-"},
        {"--input", "u=a.bin", "--alarm", "u > 5", "--format", "csv", "--wide"},   // no column for events
    };
    for (const QStringList& line : badEvents)
        EXPECT_THROW(parseMeterReadOptions(line), UsageError) << line.join(u' ').toStdString();
    // A combining acute accent would join the digit before it; a zero-width space is not seen.
    for (const char* blank : {" ", "\t", "\x01", "\x7f", "\u0301", "\u200b"}) {
        EXPECT_THROW(parseMeterReadOptions({"--decimal-separator", QString::fromUtf8(blank), "-"}), UsageError)
            << int(blank[0]);
    }
    EXPECT_EQ(parseMeterReadOptions(args("--decimal-separator ' -")).decimalSeparator, QStringLiteral("'"));
    try {
        parseMeterReadOptions(args("-x a.bin"));
    } catch (const UsageError& e) {
        EXPECT_STREQ(e.what(), "unknown option -x");
    }
}

TEST(MeterReadOptions, SeveralNamedInputs)
{
    const MeterReadOptions o = parseMeterReadOptions(
        args("--input u=port:COM1 --input i=hid:/dev/hidraw0 --input x=usb-reports:r.txt --input y=- --input z=a.bin "
             "--calc p=u*i --calc e=integral(p) --align mean:10 --format csv --wide"));
    ASSERT_EQ(o.inputs.size(), 5u);
    using Kind = NamedInput::Kind;
    const std::pair<Kind, const char*> expected[] = {
        {Kind::Port, "COM1"}, {Kind::Hid, "/dev/hidraw0"}, {Kind::UsbReports, "r.txt"}, {Kind::StandardInput, "-"},
        {Kind::File, "a.bin"}};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(o.inputs[k].kind, expected[k].first) << k;
        EXPECT_EQ(o.inputs[k].path, QString::fromLatin1(expected[k].second)) << k;
    }
    ASSERT_EQ(o.calcs.size(), 2u);
    EXPECT_EQ(o.calcs[1].expression, QStringLiteral("integral(p)"));
    EXPECT_TRUE(o.wide);
    try {
        parseMeterReadOptions(args("--input u=a.bin --calc p=u+"));
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("--calc p: at 3"), std::string::npos) << "the fault's position: " << e.what();
    }
}

TEST(MeterReadOptions, AlarmsAndNotes)
{
    MeterReadOptions o = parseMeterReadOptions({"--alarm", "meter > 5 for 1", "--alarm", "meter stale 10", "--on-alarm",
                                                "sh -c 'echo $METER_STATE'", "--notes", "n.fifo", "-"});
    EXPECT_EQ(o.alarms, QStringList({"meter > 5 for 1", "meter stale 10"}));
    EXPECT_EQ(o.onAlarm, QStringList({"sh", "-c", "echo $METER_STATE"})) << "no shell unless written";
    EXPECT_TRUE(o.watchesEvents());
    o = parseMeterReadOptions({"--input", "u=port:COM1", "--calc", "p=u*2", "--alarm", "p inside 1..2", "--alarms",
                               "rules.txt", "--notes", "-"});
    EXPECT_EQ(alarmChannelNames(o), QStringList({"u", "p"}));
    EXPECT_EQ(o.notes, QStringLiteral("-")) << "standard input is free when no input reads it";
    EXPECT_FALSE(parseMeterReadOptions(args("-")).watchesEvents());
}

TEST(MeterSimOptions, DefaultsAndValues)
{
    MeterSimOptions o = parseMeterSimOptions({});
    EXPECT_EQ(o.portNumber, 1);
    // The window's lamp goes out after 300 ms without a frame and the port is polled every
    // 100 ms: by default a frame must come well within the difference.
    EXPECT_LT(1000.0 / o.rate, 200.0);
    EXPECT_GT(o.framesPerState, 1) << "a streaming meter repeats its display";
    EXPECT_EQ(o.count, -1);
    EXPECT_FALSE(o.toStdout);

    o = parseMeterSimOptions(args("--port COM3 --rate 1000 --count 5 --stdout"));
    EXPECT_EQ(o.portNumber, 3);
    EXPECT_DOUBLE_EQ(o.rate, 1000);
    EXPECT_EQ(o.framesPerState, 1);
    EXPECT_EQ(parseMeterSimOptions(args("--rate 5 --hold 3")).framesPerState, 3);
    EXPECT_EQ(o.count, 5);
    EXPECT_TRUE(o.toStdout);

    for (const char* line : {"--port 1", "--port COM", "--rate 0", "--rate -2", "--rate 1e-10", "--rate 100001",
                             "--count -1", "--count x", "--hold 0", "--fast"})
        EXPECT_THROW(parseMeterSimOptions(args(line)), UsageError) << line;
    try {
        parseMeterSimOptions(args("--rate 1e-10"));
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("0.0001 to 100000"), std::string::npos) << e.what();
    }
    EXPECT_DOUBLE_EQ(parseMeterSimOptions(args("--rate 0.0001")).rate, 0.0001);
}
