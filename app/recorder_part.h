#pragma once
// The recorder's part of the window: the run's min/max summary kept beside the log table as
// the pipeline logs, clears and loads (a loaded table summarised a slice at a time from the
// event loop, with its progress shown, so the window never freezes), a break in its line when
// the link goes silent or is lost, and the Recorder window's commands: its picture, saving
// the range, and a double-clicked row shown on the paged chart and in the grid. The further
// meters and computed channels are drawn beside the first meter's line.
#include "log/run_summary.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class FileCommands;
class LogGridModel;
class LogGridView;
class MetersController;
class RecorderChannels;
class ReadingPipeline;
class RecorderWindow;
class TChartControl;
class QLocale;
class QWidget;

class RecorderPart : public QObject {
public:
    // Rows summarised per pass of the event loop while a loaded table is caught up with.
    static constexpr std::int64_t kCatchUpRows = 100000;

    struct Parts {
        ReadingPipeline& pipeline;
        LogGridModel& gridModel;
        LogGridView& grid;
        TChartControl& pager;
        FileCommands& files;
        QWidget& window;                     // the main window: the recorder is a tool window of it
        MetersController& meters;            // the further meters and computed channels
        std::function<void()> pageShown;     // the paged chart moved to another page
    };
    // The parts outlive the recorder.
    RecorderPart(Parts parts, const QLocale& locale);
    ~RecorderPart() override;

    RecorderWindow& window() { return *window_; }
    const RunSummary& summary() const { return summary_; }
    bool catchingUp() const { return catchUp_.isActive(); }

    // The link went silent or was lost: the next row starts a new line.
    void linkSilent() { summary_.markBreak(); }
    void show(bool shown);

private:
    void startCatchUp();
    void catchUpSlice();
    void showRow(std::int64_t row);
    void saveRange(std::int64_t firstRow, std::int64_t endRow);

    Parts parts_;
    RunSummary summary_;
    RecorderWindow* window_ = nullptr;   // owned: goes before the summary it shows
    std::unique_ptr<RecorderChannels> channels_;   // goes before the window it hands channels
    QTimer catchUp_;
};
