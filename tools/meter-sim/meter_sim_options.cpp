#include "tools/meter-sim/meter_sim_options.h"

#include "tools/command_line.h"

#include <QRegularExpression>

QString meterSimUsage()
{
    return QStringLiteral(
        "usage: meter-sim [--port COMn] [--rate N] [--hold K] [--count N] [--stdout]\n"
        "A virtual meter: sends the meter's frames on a pseudo-terminal published as COMn\n"
        "(default COM1) in the program's runtime folder, until Ctrl+C. By default it streams\n"
        "as a meter does: frames back to back at 2400 bit/s (about 17 a second), each display\n"
        "state sent 8 times, so the display changes about twice a second.\n"
        "  --port COMn   the name to publish (default COM1)\n"
        "  --rate N      N frames per second, each a new display state unless --hold is given\n"
        "  --hold K      send each display state K times\n"
        "  --count N     send N frames, then end\n"
        "  --stdout      write the bytes to standard output instead\n"
        "  --help        show this text\n"
        "  --version     show the program's name and version\n");
}

MeterSimOptions parseMeterSimOptions(const QStringList& args)
{
    MeterSimOptions o;
    bool rateGiven = false;
    bool holdGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--stdout")) {
            o.toStdout = true;
        } else if (a == QLatin1String("--port")) {
            static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]?)$"));
            const QString v = valueOf(args, i);
            const auto m = comName.match(v);
            if (!m.hasMatch())
                usageError(QStringLiteral("--port takes COM1, COM2, ...; not \"%1\"").arg(v));
            o.portNumber = m.captured(1).toInt();
        } else if (a == QLatin1String("--rate")) {
            const QString v = valueOf(args, i);
            bool ok = false;
            o.rate = v.toDouble(&ok);
            // Bounded so that the period stays a count of nanoseconds.
            if (!ok || !(o.rate >= MeterSimOptions::kMinRate && o.rate <= MeterSimOptions::kMaxRate))
                usageError(QStringLiteral("--rate takes %1 to %2 frames per second; not \"%3\"")
                               .arg(MeterSimOptions::kMinRate).arg(MeterSimOptions::kMaxRate).arg(v));
            rateGiven = true;
        } else if (a == QLatin1String("--hold")) {
            const QString v = valueOf(args, i);
            bool ok = false;
            o.framesPerState = v.toInt(&ok);
            if (!ok || o.framesPerState < 1)
                usageError(QStringLiteral("--hold takes a number of frames from 1; not \"%1\"").arg(v));
            holdGiven = true;
        } else if (a == QLatin1String("--count")) {
            const QString v = valueOf(args, i);
            bool ok = false;
            o.count = v.toLongLong(&ok);
            if (!ok || o.count < 0)
                usageError(QStringLiteral("--count takes a number of frames; not \"%1\"").arg(v));
        } else {
            usageError(QStringLiteral("unknown argument %1").arg(a));
        }
    }
    // A rate of one's own sends a new display state in every frame, as it always has.
    if (rateGiven && !holdGiven)
        o.framesPerState = 1;
    return o;
}
