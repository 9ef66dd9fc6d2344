#pragma once
// Keeps a serial port across hang-ups. The driver, once its port has gone away, delivers what
// the port had taken in and then nothing until it is closed; above it, the keeper notices
// the loss, checks about once a second whether the port is back (a look at the file system,
// no open) and, when it is, closes the driver and opens it again. The driver's receive
// callback, line settings and counts stay as they were, so reading and logging go on.
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class TCommPortDriver;

class PortKeeper : public QObject {
    Q_OBJECT
public:
    // Whether the port lost at `lostSystemPort` (the driver's SystemPortName() then) can be
    // opened again; called once a retry interval while waiting, so it must be cheap.
    using ReturnCheck = std::function<bool(const QString& lostSystemPort)>;

    static constexpr int kRetryIntervalMs = 1000;

    // `returned` empty: the driver's COM<n> as the window names it, in the runtime folder.
    explicit PortKeeper(TCommPortDriver& driver, ReturnCheck returned = {}, QObject* parent = nullptr);

    // Opens the driver's port; true when it is open. From then on a lost port is waited for
    // while `reopen` is on (the default).
    bool open();
    // Closes the port and stops waiting for it.
    void close();

    void setReopen(bool reopen) { reopen_ = reopen; }
    void setRetryInterval(int ms) { retry_.setInterval(ms); }
    // The port went away and has not been opened again yet.
    bool waiting() const { return waiting_; }
    // Opens tried while waiting, successful or not.
    int reopenAttempts() const { return attempts_; }

signals:
    // The port went away. Bytes it had taken in still reach the receive callback.
    void lost();
    // The lost port is open again.
    void regained();

private:
    void portLost();
    void retry();

    TCommPortDriver& driver_;
    ReturnCheck returned_;
    QTimer retry_;
    QString lostSystemPort_;
    bool reopen_ = true;
    bool waiting_ = false;
    int attempts_ = 0;
};
