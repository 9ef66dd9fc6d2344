#include "tools/meter-read/session_recover.h"

#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/log_table.h"
#include "log/log_time_text.h"
#include "log/row_statistics.h"
#include "reading/journal_controller.h"
#include "reading/session/session_files.h"
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
    if (print)
        output.write(sessionHeader(o.format, false));
    std::vector<ChannelRows> all;
    LogTable scratch;
    const int sessions = JournalController::recover(
        folder, scratch, [&](const QString& path, const JournalSummary& s, std::int64_t first) {
            const QString channel = s.channel.isEmpty() ? QStringLiteral("-") : s.channel;
            std::fprintf(stderr, "meter-read: %s: channel %s: %lld rows logged from %s to %s%s\n",
                         local(path).constData(), local(channel).constData(), static_cast<long long>(s.rows),
                         local(dateTimeText(s.firstLoggedAt)).constData(),
                         local(dateTimeText(s.lastLoggedAt)).constData(), s.damaged ? " (damaged)" : "");
            LogTable& table = tableOf(all, channel);
            for (std::int64_t r = first; r < scratch.rowCount(); ++r) {
                table.append(scratch.row(r));
                if (print && rowInRange(o.rows, table, table.rowCount() - 1))
                    output.write(rowLine(table, table.rowCount() - 1, channel, o.format));
            }
        });
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
