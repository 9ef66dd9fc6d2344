#include "tools/meter-read/session_lines.h"

#include "log/files/analysis_format.h"
#include "log/log_time_text.h"
#include "reading/session/computed_log.h"
#include "reading/session/computed_record.h"
#include "reading/session/session_files.h"
#include "tools/meter-read/line_protocol.h"
#include "tools/meter-read/reading_line.h"


namespace {

// The input readings a value was made from: "u#12=12.5 i#13=0.4" (mean: "u#10-12=12.5").
QString inputsText(const ComputedValue& v)
{
    QStringList parts;
    for (const SourceReading& s : v.inputs) {
        const QString rows = s.firstNo != s.no ? QStringLiteral("%1-%2").arg(s.firstNo).arg(s.no) : QString::number(s.no);
        const QString value = s.count > 0 && !s.overload ? QString::fromStdString(shortestNumberText(s.valueSi))
                                                         : QStringLiteral("none");
        parts << QStringLiteral("%1#%2=%3").arg(s.channel, rows, value);
    }
    return parts.join(QLatin1Char(' '));
}

// A computed record in the chosen format, `value` giving what a row alone does not know.
std::string computedRecordLine(const QString& channel, const AnalysisRecord& record,
                               const std::optional<ComputedValue>& value, StreamFormat format)
{
    const QString state = value ? computedStateText(value->state) : QString();
    const QString alignment = value ? value->alignment : QString();
    if (format == StreamFormat::LineProtocol)
        return lineProtocolLine(record, value && value->state == ComputedState::Overload, lineProtocolMeterName(),
                                channel);
    std::string line;
    if (format == StreamFormat::Tsv) {
        line = channel.toStdString() + '\t' + (record.no ? std::to_string(*record.no) : std::string()) + '\t'
               + record.value.toStdString() + '\t' + record.unit.toStdString() + '\t'
               + (record.judge.isEmpty() ? state : record.judge).toStdString() + '\t' + alignment.toStdString()
               + '\t' + (value ? inputsText(*value).toStdString() : std::string()) + '\n';
        return line;
    }
    if (format == StreamFormat::Csv) {
        appendCsvField(line, channel);
        line += ',';
        appendCsvRecord(line, record);
        line.resize(line.size() - 2);   // the record's CR LF
        line += ",,";                   // no indicators
        appendCsvField(line, state);
        line += ',';
        appendCsvField(line, alignment);
        line += ',';
        if (value)
            appendCsvField(line, inputsText(*value));
        line += "\r\n";
        return line;
    }
    appendJsonRecord(line, record);
    line.resize(line.size() - 2);   // "}\n"
    if (value)
        appendComputedJson(line, *value);
    line += "}\n";
    return withChannel(line, channel, format, true);
}

} // namespace

std::string sessionHeader(StreamFormat format, bool readings)
{
    if (format != StreamFormat::Csv)
        return {};
    std::string header = "channel,";
    appendCsvHeader(header, true);
    header.resize(header.size() - 2);
    (void)readings;   // the columns are the same for readings and rows, so lines of both can mix
    return header + ",state,alignment,inputs\r\n";
}

std::string withChannel(const std::string& line, const QString& channel, StreamFormat format, bool reading)
{
    std::string out;
    if (format == StreamFormat::LineProtocol) {
        // The single-input form tags its one channel "meter".
        static const std::string single = ",channel=meter,";
        const std::size_t at = line.find(single);
        if (at == std::string::npos)
            return line;
        return line.substr(0, at) + ",channel=" + lineProtocolTagText(channel) + ',' + line.substr(at + single.size());
    }
    if (format == StreamFormat::Jsonl) {
        out = "{\"channel\":";
        appendJsonString(out, channel);
        if (line.size() > 2 && line[1] != '}')
            out += ',';
        out.append(line, 1, std::string::npos);
        return out;
    }
    if (format == StreamFormat::Tsv)
        return channel.toStdString() + '\t' + line;
    appendCsvField(out, channel);
    out += ',';
    // A row's line has no indicators column: it and the computed columns are left empty.
    out.append(line, 0, line.size() - 2);
    out += reading ? ",,," : ",,,,";
    out += "\r\n";
    return out;
}

std::string computedLine(const ComputedValue& value, StreamFormat format, int utcOffsetSeconds)
{
    return computedRecordLine(value.channel, computedRecord(value, utcOffsetSeconds), value, format);
}

std::string computedRowLine(const QString& channel, const LogRow& row, const std::optional<ComputedValue>& value,
                            StreamFormat format)
{
    return computedRecordLine(channel, channelRecord(row), value, format);
}
