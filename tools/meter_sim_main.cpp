// meter-sim: a virtual meter. Streams the default scenario's frames as the meter does on a
// pseudo-terminal published as COM<n>, or on standard output.
#include "link/com_port_resolver.h"
#include "tools/meter_read_options.h"
#include "tools/meter_scenario.h"
#include "tools/meter_sim_options.h"
#include "tools/virtual_port.h"
#include "program_version.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>

#include <time.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

void installSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = requestStop;   // no SA_RESTART: a signal ends the wait at once
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

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
    for (long long i = 0; (o.count < 0 || i < o.count) && !stopRequested; ++i) {
        if (!send(frames[size_t(i / o.framesPerState) % frames.size()].bytes))
            return;
        if (o.count >= 0 && i + 1 == o.count)
            break;
        addNanoseconds(next, period);
        while (!stopRequested && clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR && !stopRequested)
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
    if (answeredVersion(argc, argv, "meter-sim"))
        return 0;
    QCoreApplication app(argc, argv);
    MeterSimOptions options;
    try {
        options = parseMeterSimOptions(app.arguments().mid(1));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "meter-sim: %s\n%s", e.what(), meterSimUsage().toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(meterSimUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    installSignalHandlers();

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
    if (!stopRequested)
        port.drain(1000);   // let a reader take the last frames before the line goes down
    port.unpublish();
    return 0;
}
