#include "log/files/table_csv_file.h"

#include "log/files/analysis_format.h"
#include "log/files/event_lines.h"
#include "log/log_table.h"
#include "log/record_events.h"
#include "log/files/table_file_writer.h"

bool saveTableCsv(const LogTable& table, const QString& fileName, QString* error, const RecordEvents* events)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    const bool withEvents = events && !events->empty();
    appendCsvHeader(out, false, withEvents);
    writeRowsWithEvents(table, events, [&](std::int64_t r) { appendCsvRecord(out, analysisRecord(table, r), withEvents); },
                        [&](const RecordEvent& e) { appendCsvEvent(out, e, false); },
                        [&] { writer.flushIfFull(); });
    if (!writer.commit()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return true;
}
