#pragma once
// The window's part of the record's events: the log's events handed to the grid, the chart
// and the recorder as marks; the alarm rules watching every channel, with their banner,
// bell, notification and command; the note box; and the links and the safety copy told as
// events. The events live with the pipeline's log (journalled, exported, restored); this part
// only composes who adds them and who shows them.
#include <QObject>

#include <memory>

class AlarmBanner;
class AlarmSide;
class DesktopNotifier;
class EventMarks;
class EventRecord;
class LinkEvents;
class LocaleClock;
class LogGridModel;
class MeterLinks;
class MetersController;
class NoteBox;
class QMainWindow;
class ChartView;
class ReadingPipeline;
class RecorderPlot;

class RecordEventsPart : public QObject {
public:
    struct Needs {
        ReadingPipeline& pipeline;
        MetersController& meters;
        const LocaleClock& clock;
        LogGridModel& grid;
        ChartView& chart;
        RecorderPlot& recorder;
        QMainWindow& window;          // holds the banner and the note box
        DesktopNotifier* notifier;    // null: the session bus's
    };
    // All the needs outlive the part.
    explicit RecordEventsPart(Needs needs);
    ~RecordEventsPart() override;

    // Once the journal is open: links lost and back and the safety copy become events.
    void watchLinks(MeterLinks& links);

    EventRecord& events() { return *events_; }
    AlarmSide& alarms() { return *alarms_; }
    AlarmBanner& banner() { return *banner_; }
    NoteBox& noteBox() { return *noteBox_; }

private:
    ReadingPipeline& pipeline_;
    std::unique_ptr<EventRecord> events_;
    AlarmBanner* banner_ = nullptr;   // owned by the window
    NoteBox* noteBox_ = nullptr;      // owned by the window
    std::unique_ptr<AlarmSide> alarms_;
    std::unique_ptr<EventMarks> marks_;
    std::unique_ptr<LinkEvents> linkEvents_;
};
