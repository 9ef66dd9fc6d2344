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
enum TComPortDataBits { db5BITS, db6BITS, db7BITS, db8BITS };     // byte size = ordinal + 5
enum TComPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking { shNONE, shXONXOFF };

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
    void ApplyLineSettings();
    void PurgeBuffers(bool input, bool output);

    TComPortNumber ComPort() const { return comPort_; }
    void SetComPort(TComPortNumber port);                 // ignored while open
    TComPortBaudRate ComPortSpeed() const { return speed_; }
    void SetComPortSpeed(TComPortBaudRate speed);         // applied at once while open
    TComPortDataBits ComPortDataBits() const { return dataBits_; }
    void SetComPortDataBits(TComPortDataBits bits);
    TComPortStopBits ComPortStopBits() const { return stopBits_; }
    void SetComPortStopBits(TComPortStopBits bits);
    TComPortParity ComPortParity() const { return parity_; }
    void SetComPortParity(TComPortParity parity);
    TComPortHwHandshaking ComPortHwHandshaking() const { return hwHandshaking_; }
    void SetComPortHwHandshaking(TComPortHwHandshaking mode);
    TComPortSwHandshaking ComPortSwHandshaking() const { return swHandshaking_; }
    void SetComPortSwHandshaking(TComPortSwHandshaking mode);
    std::uint16_t ComPortInBufSize() const { return inBufSize_; }
    void SetComPortInBufSize(std::uint16_t size);         // ignored while open
    std::uint16_t ComPortOutBufSize() const { return outBufSize_; }
    void SetComPortOutBufSize(std::uint16_t size);        // stored; nothing is ever written
    std::uint16_t ComPortPollingDelay() const { return pollingDelay_; }
    void SetComPortPollingDelay(std::uint16_t milliseconds);
    bool EnableDTROnOpen() const { return enableDtr_; }
    void SetEnableDTROnOpen(bool enable);

    TComPortReceiveDataEvent OnReceiveData;

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
    void startPolling();
    void portFailed();
    void takeArrived();
    void dropPending();
    ByteArrivals takeArrivals(qsizetype bytes);

    TComPortNumber comPort_ = pnCOM2;
    TComPortBaudRate speed_ = br9600;
    TComPortDataBits dataBits_ = db8BITS;
    TComPortStopBits stopBits_ = sb1BITS;
    TComPortParity parity_ = ptNONE;
    TComPortHwHandshaking hwHandshaking_ = hhNONE;
    TComPortSwHandshaking swHandshaking_ = shNONE;
    std::uint16_t inBufSize_ = 2048;
    std::uint16_t outBufSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;
    bool enableDtr_ = true;

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
    int pollTimerStarts_ = 0;
};
