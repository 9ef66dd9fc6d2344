// Command lines of the two tools.
#include "tools/meter_read_options.h"
#include "tools/meter_sim_options.h"

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

    o = parseMeterReadOptions(args("--decimal-separator , capture.bin"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::File);
    EXPECT_EQ(o.file, QStringLiteral("capture.bin"));
    EXPECT_EQ(o.decimalSeparator, QStringLiteral(","));

    o = parseMeterReadOptions(args("--port COM2 --baud 19200"));
    EXPECT_EQ(o.source, MeterReadOptions::Source::Port);
    EXPECT_EQ(o.port, QStringLiteral("COM2"));
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
        "--log -",                       // unknown option
    };
    for (const char* line : bad)
        EXPECT_THROW(parseMeterReadOptions(args(line)), UsageError) << line;
}

TEST(MeterSimOptions, DefaultsAndValues)
{
    MeterSimOptions o = parseMeterSimOptions({});
    EXPECT_EQ(o.portNumber, 1);
    EXPECT_DOUBLE_EQ(o.rate, 2.0);
    EXPECT_EQ(o.count, -1);
    EXPECT_FALSE(o.toStdout);

    o = parseMeterSimOptions(args("--port COM3 --rate 1000 --count 5 --stdout"));
    EXPECT_EQ(o.portNumber, 3);
    EXPECT_DOUBLE_EQ(o.rate, 1000);
    EXPECT_EQ(o.count, 5);
    EXPECT_TRUE(o.toStdout);

    for (const char* line : {"--port 1", "--port COM", "--rate 0", "--rate -2", "--count -1", "--count x", "--fast"})
        EXPECT_THROW(parseMeterSimOptions(args(line)), UsageError) << line;
}
