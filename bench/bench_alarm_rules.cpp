// What alarm rules cost per reading: 50 rules over 4 channels (u1, i1, u2, i2), of every
// condition, some with "for" and hysteresis, fed 1,000 readings a second per channel with a
// slow swing that crosses some limits now and then, and a tick every 100 ms for the stale
// rules. Prints:
//   ns per reading: processor time of this thread per offered reading, the best of five runs
//   events per run: how many alarms were raised, cleared (so the figure includes them)
// for [seconds] of simulated readings (default 60).
#include "reading/alarms/alarm_monitor.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

const char* const kChannels[] = {"u1", "i1", "u2", "i2"};

// Eleven to thirteen rules a channel, spread over the conditions.
std::vector<AlarmRule> benchRules()
{
    const char* const shapes[] = {
        "%1 > 12.5 for 1 hysteresis 0.1", "%1 > 13", "%1 < 11.5 hysteresis 0.05", "%1 < 10 for 0.5",
        "%1 outside 11..13 hysteresis 0.1", "%1 inside 12.4..12.6 for 0.2", "%1 overload", "%1 stale 2",
        "%1 > 20", "%1 < -1", "%1 outside -5..25", "%1 inside 100..200", "%1 > 12.9 for 2",
    };
    std::vector<AlarmRule> rules;
    for (int n = 0; rules.size() < 50; ++n) {
        QString error;
        const QString text = QString::fromLatin1(shapes[n % 13]).arg(QLatin1String(kChannels[(n / 13) % 4]));
        auto rule = parseAlarmRule(text, &error);
        if (!rule) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(text), qPrintable(error));
            std::exit(1);
        }
        rules.push_back(*rule);
    }
    return rules;
}

double run(long seconds, long* events)
{
    AlarmMonitor monitor(benchRules());
    long count = 0;
    QObject::connect(&monitor, &AlarmMonitor::eventHappened, [&](const RecordEvent&) { ++count; });
    int index[4];
    for (int k = 0; k < 4; ++k)
        index[k] = monitor.channelIndex(QLatin1String(kChannels[k]));
    const QString units[] = {QStringLiteral("V"), QStringLiteral("A")};
    AlarmSample sample;
    const long readings = seconds * 1000;
    const double start = cpuSeconds();
    for (long n = 0; n < readings; ++n) {
        for (int k = 0; k < 4; ++k) {
            sample.timeMs = n;
            // A swing of ±1 around 12 over 20 s, with a little noise; an overload now and then.
            sample.overload = n % 7919 == 0;
            sample.value = sample.overload ? std::optional<double>() : 12 + std::sin(n * 3.1416e-4 + k) + (n % 13) * 1e-3;
            sample.row = n + 1;
            sample.unit = units[k % 2];
            monitor.offer(index[k], sample);
        }
        if (n % 100 == 0)
            monitor.tick(n);
    }
    const double spent = cpuSeconds() - start;
    *events = count;
    return spent / double(readings * 4) * 1e9;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long seconds = argc > 1 ? std::max(1L, std::atol(argv[1])) : 60;
    double best = 1e18;
    long events = 0;
    for (int k = 0; k < 5; ++k)
        best = std::min(best, run(seconds, &events));
    std::printf("ns per reading: %.0f\n", best);
    std::printf("events per run: %ld\n", events);
    return 0;
}
