#pragma once
// What happens when the meter falls silent or its link stops, apart from the window: the
// watchdog's tick (one that comes while an earlier tick waits in a question is dropped, so the
// count does not run on behind the box), the panel told the link is down, the link told it
// went silent, and one signal for the window's parts that mark it (the recorder breaks its
// line, the panel is drawn again).
#include <QObject>

class MeterLinks;
class ReadingPipeline;

class LinkWatch : public QObject {
    Q_OBJECT
public:
    // Both outlive the watch.
    LinkWatch(ReadingPipeline& pipeline, MeterLinks& links, QObject* parent = nullptr);

    // The watchdog's tick (ConTimer's): true when it found the link silent.
    bool tick();

signals:
    // The watchdog found the link silent, or the link stopped.
    void fellSilent();

private:
    ReadingPipeline& pipeline_;
    MeterLinks& links_;
    bool ticking_ = false;   // a tick is running (perhaps inside the time-out's question)
};
