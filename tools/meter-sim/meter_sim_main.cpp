// meter-sim: a virtual meter. Streams the default scenario's frames as the meter does on a
// pseudo-terminal published as COM<n>, or on standard output.
#include "link/com_port_resolver.h"
#include "tools/command_line.h"
#include "tools/stop_signals.h"
#include "tools/meter-sim/meter_scenario.h"
#include "tools/meter-sim/meter_sim_options.h"
#include "tools/meter-sim/virtual_port.h"
#include "program_version.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>

#include <time.h>
#include <unistd.h>

namespace {

void addNanoseconds(timespec& t, long long ns)
{
    t.tv_sec += time_t(ns / 1000000000LL);
    t.tv_nsec += long(ns % 1000000000LL);
    if (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
}

// Sends frames at the given rate until the count is reached, a signal arrives or `send`
// reports that the receiving side is gone.
void runScenario(const MeterSimOptions& o, const std::function<bool(const QByteArray&)>& send)
{
    const std::vector<ScenarioFrame> frames = defaultScenario();
    const long long period = static_cast<long long>(1e9 / o.rate);
    timespec next {};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (long long i = 0; (o.count < 0 || i < o.count) && !stopRequested(); ++i) {
        if (!send(frames[size_t(i / o.framesPerState) % frames.size()].bytes))
            return;
        if (o.count >= 0 && i + 1 == o.count)
            break;
        addNanoseconds(next, period);
        while (!stopRequested() && clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR && !stopRequested())
            continue;
        if (n <= 0)
            return false;   // the reader went away (EPIPE) or we are asked to stop
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MeterSimOptions options;
    int exitCode = 0;
    if (!parseCommandLine("meter-sim", METER_VERSION, app.arguments().mid(1), parseMeterSimOptions, meterSimUsage(),
                          &options, &exitCode))
        return exitCode;
    catchStopSignals();

    if (options.toStdout) {
        runScenario(options, [](const QByteArray& bytes) { return writeAll(STDOUT_FILENO, bytes); });
        return 0;
    }

    VirtualPort port;
    try {
        port.open();
        port.publish(meterRuntimeDir(), options.portNumber);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "meter-sim: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "meter-sim: COM%d is %s (%s)%s\n", options.portNumber,
                 port.slavePath().toLocal8Bit().constData(), port.linkPath().toLocal8Bit().constData(),
                 port.replacedStaleLink() ? ", replacing an earlier link" : "");
    runScenario(options, [&port](const QByteArray& bytes) {
        port.send(bytes);   // nobody listening: the frame is lost, as on a real cable
        return true;
    });
    if (!stopRequested())
        port.drain(1000);   // let a reader take the last frames before the line goes down
    port.unpublish();
    return 0;
}
