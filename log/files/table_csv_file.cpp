#include "log/files/table_csv_file.h"

#include "log/files/analysis_format.h"
#include "log/log_table.h"
#include "log/files/table_file_writer.h"

bool saveTableCsv(const LogTable& table, const QString& fileName, QString* error)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    appendCsvHeader(out, false);
    const std::int64_t rows = table.rowCount();
    for (std::int64_t r = 0; r < rows; ++r) {
        appendCsvRecord(out, analysisRecord(table, r));
        writer.flushIfFull();
    }
    if (!writer.commit()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return true;
}
