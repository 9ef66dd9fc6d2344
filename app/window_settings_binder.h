#pragma once
// The settings kept between runs, put into the window's parts at start-up and read back from
// them at the end: the limit boxes, Repeat and the interval, the record limit, the chart's page
// size and Fill, the COM port, the file dialogs' folder, the publishing, the Recorder window's
// place, the Meters window's meters and channels, and the alarm rules.
#include <QString>

#include <functional>

class AlarmSide;
class ChartToolPanel;
class FileCommands;
class JudgePanel;
class MeterLinks;
class MetersController;
class PublishingSide;
class ReadingPipeline;
class RecordPanel;
class RecorderWindow;
class TChartControl;

class WindowSettingsBinder {
public:
    struct Parts {
        JudgePanel& limits;
        RecordPanel& record;
        ReadingPipeline& pipeline;
        ChartToolPanel& chartTools;
        const TChartControl& pager;
        MeterLinks& links;   // the COM port
        FileCommands& files;
        MetersController& meters;
        RecorderWindow& recorder;
        PublishingSide& publishing;
        AlarmSide& alarms;
        std::function<void(int item)> setRecordLimit;   // the Record menu's handler
    };
    // `file` empty: nothing is kept between runs.
    WindowSettingsBinder(QString file, Parts parts) : file_(std::move(file)), parts_(std::move(parts)) {}

    // Reads the file into the parts (the defaults for what it lacks); for the user, why the
    // file was not read or cannot be kept, empty when there is nothing to say.
    QString apply();
    // Writes what the parts hold. The window is going: a failure is said on standard error.
    void keep() const;

private:
    QString file_;
    Parts parts_;
};
