#pragma once
// The window's file commands: Save, Open (with its question when a packet would replace
// unsaved rows), Print and the chart picture, and the save of rows given back from a session
// that ended without saving. Each asks for its file in the folder chosen last, runs, and says
// what happened.
#include "app/file_choices.h"

#include <functional>

class ChartView;
class QCustomPlot;
class LogTable;
class QWidget;
class ReadingPipeline;
class UserPrompts;

class FileCommands {
public:
    struct Parts {
        ReadingPipeline& pipeline;
        UserPrompts& prompts;
        ChartView& chart;
        QWidget* window;   // over which the progress, the preview and the messages show
        // Asked once a packet was read whole, before it replaces the log: false keeps the log.
        std::function<bool()> mayReplace;
    };
    explicit FileCommands(Parts parts) : parts_(std::move(parts)), choices_(parts_.prompts) {}

    // The log, to a file chosen now; true when it was saved.
    bool save();
    // Rows that are not the log's, likewise.
    bool saveRows(const LogTable& rows);
    // A table file into the log: a text table is appended, a packet replaces the log.
    void open();
    void print();
    // The chart as it is shown, as a picture file.
    void picture();
    // The recorder's plot as it is shown: PNG, PDF or SVG.
    void recorderPicture(QCustomPlot& plot);

    // The folder the dialogs start in, kept between runs.
    QString lastFolder() const { return choices_.lastFolder(); }
    void setLastFolder(const QString& folder) { choices_.setLastFolder(folder); }

private:
    Parts parts_;
    FileChoices choices_;
};
