#include "app/termination_signals.h"

#include "reading/stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; dropping this one loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &number, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> arrived, QObject* parent)
    : QObject(parent), arrived_(std::move(arrived))
{
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
    routeStopSignals(onSignal, true);
}

TerminationSignals::~TerminationSignals()
{
    restoreStopSignals();
    delete notifier_;
    for (int& fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::drain()
{
    unsigned char number = 0;
    while (::read(pipeFds[0], &number, 1) == 1)
        if (arrived_)
            arrived_(number);
}
