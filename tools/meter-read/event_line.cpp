#include "tools/meter-read/event_line.h"

#include "log/files/analysis_format.h"
#include "log/log_time_text.h"

namespace {

// A field of the TSV form on one line: TABs and line ends inside it become blanks.
std::string tsvField(const QString& text)
{
    QString plain = text;
    for (QChar& c : plain)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return plain.toStdString();
}

} // namespace

std::string eventStreamLine(const RecordEvent& event, StreamFormat format, bool withIndicators)
{
    std::string line;
    switch (format) {
    case StreamFormat::Csv: appendCsvEvent(line, event, withIndicators); break;
    case StreamFormat::Jsonl: appendJsonEvent(line, event); break;
    case StreamFormat::Tsv:
    case StreamFormat::LineProtocol:
        line = "# event\t" + tsvField(eventKindText(event.kind)) + '\t' + tsvField(isoTimestamp(event.at)) + '\t'
               + tsvField(event.channel) + '\t' + tsvField(event.rule) + '\t' + tsvField(event.text) + '\n';
        break;
    }
    return line;
}

std::string rowStreamHeaderWithEvents(StreamFormat format, bool withIndicators)
{
    std::string header;
    if (format == StreamFormat::Csv)
        appendCsvHeader(header, withIndicators, true);
    return header;
}

std::string withEmptyEventColumn(std::string line, StreamFormat format)
{
    if (format == StreamFormat::Csv && line.size() >= 2)
        line.insert(line.size() - 2, 1, ',');   // before the CR LF
    return line;
}

std::string sessionEventLine(const RecordEvent& event, StreamFormat format)
{
    if (format != StreamFormat::Csv)
        return eventStreamLine(event, format);
    std::string line;
    appendCsvField(line, event.channel);
    line += ',';
    std::string analysis;
    appendCsvEvent(analysis, event, true);
    // Its fields before the event's text hold no comma: the text follows the twelfth.
    std::size_t at = std::string::npos;
    for (int commas = 0; commas < 12; ++commas)
        if ((at = analysis.find(',', at + 1)) == std::string::npos)
            break;
    if (at == std::string::npos)
        return line + analysis;
    line.append(analysis, 0, at);
    line += ",,,";   // state, alignment, inputs
    line.append(analysis, at, std::string::npos);
    return line;
}
