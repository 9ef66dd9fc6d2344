#include "tools/meter_read_options.h"

#include "link/comm_port_driver.h"
#include "tools/option_args.h"

#include <algorithm>


QString meterReadUsage()
{
    return QStringLiteral(
        "usage: meter-read [options] FILE | - | --port COMn|DEVICE\n"
        "Decodes raw meter bytes and prints one TAB-separated line per frame:\n"
        "  ValueText, ReadingCount, ReadingValue, FunctionText, UnitText, RangeModeText,\n"
        "  range, range bound, FullScaleCount, PointPosition, indicators\n"
        "  FILE                     read the bytes from a file; - reads standard input\n"
        "  --port COMn|DEVICE       read a serial port (COMn or a device path) until Ctrl+C\n"
        "  --baud N                 line speed for --port (default 2400)\n"
        "  --decimal-separator C    separator in ValueText (default \".\")\n"
        "  --help                   show this text\n");
}

MeterReadOptions parseMeterReadOptions(const QStringList& args)
{
    MeterReadOptions o;
    bool haveSource = false;
    auto setSource = [&](MeterReadOptions::Source s) {
        if (haveSource)
            usageError(QStringLiteral("give one input only"));
        haveSource = true;
        o.source = s;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--port")) {
            setSource(MeterReadOptions::Source::Port);
            o.port = valueOf(args, i);
        } else if (a == QLatin1String("--baud")) {
            const QString v = valueOf(args, i);
            bool ok = false;
            o.baud = v.toInt(&ok);
            if (!ok || std::find(BaudRateTable.begin(), BaudRateTable.end(), o.baud) == BaudRateTable.end())
                usageError(QStringLiteral("unsupported baud rate \"%1\"").arg(v));
        } else if (a == QLatin1String("--decimal-separator")) {
            o.decimalSeparator = valueOf(args, i);
            if (o.decimalSeparator.size() != 1)
                usageError(QStringLiteral("the decimal separator is one character"));
        } else if (a == QLatin1String("-")) {
            setSource(MeterReadOptions::Source::StandardInput);
        } else if (a.startsWith(QLatin1String("--"))) {
            usageError(QStringLiteral("unknown option %1").arg(a));
        } else {
            setSource(MeterReadOptions::Source::File);
            o.file = a;
        }
    }
    if (!haveSource && !o.help)
        usageError(QStringLiteral("no input: give a file, - or --port"));
    return o;
}
