#include "tools/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopFlag = 0;

void requestStop(int)
{
    stopFlag = 1;
}

} // namespace

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Past a file-size limit a write fails and is reported; the rows are not lost to a kill.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool stopRequested()
{
    return stopFlag != 0;
}
