#pragma once
// Command line of meter-sim.
#include "tools/meter-sim/meter_frame.h"

#include <QString>
#include <QStringList>

// A meter that streams its display sends frame after frame, back to back on its line
// (2400 bit/s, ten bits a byte: about 17 frames a second), while its display changes about
// twice a second; each display state therefore goes out several times.
inline constexpr double kStreamingFramesPerSecond = 2400.0 / (10 * kMeterFrameSize);
inline constexpr int kStreamingFramesPerState = static_cast<int>(kStreamingFramesPerSecond / 2);

struct MeterSimOptions {
    static constexpr double kMinRate = 0.0001;   // frames per second: one in under three hours
    static constexpr double kMaxRate = 100000;
    int portNumber = 1;        // published as COM<n>
    double rate = kStreamingFramesPerSecond;   // frames per second
    int framesPerState = kStreamingFramesPerState;   // frames sent for each display state
    long long count = -1;      // frames to send; -1 without end
    bool toStdout = false;     // write the bytes to standard output instead of a pseudo-terminal
    bool help = false;
};

// Parses the arguments after the program name; throws UsageError (tools/command_line.h).
MeterSimOptions parseMeterSimOptions(const QStringList& args);

QString meterSimUsage();
