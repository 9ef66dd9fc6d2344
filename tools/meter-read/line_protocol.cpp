#include "tools/meter-read/line_protocol.h"

#include "decode/model_variants.h"

std::string lineProtocolTagText(const QString& text)
{
    std::string out;
    for (const char c : text.toUtf8()) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (std::uint8_t(c) < 0x20 || c == 0x7F) {
            out += "\\ ";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

namespace {

void appendTag(std::string& line, const char* key, const QString& value)
{
    if (value.isEmpty())
        return;
    line.push_back(',');
    line += key;
    line.push_back('=');
    line += lineProtocolTagText(value);
}

void appendField(std::string& line, const char* key, const std::string& value)
{
    if (value.empty())
        return;
    if (line.back() != ' ')
        line.push_back(',');
    line += key;
    line.push_back('=');
    line += value;
}

}   // namespace

std::string lineProtocolLine(const AnalysisRecord& record, bool overload, const QString& meter, const QString& channel)
{
    std::string line = "meter_reading";
    appendTag(line, "meter", meter);
    appendTag(line, "channel", channel);
    appendTag(line, "function", record.function);
    appendTag(line, "unit", record.unit);
    line.push_back(' ');
    // The record's numbers are plain decimal texts with "."; the protocol reads them as floats.
    appendField(line, "value", record.value.toStdString());
    appendField(line, "value_si", record.valueSi.toStdString());
    appendField(line, "overload", overload ? "true" : "false");
    if (record.timestamp.isValid())
        line += ' ' + std::to_string(record.timestamp.toMSecsSinceEpoch()) + "000000";
    line.push_back('\n');
    return line;
}

QString lineProtocolMeterName()
{
    return modelName(ModelFlags::layout());
}
