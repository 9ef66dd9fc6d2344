#pragma once
// The link of a meter the Meters window added: a COM port or a USB adapter cable of its own,
// read as the main window reads its meter (the same driver, keeper and frame assembly), with
// its own reconnect: a port that does not open is tried again every second, a port that went
// away is reopened when it comes back.
#include "decode/model_variants.h"
#include "reading/session/meter_identity.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

class HidPlatform;
class LocaleClock;
class MeterLinks;
class UserPrompts;

class ExtraMeterLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryTicks = 10;   // of the 100 ms tick

    struct Needs {
        HidPlatform* hidPlatform;   // null: the system's HID devices
        ModelFlags flags;
        UserPrompts& prompts;
        const LocaleClock& clock;
    };
    // `source`: "COM1".."COM4" or "USB".
    ExtraMeterLink(const QString& source, Needs needs, QObject* parent = nullptr);
    ~ExtraMeterLink() override;

    // Who the source names now: the port and the device it leads to, its stable path.
    static MeterIdentity identityOf(const QString& source);

    void open();
    // The 100 ms tick: a port that did not open is tried again now and then.
    void tick();
    // No frame for a while: the USB side checks its own silence.
    void silent();
    // Why the link is not open; empty when it is.
    const QString& problem() const { return problem_; }
    long long badFrames() const;

signals:
    void frame(const QString& frameText, const QDateTime& arrivedAt);
    void stateChanged(LinkState state);
    void identityChanged(const MeterIdentity& identity);

private:
    bool usb() const { return source_ == QLatin1String("USB"); }

    QString source_;
    std::unique_ptr<MeterLinks> links_;
    bool open_ = false;
    int ticksToRetry_ = 0;
    QString problem_;
};
