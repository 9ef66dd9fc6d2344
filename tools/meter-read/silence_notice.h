#pragma once
// Tells the user of meter-read that an open port sends nothing: a port name can lead to a
// device with no meter on it (COM1 falls through to the first serial port), and a reader that
// only waits would look the same as one that works. Said once after a few seconds without a
// frame, and once more when frames come again.
#include <QDateTime>
#include <QString>

class SilenceNotice {
public:
    static constexpr qint64 kSilenceMs = 3000;

    // `port` names the port as the user may read it: "COM1 (/dev/ttyS0)".
    explicit SilenceNotice(QString port) : port_(std::move(port)) {}

    // The name leads to another device now; a silence already said stays said.
    void setPort(QString port) { port_ = std::move(port); }
    // The port was opened (again) at `now`: the wait for a frame starts there.
    void restart(const QDateTime& now);
    // Called from time to time with the frames seen so far; the line to print, or empty.
    QString check(long long frames, const QDateTime& now);

private:
    QString port_;
    long long frames_ = -1;
    QDateTime lastFrameAt_;
    bool said_ = false;
};
