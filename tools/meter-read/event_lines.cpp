#include "tools/meter-read/event_lines.h"

#include "log/files/analysis_format.h"
#include "log/log_time_text.h"
#include "tools/meter-read/line_protocol.h"

namespace {

// A TAB or a line end inside a field would split the line.
std::string tsvField(const QString& text)
{
    QString flat = text;
    for (QChar& c : flat)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return flat.toStdString();
}

std::string tsvLine(const RecordEvent& e)
{
    return "# event\t" + tsvField(eventKindText(e.kind)) + '\t' + isoTimestamp(e.at).toStdString() + '\t'
           + (e.row > 0 ? std::to_string(e.row) : std::string()) + '\t' + tsvField(e.channel) + '\t'
           + tsvField(e.rule) + '\t' + tsvField(e.text) + '\n';
}

std::string lineProtocolString(const QString& text)
{
    std::string out = "\"";
    for (const char c : text.toStdString()) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c == '\n' || c == '\r' ? ' ' : c;
    }
    return out + '"';
}

std::string lineProtocolEvent(const RecordEvent& e)
{
    std::string line = "meter_event,meter=" + lineProtocolTagText(lineProtocolMeterName());
    if (!e.channel.isEmpty())
        line += ",channel=" + lineProtocolTagText(e.channel);
    line += ",kind=" + lineProtocolTagText(eventKindText(e.kind)) + ' ';
    line += "text=" + lineProtocolString(e.text);
    if (!e.rule.isEmpty())
        line += ",rule=" + lineProtocolString(e.rule);
    if (e.row > 0)
        line += ",no=" + std::to_string(e.row) + 'i';
    return line + ' ' + std::to_string(e.at.toMSecsSinceEpoch()) + "000000\n";
}

// The session's columns: the channel first, the state, alignment and inputs before "event".
std::string sessionCsvEvent(const RecordEvent& e)
{
    std::string line;
    appendCsvField(line, e.channel);
    line += ',';
    appendCsvEvent(line, e, true);
    std::string text;
    appendCsvField(text, eventText(e));
    line.resize(line.size() - text.size() - 3);   // ",TEXT\r\n"
    return line + ",,,," + text + "\r\n";
}

} // namespace

std::string eventStreamLine(const RecordEvent& event, StreamFormat format, EventColumns columns)
{
    std::string line;
    switch (format) {
    case StreamFormat::Tsv: return tsvLine(event);
    case StreamFormat::Jsonl: appendJsonEvent(line, event); return line;
    case StreamFormat::LineProtocol: return lineProtocolEvent(event);
    case StreamFormat::Csv: break;
    }
    if (columns == EventColumns::Session)
        return sessionCsvEvent(event);
    appendCsvEvent(line, event, columns == EventColumns::Readings);
    return line;
}

std::string withEventColumn(const std::string& line, bool header)
{
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0)
        return line;
    return line.substr(0, line.size() - 2) + (header ? ",event\r\n" : ",\r\n");
}
