#include "tools/meter-read/session_recover.h"

#include "log/files/event_lines.h"
#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/log_table.h"
#include "log/log_time_text.h"
#include "log/row_statistics.h"
#include "reading/journal_controller.h"
#include "reading/session/session_files.h"
#include "tools/meter-read/event_lines.h"
#include "tools/meter-read/row_range.h"
#include "tools/meter-read/session_lines.h"
#include "tools/meter-read/session_printer.h"
#include "tools/meter-read/summary_lines.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

QByteArray local(const QString& text) { return text.toLocal8Bit(); }

struct ChannelRows {
    QString channel;
    std::unique_ptr<LogTable> table = std::make_unique<LogTable>();
};

LogTable& tableOf(std::vector<ChannelRows>& all, const QString& channel)
{
    for (ChannelRows& c : all)
        if (c.channel == channel)
            return *c.table;
    all.push_back({channel});
    return *all.back().table;
}

std::string rowLine(const LogTable& table, std::int64_t r, const QString& channel, StreamFormat format)
{
    const LogRow row = table.row(r);
    if (row.function == QLatin1String("CALC"))
        return computedRowLine(channel, row, std::nullopt, format);
    return withChannel(rowStreamLine(table, r, format), channel, format, false);
}

int saveRecovered(const std::vector<ChannelRows>& all, const QString& fileName)
{
    std::vector<NamedTable> tables;
    for (const ChannelRows& c : all)
        tables.push_back({c.channel, c.table.get()});
    if (tableFileFormat(fileName) == TableFileFormat::Csv) {
        QString error;
        const bool ok = saveChannelsCsv(tables, fileName, &error);
        std::fprintf(stderr, ok ? "meter-read: saved %s\n" : "meter-read: could not save %s: %s\n",
                     local(fileName).constData(), local(error).constData());
        return ok ? 0 : 1;
    }
    const FileOutcome outcome = saveEachChannel(tables, fileName);
    std::fprintf(stderr, "meter-read: %s%s%s\n", local(outcome.text).constData(), outcome.ok ? "" : ": ",
                 outcome.ok ? "" : local(outcome.reason).constData());
    return outcome.ok ? 0 : 1;
}

// One journal's rows, in its channel's table, and its events.
struct RecoveredChannel {
    QString channel;
    const LogTable* table;
    std::int64_t first, end;
    RecordEvents events;
};

// The rows of each journal with its events among them at their rows.
void printRecovered(const std::vector<RecoveredChannel>& recovered, const MeterReadOptions& o, LineOutput& output)
{
    bool anyEvents = false;
    for (const RecoveredChannel& r : recovered)
        anyEvents = anyEvents || !r.events.empty();
    std::string header = sessionHeader(o.format, false);
    if (anyEvents && !header.empty())
        header.insert(header.size() - 2, ",event");
    output.write(header);
    for (const RecoveredChannel& r : recovered) {
        writeRowsWithEvents(
            *r.table, r.first, r.end, &r.events,
            [&](std::int64_t row) {
                if (rowInRange(o.rows, *r.table, row))
                    output.write(anyEvents ? withEventColumn(rowLine(*r.table, row, r.channel, o.format))
                                           : rowLine(*r.table, row, r.channel, o.format));
            },
            [&](const RecordEvent& e) {
                if (!o.rows || o.rows->holds(qint32(e.row)))
                    output.write(eventStreamLine(e, o.format, EventColumns::Session));
            });
    }
}

} // namespace

bool channelJournalsLeft(const QString& folder)
{
    for (const LeftJournal& left : leftJournals(folder))
        if (!summariseJournal(left.path).channel.isEmpty())
            return true;
    return false;
}

int recoverChannelJournals(const MeterReadOptions& o, const QString& folder, LineOutput& output)
{
    const bool print = o.saveFile.isEmpty() && !o.summary;
    std::vector<ChannelRows> all;
    std::vector<RecoveredChannel> recovered;
    LogTable scratch;
    const int sessions = JournalController::recover(
        folder, scratch,
        [&](const QString& path, const JournalSummary& s, std::int64_t first, const RecordEvents& events) {
            const QString channel = s.channel.isEmpty() ? QStringLiteral("-") : s.channel;
            std::fprintf(stderr, "meter-read: %s: channel %s: %lld rows logged from %s to %s%s\n",
                         local(path).constData(), local(channel).constData(), static_cast<long long>(s.rows),
                         local(dateTimeText(s.firstLoggedAt)).constData(),
                         local(dateTimeText(s.lastLoggedAt)).constData(), s.damaged ? " (damaged)" : "");
            LogTable& table = tableOf(all, channel);
            RecoveredChannel r{channel, &table, table.rowCount(), 0, {}};
            for (std::int64_t row = first; row < scratch.rowCount(); ++row)
                table.append(scratch.row(row));
            r.end = table.rowCount();
            for (std::size_t i = 0; i < events.size(); ++i) {
                RecordEvent e = events.at(i);
                if (e.channel.isEmpty())
                    e.channel = channel;
                r.events.append(std::move(e));
            }
            recovered.push_back(std::move(r));
        });
    if (print)
        printRecovered(recovered, o, output);
    if (sessions == 0)
        return 0;
    if (o.summary) {
        bool header = true;
        for (const ChannelRows& c : all) {
            std::string summary;
            if (o.rows) {
                summary = rangeSummaryText(*c.table, o.rows, o.format);
            } else {
                RowStatistics statistics;
                statistics.addTableRows(*c.table, 0, c.table->rowCount());
                summary = summaryText(statistics, o.format);
            }
            output.write(channelSummaryText(c.channel, summary, o.format, header));
            header = false;
        }
    }
    const int rc = o.saveFile.isEmpty() ? 0 : saveRecovered(all, o.saveFile);
    return output.failed() ? 1 : rc;
}
