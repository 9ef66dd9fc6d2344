#pragma once
// Command line of meter-sim.
#include <QString>
#include <QStringList>

struct MeterSimOptions {
    int portNumber = 1;        // published as COM<n>
    double rate = 2.0;         // frames per second
    long long count = -1;      // frames to send; -1 without end
    bool toStdout = false;     // write the bytes to standard output instead of a pseudo-terminal
    bool help = false;
};

// Parses the arguments after the program name; throws UsageError (meter_read_options.h).
MeterSimOptions parseMeterSimOptions(const QStringList& args);

QString meterSimUsage();
