#include "log/files/table_jsonl_file.h"

#include "log/files/analysis_format.h"
#include "log/files/event_lines.h"
#include "log/files/table_file_writer.h"
#include "log/log_table.h"

bool saveTableJsonLines(const LogTable& table, const QString& fileName, QString* error, const RecordEvents* events)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    writeRowsWithEvents(table, events, [&](std::int64_t r) { appendJsonRecord(out, analysisRecord(table, r)); },
                        [&](const RecordEvent& e) { appendJsonEvent(out, e); }, [&] { writer.flushIfFull(); });
    if (!writer.commit()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return true;
}
