#pragma once
// Keeps a serial port across hang-ups. The driver, once its port has gone away, delivers what
// the port had taken in and then nothing until it is closed; above it, the keeper notices
// the loss, checks about once a second whether the port is back (a look at the file system,
// no open) and, when it is, closes the driver and opens it again. The driver's receive
// callback, line settings and counts stay as they were, so reading and logging go on.
// While the open port sends nothing, the keeper also looks whether the name was published
// anew for another device (a virtual meter started again) and then reads that one.
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
    // The device the port's name is published for now (publishedPort()); empty when none is.
    using PublishedCheck = std::function<QString()>;

    static constexpr int kRetryIntervalMs = 1000;

    // `returned` and `published` empty: the driver's COM<n> as the window names it, in the
    // runtime folder.
    explicit PortKeeper(TCommPortDriver& driver, ReturnCheck returned = {}, PublishedCheck published = {},
                        QObject* parent = nullptr);

    // Opens the driver's port; true when it is open. From then on, while `reopen` is on (the
    // default), a lost port is waited for and a silent one left for a newly published device.
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
    // The silent port was left for the device now published under its name, which is open.
    void switched(const QString& systemPort);

private:
    void portLost();
    void retry();
    void idleCheck();

    TCommPortDriver& driver_;
    ReturnCheck returned_;
    PublishedCheck published_;
    QTimer retry_;
    QTimer idle_;
    long long receivedAtCheck_ = -1;
    QString lostSystemPort_;
    bool reopen_ = true;
    bool waiting_ = false;
    int attempts_ = 0;
};
