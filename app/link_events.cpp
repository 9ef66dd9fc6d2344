#include "app/link_events.h"

#include "app/event_record.h"
#include "app/meter_links.h"
#include "app/serial_port_access.h"
#include "app/usb_side.h"
#include "link/port_keeper.h"
#include "log/journal/record_journal.h"

LinkEvents::LinkEvents(MeterLinks& links, RecordJournal& journal, EventRecord& record, QObject* parent) : QObject(parent)
{
    const auto add = [&record](EventKind kind, const QString& text) {
        RecordEvent e;
        e.kind = kind;
        e.text = text;
        record.add(std::move(e));
    };
    MeterLinks* l = &links;
    const auto port = [l] { return QStringLiteral("COM%1").arg(l->port().selectedPort()); };
    connect(&links.keeper(), &PortKeeper::lost, this, [add, port] { add(EventKind::LinkLost, port()); });
    connect(&links.keeper(), &PortKeeper::regained, this, [add, port] { add(EventKind::LinkBack, port()); });
    connect(&links.usb(), &UsbSide::adapterLost, this, [add] { add(EventKind::LinkLost, QStringLiteral("USB adapter")); });
    connect(&links.usb(), &UsbSide::adapterBack, this, [add] { add(EventKind::LinkBack, QStringLiteral("USB adapter")); });
    connect(&journal, &RecordJournal::stateChanged, this, [add](bool on, const QString& reason) {
        add(on ? EventKind::SafetyCopyStarted : EventKind::SafetyCopyStopped, reason);
    });
}
