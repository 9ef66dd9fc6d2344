// The least any reader of these pseudo-terminals costs: it waits for bytes on every path given,
// reads them, writes a short line per read to standard output and then pauses, as meter-read's
// loop does, but decodes, logs and formats nothing. Its processor time per frame, beside
// meter-read's, shows how much of that is the machine's price for waking and reading.
// Usage: bench_pty_floor PAUSE_US PATH...   (ends on SIGINT or SIGTERM)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {
volatile sig_atomic_t stopped = 0;
void stop(int) { stopped = 1; }
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pty_floor PAUSE_US PATH...\n");
        return 2;
    }
    const long pauseUs = std::atol(argv[1]);
    std::vector<pollfd> fds;
    for (int i = 2; i < argc; ++i) {
        const int fd = ::open(argv[i], O_RDONLY | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            std::perror(argv[i]);
            return 1;
        }
        fds.push_back({fd, POLLIN, 0});
    }
    struct sigaction sa = {};
    sa.sa_handler = stop;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    const timespec pause = {pauseUs / 1000000, (pauseUs % 1000000) * 1000};
    static char in[65536];
    static char out[65536];
    while (!stopped) {
        if (::poll(fds.data(), nfds_t(fds.size()), -1) <= 0)
            continue;
        int used = 0;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            const ssize_t n = ::read(fds[i].fd, in, sizeof in);
            if (n > 0 && used < int(sizeof out) - 64)
                used += std::snprintf(out + used, sizeof out - std::size_t(used), "%zu %zd\n", i, n);
        }
        if (used > 0 && ::write(STDOUT_FILENO, out, std::size_t(used)) < 0 && errno != EINTR)
            return 1;
        if (pauseUs > 0)
            nanosleep(&pause, nullptr);
    }
    return 0;
}
