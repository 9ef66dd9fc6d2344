#include "reading/stop_signals.h"

#include <csignal>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};

} // namespace

void routeStopSignals(StopSignalHandler handler, bool restartCalls)
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = restartCalls ? SA_RESTART : 0;
    for (int s : kStopSignals)
        ::sigaction(s, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

void restoreStopSignals()
{
    for (int s : kStopSignals)
        std::signal(s, SIG_DFL);
}
