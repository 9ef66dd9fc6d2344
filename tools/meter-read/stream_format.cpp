#include "tools/meter-read/stream_format.h"

#include "decode/reading.h"
#include "log/files/analysis_format.h"
#include "log/log_table.h"
#include "log/log_time_text.h"
#include "log/record_logger.h"
#include "tools/meter-read/line_protocol.h"
#include "tools/meter-read/log_settings.h"
#include "tools/meter-read/reading_line.h"

namespace {

std::string csvHeader(bool withIndicators)
{
    std::string header;
    appendCsvHeader(header, withIndicators);
    return header;
}

std::string recordLine(const AnalysisRecord& record, StreamFormat format)
{
    std::string line;
    if (format == StreamFormat::Csv)
        appendCsvRecord(line, record);
    else
        appendJsonRecord(line, record);
    return line;
}

} // namespace

bool parseStreamFormat(const QString& name, StreamFormat* format)
{
    if (name == QLatin1String("tsv"))
        *format = StreamFormat::Tsv;
    else if (name == QLatin1String("csv"))
        *format = StreamFormat::Csv;
    else if (name == QLatin1String("jsonl"))
        *format = StreamFormat::Jsonl;
    else if (name == QLatin1String("influx"))
        *format = StreamFormat::LineProtocol;
    else
        return false;
    return true;
}

std::string readingStreamHeader(StreamFormat format)
{
    return format == StreamFormat::Csv ? csvHeader(true) : std::string();
}

std::string rowStreamHeader(StreamFormat format)
{
    return format == StreamFormat::Csv ? csvHeader(false) : std::string();
}

std::string readingStreamLine(const Reading& frame, const QDateTime& at, const QString& timeSeparator,
                              StreamFormat format)
{
    if (format == StreamFormat::Tsv)
        return readingLine(frame) + "\n";
    // As a row logged per reading would have it, without its number and verdict.
    LogRow row = offeredRow(frame);
    row.judge = QString();
    row.time = at.isValid() ? readingTimeText(at.time(), timeSeparator) : QString();
    row.loggedAt = at;
    AnalysisRecord record = analysisRecord(row);
    if (format == StreamFormat::LineProtocol)
        return lineProtocolLine(record, frame.overload(), lineProtocolMeterName(), QStringLiteral("meter"));
    record.indicators = frame.indicators.names();
    return recordLine(record, format);
}

std::string rowStreamLine(const LogTable& table, std::int64_t row, StreamFormat format)
{
    if (format == StreamFormat::Tsv)
        return tableRowLine(table, row) + "\n";
    if (format == StreamFormat::LineProtocol)
        return lineProtocolLine(analysisRecord(table, row), table.rowValue(row).overload, lineProtocolMeterName(),
                          QStringLiteral("meter"));
    return recordLine(analysisRecord(table, row), format);
}
