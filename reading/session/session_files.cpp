#include "reading/session/session_files.h"

#include "decode/unit_display.h"
#include "log/files/analysis_format.h"
#include "log/files/table_file_writer.h"
#include "log/files/table_files.h"
#include "log/log_table.h"
#include "reading/session/meter_session.h"
#include "reading/session/source_rows.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <functional>

AnalysisRecord channelRecord(const LogRow& row)
{
    AnalysisRecord r = analysisRecord(row);
    if (row.function != QLatin1String("CALC"))
        return r;
    r.unit = displayUnit(row.unit);
    bool ok = false;
    const double shown = r.display.toDouble(&ok);
    if (!ok)
        return r;
    r.value = r.display;
    // Ah and Wh are shown in hours; their base is the second.
    const bool hours = r.unit == QLatin1String("Ah") || r.unit == QLatin1String("Wh");
    r.valueSi = hours ? QString::number(shown * 3600, 'g', 15) : r.value;
    r.siUnit = hours ? r.unit.left(1) + QStringLiteral("\u00B7s") : r.unit;
    return r;
}

std::vector<NamedTable> sessionTables(const MeterSession& session)
{
    std::vector<NamedTable> tables;
    for (int i = 0; i < session.inputCount(); ++i)
        tables.push_back({session.input(i).name(), &session.input(i).pipeline().table()});
    for (int c = 0; c < session.channelCount(); ++c)
        tables.push_back({session.channel(c).channel(), &session.channel(c).table(), &session.channel(c).sources()});
    return tables;
}

QString channelFileName(const QString& fileName, const QString& channel)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    return suffix.isEmpty() ? QStringLiteral("%1-%2").arg(stem, channel)
                            : QStringLiteral("%1-%2.%3").arg(stem, channel, suffix);
}

FileOutcome saveEachChannel(const std::vector<NamedTable>& tables, const QString& fileName)
{
    FileOutcome last = FileOutcome::silent(true);
    for (const NamedTable& t : tables) {
        const QString name = channelFileName(fileName, t.channel);
        if (t.table->rowCount() == 0 && QFileInfo::exists(name))
            continue;
        last = saveTableFile(*t.table, name);
        if (!last.ok)
            return last;
    }
    return last;
}

namespace {

// Walks the rows of all tables in the order they were logged: by time stamp, a table's own
// rows in their order, ties to the table listed first.
void inLoggedOrder(const std::vector<NamedTable>& tables,
                   const std::function<void(std::size_t table, std::int64_t index, const LogRow& row)>& visit)
{
    std::vector<std::int64_t> next(tables.size(), 0);
    for (;;) {
        std::size_t best = tables.size();
        std::int64_t bestMs = 0;
        LogRow bestRow;
        for (std::size_t t = 0; t < tables.size(); ++t) {
            if (next[t] >= tables[t].table->rowCount())
                continue;
            LogRow row = tables[t].table->row(next[t]);
            const std::int64_t ms = row.loggedAt.isValid() ? row.loggedAt.toMSecsSinceEpoch() : 0;
            if (best == tables.size() || ms < bestMs) {
                best = t;
                bestMs = ms;
                bestRow = std::move(row);
            }
        }
        if (best == tables.size())
            return;
        visit(best, next[best]++, bestRow);
    }
}

bool written(TableFileWriter& writer, QString* error)
{
    if (writer.commit())
        return true;
    if (error)
        *error = writer.errorString();
    return false;
}

} // namespace

bool saveChannelsCsv(const std::vector<NamedTable>& tables, const QString& fileName, QString* error)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    out += "channel,";
    appendCsvHeader(out, false);
    inLoggedOrder(tables, [&](std::size_t t, std::int64_t, const LogRow& row) {
        appendCsvField(out, tables[t].channel);
        out += ',';
        appendCsvRecord(out, channelRecord(row));
        writer.flushIfFull();
    });
    return written(writer, error);
}

bool saveWideCsv(const std::vector<NamedTable>& tables, int firstComputed, const QString& fileName, QString* error)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    out += "timestamp";
    for (const NamedTable& t : tables) {
        out += ',';
        appendCsvField(out, t.channel);
        out += ',';
        appendCsvField(out, t.channel + QStringLiteral("_unit"));
    }
    out += "\r\n";
    const bool anyComputed = std::size_t(firstComputed) < tables.size();
    std::vector<AnalysisRecord> latest(tables.size());
    std::vector<bool> seen(tables.size(), false);
    inLoggedOrder(tables, [&](std::size_t t, std::int64_t index, const LogRow& row) {
        latest[t] = channelRecord(row);
        seen[t] = true;
        if (anyComputed && int(t) < firstComputed)
            return;
        out += isoTimestamp(row.loggedAt).toStdString();
        for (std::size_t k = 0; k < tables.size(); ++k) {
            // Several rows may share the millisecond: an input the value took is its own row.
            qint32 source = SourceRows::kNoRow;
            if (int(k) < firstComputed && tables[t].sources && tables[t].sources->sourceOf(index, int(k), &source)) {
                const bool logged = source >= 0 && source < tables[k].table->rowCount();
                const AnalysisRecord r = logged ? channelRecord(tables[k].table->row(source)) : AnalysisRecord();
                out += ',';
                appendCsvField(out, r.value);
                out += ',';
                appendCsvField(out, r.unit);
                continue;
            }
            out += ',';
            if (seen[k])
                appendCsvField(out, latest[k].value);
            out += ',';
            if (seen[k])
                appendCsvField(out, latest[k].unit);
        }
        out += "\r\n";
        writer.flushIfFull();
    });
    return written(writer, error);
}
