#pragma once
// What the Meters window shows and asks of the meters read at once: the list of meters (the
// main window's own among them) with their live value and link, the computed channels and their
// previews. The window owns none of it; the app's controller does and says what changed.
#include "reading/computed/channel_plan.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

// A meter as the user set it up: its name and where it is read ("main": the main window's own
// link; "COM1".."COM4"; "USB": an adapter cable).
struct MeterSpec {
    QString name;
    QString source;
    bool operator==(const MeterSpec& o) const { return name == o.name && source == o.source; }
};

// One meter's line in the list, as texts.
struct MeterView {
    QString name, source, value, unit, function, link, identity;
};

// The outcome of a computed channel's definition as it is being typed.
struct ChannelPreview {
    bool accepted = false;
    QString value;       // the result from each meter's latest reading; empty when none yet
    QString unit;        // empty while a meter's unit is not known
    int position = -1;   // refused: the fault's index in the text typed (the whole line); -1 none
    QString message;     // refused: why
};

// The preview as the window's line under the channels says it; the fault's place counted from 1.
inline QString previewText(const ChannelPreview& p)
{
    if (!p.accepted)
        return p.position >= 0 ? QStringLiteral("Refused at %1: %2").arg(p.position + 1).arg(p.message)
                               : QStringLiteral("Refused: %1").arg(p.message);
    if (p.unit.isEmpty())
        return QStringLiteral("Accepted; the unit shows once every meter it uses has read");
    return QStringLiteral("= %1 %2").arg(p.value.isEmpty() ? QStringLiteral("(no value yet)") : p.value, p.unit);
}

class MetersBoard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual int meterCount() const = 0;
    virtual MeterView meter(int index) const = 0;
    static QStringList sources() { return {"COM1", "COM2", "COM3", "COM4", "USB"}; }
    // False with a message for people: a name not plain or used twice, a port read already.
    virtual bool addMeter(const MeterSpec& meter, QString* error) = 0;
    virtual void removeMeter(int index) = 0;   // not the main window's own (index 0)

    // "NAME = EXPRESSION" lines; `edited` is the line being typed (an index into `lines`).
    virtual ChannelPreview preview(const QStringList& lines, int edited) const = 0;
    virtual QStringList channelLines() const = 0;
    // Defines every channel at once; false with a message when any line or the rule is refused.
    virtual bool defineChannels(const QStringList& lines, const QString& alignment, QString* error) = 0;
    virtual QString alignment() const = 0;

    // Every channel's rows, to the file the user chooses.
    virtual void saveAll() = 0;

signals:
    void metersChanged();            // a meter added or removed, channels defined
    void meterShown(int index);      // a meter's reading or link changed
};
