// What computed channels cost per reading: four inputs (u1, i1, u2, i2) at 1,000 readings a
// second each, with p1 = u1*i1, e1 = integral(p1) and p2 = u2*i2, worked out under hold and
// under mean:1, and prints:
//   computed-hold-us-per-reading:   processor time per input reading under hold (every reading
//                                   works out the channels that use it)
//   computed-mean-us-per-reading:   the same under mean:1 (readings summed, one value a second)
//   computed-delay-us-p95:          from handing a reading in to its last computed value being
//                                   announced, the 95th percentile under hold
//   computed-delay-us-max:          the largest of those delays
// Times are the processor time of this thread, the best of five runs, for [seconds] of
// simulated readings (default 60).
#include "reading/computed/computed_channels.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
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

ChannelPlan benchPlan()
{
    std::vector<DefinitionError> errors;
    ChannelPlan plan = ChannelPlan::make({"u1", "i1", "u2", "i2"},
                                         {{"p1", "u1*i1"}, {"e1", "integral(p1)"}, {"p2", "u2*i2"}}, {}, &errors);
    if (plan.empty()) {
        std::fprintf(stderr, "%s\n", qPrintable(errors.front().error.message));
        std::exit(1);
    }
    return plan;
}

Measurement input(int k, long n)
{
    Measurement m;
    m.quantity = k % 2 == 0 ? Quantity::Volt : Quantity::Ampere;
    m.base = k % 2 == 0 ? 12 + (n % 100) * 0.001 : 0.4 + (n % 37) * 0.0001;
    return m;
}

// Runs `seconds` of readings through one engine; fills `delays` (nanoseconds) when given.
double run(const char* rule, long seconds, std::vector<double>* delays)
{
    ComputedChannels engine(benchPlan(), *AlignmentRule::parse(QString::fromLatin1(rule)), 0);
    std::chrono::steady_clock::time_point handedIn, announced;
    double sink = 0;
    QObject::connect(&engine, &ComputedChannels::valueComputed, [&](const ComputedValue& v) {
        sink += v.valueSi;
        announced = std::chrono::steady_clock::now();
    });
    const long readings = seconds * 1000;
    const double start = cpuSeconds();
    for (long n = 0; n < readings; ++n) {
        for (int k = 0; k < 4; ++k) {
            if (delays)
                handedIn = std::chrono::steady_clock::now();
            engine.addReading(k, n + 1, n, input(k, n));
            if (delays)
                delays->push_back(std::chrono::duration<double, std::nano>(announced - handedIn).count());
        }
        if (n % 100 == 0)
            engine.advanceTo(n);
    }
    const double spent = cpuSeconds() - start;
    if (sink == 42)
        std::puts("");   // keeps the values from being optimised away
    return spent / double(readings * 4) * 1e6;
}

double bestOfFive(const char* rule, long seconds)
{
    double best = 1e9;
    for (int k = 0; k < 5; ++k)
        best = std::min(best, run(rule, seconds, nullptr));
    return best;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long seconds = argc > 1 ? std::max(1L, std::atol(argv[1])) : 60;
    std::printf("computed-hold-us-per-reading: %.3f\n", bestOfFive("hold", seconds));
    std::printf("computed-mean-us-per-reading: %.3f\n", bestOfFive("mean:1", seconds));
    std::vector<double> delays;
    delays.reserve(std::size_t(seconds) * 4000);
    run("hold", seconds, &delays);
    std::sort(delays.begin(), delays.end());
    std::printf("computed-delay-us-p95: %.3f\n", delays[delays.size() * 95 / 100] / 1000);
    std::printf("computed-delay-us-max: %.3f\n", delays.back() / 1000);
    return 0;
}
