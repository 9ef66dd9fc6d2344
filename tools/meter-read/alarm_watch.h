#pragma once
// meter-read's alarms and notes: the rules of --alarm and --alarms watched on every reading of
// every channel, the --on-alarm command run for each raise and clear, the lines of --notes
// taken as notes, and every event printed as a line of its own among the others (with
// --summary, which prints no lines, on standard error). What becomes of a command is said on
// standard error; none of it changes the exit status, which stays that of the reading.
#include "reading/alarms/alarm_monitor.h"
#include "reading/alarms/alarm_sample.h"
#include "tools/meter-read/event_lines.h"
#include "tools/meter-read/meter_read_options.h"

#include <QObject>

#include <functional>
#include <memory>

class AlarmCommand;
class LineOutput;
class LogTable;
class LocaleClock;
class NoteSource;
struct ComputedValue;
struct Reading;


class AlarmWatch : public QObject {
    Q_OBJECT
public:
    AlarmWatch(const MeterReadOptions& options, LineOutput& out, EventColumns columns, const LocaleClock& clock);
    ~AlarmWatch() override;

    // Reads the rules file, checks each rule's channel, opens the notes; false, said on
    // standard error, when one of them is refused.
    bool start();
    // The row number a note is marked at.
    void setNoteRow(std::function<std::int64_t()> row) { noteRow_ = std::move(row); }

    void offer(const QString& channel, const AlarmSample& sample);
    // The watchdog's tick: stale rules.
    void tick();
    // The input ended: the commands still running are waited for (each within its time
    // limit), and what was left out is said.
    void finish();

private:
    void print(const RecordEvent& event);

    const MeterReadOptions& options_;
    LineOutput& out_;
    EventColumns columns_;
    const LocaleClock& clock_;
    std::unique_ptr<AlarmMonitor> monitor_;
    std::unique_ptr<AlarmCommand> command_;
    std::unique_ptr<NoteSource> notes_;
    std::function<std::int64_t()> noteRow_;
};

