#pragma once
// What happens to the window's links and its safety copy, kept in the record as events: the
// meter's port or USB adapter lost and back, the journal stopped (with its reason) and started
// again. Each is marked at the log's current row, as a note is.
#include <QObject>

class EventRecord;
class MeterLinks;
class RecordJournal;

class LinkEvents : public QObject {
public:
    // All three outlive this.
    LinkEvents(MeterLinks& links, RecordJournal& journal, EventRecord& record, QObject* parent = nullptr);
};
