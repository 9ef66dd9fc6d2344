#pragma once
// The virtual meter's end of a pseudo-terminal. The program under test opens the other end
// (the slave) as its serial port; the slave is published as a link COM<n> in the runtime
// folder, where the port-name resolver finds it.
#include <QByteArray>
#include <QString>

class VirtualPort {
public:
    VirtualPort() = default;
    ~VirtualPort();
    VirtualPort(const VirtualPort&) = delete;
    VirtualPort& operator=(const VirtualPort&) = delete;

    // Creates the pseudo-terminal with a raw line; throws std::runtime_error with the reason.
    void open();
    const QString& slavePath() const { return slavePath_; }

    // Publishes the slave as <runtimeDir>/COM<n>, creating the folder (private to the user)
    // when needed. A name that another running virtual meter publishes is refused (each holds
    // a lock on <runtimeDir>/COM<n>.lock while it runs); a link left by an earlier run is
    // replaced; anything else there is kept and publishing fails. Throws std::runtime_error
    // with the reason.
    void publish(const QString& runtimeDir, int portNumber);
    // Removes the link, if it still points at this pseudo-terminal.
    void unpublish();
    const QString& linkPath() const { return linkPath_; }
    bool replacedStaleLink() const { return replacedStaleLink_; }

    // Sends the bytes without waiting. False when the line cannot take them now (nobody is
    // reading and the buffer is full): they are dropped, as a meter's bytes are on a cable
    // that no one listens to.
    bool send(const QByteArray& bytes);
    // Sends every byte, waiting while the line's buffer is full, at most timeoutMs in all.
    // For tests that must not lose a frame when the reader falls behind for a moment.
    bool sendAll(const QByteArray& bytes, int timeoutMs);
    // Waits until the reader has taken what was sent, at most timeoutMs.
    void drain(int timeoutMs);

private:
    int master_ = -1;
    int slave_ = -1;   // kept open so that the line stays up while no reader has it open
    int lock_ = -1;    // the name's lock, held while this meter publishes it
    QString slavePath_;
    QString linkPath_;
    bool replacedStaleLink_ = false;
};
