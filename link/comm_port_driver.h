#pragma once
// Receive-only serial port component: opens COM1..COM4 through the port-name resolver, sets
// the line, polls the port from a timer on the UI thread and hands every batch of received
// bytes to OnReceiveData. Nothing is ever written to the port.
#include "link/byte_arrivals.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

class QSerialPort;

enum TComPortNumber { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
enum TComPortBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600,
    br14400, br19200, br38400, br56000, br57600, br115200
};

// Bit rate of each TComPortBaudRate, indexed by its ordinal.
inline constexpr std::array<std::int32_t, 13> BaudRateTable = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

// "COM1".."COM4".
QString comPortDeviceName(TComPortNumber port);

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    // Bytes are valid during the call only; size is always > 0. `arrivals` says when they came.
    using TComPortReceiveDataEvent =
        std::function<void(TCommPortDriver* sender, const char* data, int size, const ByteArrivals& arrivals)>;
    // The time at which bytes are taken in; the owner's clock, so that rows and frames agree.
    using ArrivalClock = std::function<QDateTime()>;
    // Maps "COM1".."COM4" to the system's port (a device path); the default uses the
    // program's runtime folder and the serial ports the system lists.
    using PortResolver = std::function<QString(const QString& comName)>;

    explicit TCommPortDriver(QObject* parent = nullptr);
    ~TCommPortDriver() override;

    // Opens the port named by ComPort, applies the line settings and starts polling.
    // True when the port is open afterwards; on failure LastOpenError() says why.
    bool OpenPort();
    void ClosePort();
    bool IsOpen() const;

    TComPortNumber ComPort() const { return comPort_; }
    void SetComPort(TComPortNumber port);                 // ignored while open
    TComPortBaudRate ComPortSpeed() const { return speed_; }
    void SetComPortSpeed(TComPortBaudRate speed);         // applied at once while open
    std::uint16_t ComPortInBufSize() const { return inBufSize_; }
    void SetComPortInBufSize(std::uint16_t size);         // ignored while open
    std::uint16_t ComPortPollingDelay() const { return pollingDelay_; }
    void SetComPortPollingDelay(std::uint16_t milliseconds);

    TComPortReceiveDataEvent OnReceiveData;
    // Received bytes are handed to OnReceiveData as soon as they arrive instead of at the next
    // poll (a session of several meters, whose computed values should not wait for a poll).
    void SetDeliverOnArrival(bool on) { deliverOnArrival_ = on; }

    void SetPortResolver(PortResolver resolver);
    void SetArrivalClock(ArrivalClock clock) { arrivalClock_ = std::move(clock); }
    // The system's reason for the last failed OpenPort, empty after a successful one.
    QString LastOpenError() const { return lastOpenError_; }
    // The system port that OpenPort used last ("/dev/ttyUSB0", a pseudo-terminal, ...).
    QString SystemPortName() const { return systemPortName_; }
    // The port went away while open (adapter pulled, other end closed). The driver stays
    // open; the polls still deliver what the port had taken in before it went away, then
    // nothing until ClosePort.
    bool PortLost() const { return portLost_; }
    // Received bytes waiting for the next polls.
    qsizetype PendingBytes() const { return pending_.size(); }
    // Bytes dropped since construction because they came faster than the polls take them: the
    // driver holds at most InputLimit() of them, as a UART's buffer would before it overruns.
    long long OverrunBytes() const { return overrunBytes_; }
    qsizetype InputLimit() const { return 4 * qsizetype(ReadBuffer.size()); }
    // Bytes the port sent since construction, kept or dropped: tells a silent port from a busy one.
    long long ReceivedBytes() const { return receivedBytes_; }
    // Timer starts since construction; lets callers see that an unchanged delay kept the timer.
    int PollTimerStarts() const { return pollTimerStarts_; }

    // One poll: reads what has arrived, at most ComPortInBufSize bytes, and delivers it.
    void PollTimerMessage();

signals:
    // The open port went away (PortLost() is true from now on); the driver stays open.
    void portLost();

private:
    // The line as the meter sends: the chosen speed, 8 data bits, no parity, 1 stop bit, no
    // flow control; DTR on (the meter's cable takes its power from it), RTS off. Received
    // bytes not yet taken are dropped.
    void applyLineSettings();
    void startPolling();
    void portFailed();
    void takeArrived();
    void dropPending();
    ByteArrivals takeArrivals(qsizetype bytes);

    TComPortNumber comPort_ = pnCOM2;
    TComPortBaudRate speed_ = br9600;
    std::uint16_t inBufSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;

    PortResolver resolver_;
    QSerialPort* port_ = nullptr;   // non-null while open
    QTimer pollTimer_;
    std::vector<char> ReadBuffer;
    QByteArray pending_;   // received, not yet polled; at most InputLimit() bytes
    std::deque<ByteArrivals::Batch> pendingArrivals_;   // when the bytes of pending_ came, in order
    // With the offset from UTC fixed in it: a local-time stamp costs a zone lookup at every use.
    ArrivalClock arrivalClock_ = [] {
        const QDateTime now = QDateTime::currentDateTime();
        return now.toOffsetFromUtc(now.offsetFromUtc());
    };
    long long overrunBytes_ = 0;
    long long receivedBytes_ = 0;
    QString lastOpenError_;
    QString systemPortName_;
    bool portLost_ = false;
    bool deliverOnArrival_ = false;
    int pollTimerStarts_ = 0;
};
