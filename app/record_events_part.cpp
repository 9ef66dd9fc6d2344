#include "app/record_events_part.h"

#include "app/alarm_side.h"
#include "app/event_marks.h"
#include "app/event_record.h"
#include "app/link_events.h"
#include "reading/reading_pipeline.h"
#include "ui/alarm_banner.h"
#include "ui/note_box.h"

#include <QMainWindow>

#include <cstdio>

RecordEventsPart::RecordEventsPart(Needs needs) : pipeline_(needs.pipeline)
{
    ReadingPipeline& pipeline = needs.pipeline;
    events_ = std::make_unique<EventRecord>(pipeline.table(), needs.clock);
    // The events live with the log: journalled beside its rows, exported, restored, cleared with them.
    events_->useRecord([&pipeline](RecordEvent e) { pipeline.addEvent(std::move(e)); }, pipeline.events());
    connect(&pipeline, &ReadingPipeline::eventAdded, events_.get(), &EventRecord::eventRecorded);
    connect(&pipeline, &ReadingPipeline::logCleared, events_.get(), &EventRecord::logCleared);
    connect(&pipeline, &ReadingPipeline::logLoaded, this, [this](bool replaced) { if (replaced) events_->logCleared(); });

    banner_ = new AlarmBanner(&needs.window);
    needs.window.addToolBar(Qt::TopToolBarArea, banner_);
    alarms_ = std::make_unique<AlarmSide>(
        AlarmSide::Needs{pipeline, needs.meters, *events_, needs.clock, *banner_, needs.window, needs.notifier});
    connect(alarms_.get(), &AlarmSide::commandReported, banner_, [this](const QString& text) {
        banner_->showCommandNote(text);
        std::fprintf(stderr, "meter-logger: %s\n", qPrintable(text));
    });
    marks_ = std::make_unique<EventMarks>(
        EventMarks::Parts{*events_, needs.grid, needs.chart, pipeline.plotIndex(), needs.recorder});
    noteBox_ = new NoteBox(&needs.window);   // over the foot of the window, beside the layout's parts
    connect(noteBox_, &NoteBox::noteEntered, events_.get(), [this](const QString& text) { events_->addNote(text); });
}

// The marks go before the views they draw on.
RecordEventsPart::~RecordEventsPart() { marks_.reset(); }

void RecordEventsPart::watchLinks(MeterLinks& links)
{
    linkEvents_ = std::make_unique<LinkEvents>(links, *pipeline_.journal(), *events_);
}
