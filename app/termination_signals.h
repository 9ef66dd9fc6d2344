#pragma once
// SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C in a terminal) turned into a call on the
// user-interface thread. The handler only writes the signal's number into a pipe; a socket
// notifier reads it in the event loop, where Qt may be used. SIGXFSZ is ignored from then on.
#include <QObject>

#include <functional>

class QSocketNotifier;

class TerminationSignals : public QObject {
public:
    // One at a time in a process; `arrived` runs on the thread that made it, once per signal.
    explicit TerminationSignals(std::function<void(int signal)> arrived, QObject* parent = nullptr);
    ~TerminationSignals() override;   // the signals' default actions come back

private:
    void drain();

    std::function<void(int)> arrived_;
    QSocketNotifier* notifier_ = nullptr;
};
