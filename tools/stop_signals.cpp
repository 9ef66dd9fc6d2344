#include "tools/stop_signals.h"

#include "reading/stop_signals.h"

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
    routeStopSignals(requestStop, false);
    std::signal(SIGPIPE, SIG_IGN);   // a reader that went away fails the write
}

bool stopRequested()
{
    return stopFlag != 0;
}
