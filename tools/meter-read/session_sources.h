#pragma once
// Where each meter of meter-read's session reads from: a file or standard input (raw bytes or
// USB report lines), a serial port (waited for when it goes away, as the single-input form
// does), or a USB adapter's hidraw node (opened again when it comes back). All read in one
// event loop without blocking, so no meter ever waits on another. Standard error says what
// happens to each, named by its input.
#include "reading/session/meter_identity.h"
#include "tools/meter-read/meter_read_options.h"

#include <QObject>

#include <memory>

class MeterSession;
class SessionFeed;

class SessionSource : public QObject {
    Q_OBJECT
public:
    ~SessionSource() override = default;
    // Opens the source; false (said on standard error) when it cannot be.
    virtual bool open() = 0;
    // Said at the end: what the input left undecoded, bytes dropped.
    virtual void reportEnd() {}
    bool ended() const { return ended_; }
    bool failed() const { return failed_; }

signals:
    // A file or pipe ended, or a port given up: nothing more comes from it.
    void finished();

protected:
    void end(bool failed);
    bool ended_ = false;
    bool failed_ = false;
};

// Who the input is before it is opened: its port, the device the name leads to now and the
// device's stable path, so that two inputs of one port are refused.
MeterIdentity identityOf(const NamedInput& input);

std::unique_ptr<SessionSource> makeSessionSource(const NamedInput& input, const MeterReadOptions& options,
                                                 MeterSession& session, SessionFeed& feed);
