#pragma once
// Timer3's rule apart from the window: it runs while the logger samples (the Sampling Interval
// box is checked and a reading came), at the interval the box says, and a running one keeps
// its period, so readings that keep coming never put the next sample off. What a tick does
// stays the window's handler.
#include <QObject>

class QTimer;
class ReadingPipeline;

class SamplingTimer : public QObject {
public:
    // Both outlive this; the timer gets the default interval.
    SamplingTimer(ReadingPipeline& pipeline, QTimer& timer, QObject* parent = nullptr);

    // The interval box applied a new interval.
    void setIntervalMs(int ms);

private:
    void follow();

    ReadingPipeline& pipeline_;
    QTimer& timer_;
};
