#include "app/event_marks.h"

#include "app/event_record.h"
#include "log/log_grid_model.h"
#include "log/plot_index.h"
#include "ui/chart_view.h"
#include "ui/recorder_plot.h"

#include <algorithm>

namespace {

bool drawnAsMark(EventKind kind)
{
    return kind == EventKind::AlarmRaised || kind == EventKind::AlarmCleared || kind == EventKind::Note;
}

} // namespace

EventMarks::EventMarks(Parts parts, QObject* parent) : QObject(parent), parts_(parts)
{
    parts_.grid.setEvents(&parts_.record.events());
    connect(&parts_.record, &EventRecord::eventAdded, this, [this](const RecordEvent& e) {
        parts_.grid.eventAdded(e.row);
        if (drawnAsMark(e.kind))
            refresh_.request();
    });
    connect(&parts_.record, &EventRecord::eventsCleared, this, [this] {
        parts_.grid.setEvents(&parts_.record.events());
        refresh_.request();
    });
}

void EventMarks::refreshNow()
{
    // Event rows are row numbers (No, from 1); the table's rows count from 0.
    std::vector<std::int64_t> rows;
    const RecordEvents& events = parts_.record.events();
    for (std::size_t k = 0; k < events.size(); ++k)
        if (const RecordEvent& e = events.at(k); drawnAsMark(e.kind) && e.row > 0)
            rows.push_back(e.row - 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<double> records;
    for (const std::int64_t row : rows)
        if (const std::int64_t record = parts_.plotted.recordOfRow(row); record >= 0)
            records.push_back(double(record));
    parts_.chart.setEventMarks(std::move(records));
    parts_.recorder.setEventMarks(std::move(rows));
}
