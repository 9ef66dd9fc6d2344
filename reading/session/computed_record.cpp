#include "reading/session/computed_record.h"

#include "log/files/analysis_format.h"
#include "log/log_time_text.h"
#include "reading/session/computed_log.h"
#include "reading/session/session_files.h"

QString computedStateText(ComputedState state)
{
    switch (state) {
    case ComputedState::Valid: return QStringLiteral("valid");
    case ComputedState::Stale: return QStringLiteral("stale");
    case ComputedState::Overload: return QStringLiteral("overload");
    case ComputedState::Empty: return QStringLiteral("empty");
    }
    return {};
}

AnalysisRecord computedRecord(const ComputedValue& value, int utcOffsetSeconds)
{
    LogRow row = computedRow(value, QStringLiteral("."));
    row.loggedAt = QDateTime::fromMSecsSinceEpoch(value.timeMs, Qt::OffsetFromUTC, utcOffsetSeconds);
    row.time = readingTimeText(row.loggedAt.time(), QStringLiteral(":"));
    row.no = qint32(value.no);
    // Streamed, the value keeps every digit and its unit as people read it.
    AnalysisRecord record = channelRecord(row);
    record.unit = value.unitText;
    if (value.valid()) {
        record.value = QString::fromStdString(shortestNumberText(value.shown));
        record.valueSi = QString::fromStdString(shortestNumberText(value.valueSi));
    }
    return record;
}

void appendComputedJson(std::string& out, const ComputedValue& v)
{
    out += ",\"state\":";
    appendJsonString(out, computedStateText(v.state));
    out += ",\"alignment\":";
    appendJsonString(out, v.alignment);
    out += ",\"inputs\":[";
    for (std::size_t k = 0; k < v.inputs.size(); ++k) {
        const SourceReading& s = v.inputs[k];
        if (k)
            out.push_back(',');
        out += "{\"channel\":";
        appendJsonString(out, s.channel);
        out += ",\"no\":" + std::to_string(s.no);
        if (s.firstNo != s.no)
            out += ",\"first_no\":" + std::to_string(s.firstNo) + ",\"count\":" + std::to_string(s.count);
        out += ",\"value_si\":";
        out += s.count > 0 && !s.overload ? shortestNumberText(s.valueSi) : std::string("null");
        out += '}';
    }
    out += ']';
}
