#include "tools/meter-read/session_printer.h"

#include "log/files/analysis_format.h"
#include "log/log_time_text.h"
#include "log/record_logger.h"
#include "reading/computed/unit.h"
#include "reading/locale_clock.h"
#include "reading/session/meter_session.h"
#include "tools/meter-read/event_lines.h"
#include "tools/meter-read/reading_line.h"
#include "tools/meter-read/row_range.h"
#include "tools/meter-read/session_lines.h"
#include "tools/meter-read/summary_lines.h"

WideRows::WideRows(const MeterSession& session) : session_(session)
{
    for (int i = 0; i < session.inputCount(); ++i)
        columns_.push_back(session.input(i).name());
    for (int c = 0; c < session.channelCount(); ++c)
        columns_.push_back(session.channel(c).channel());
    cells_.resize(columns_.size());
}

std::string WideRows::header() const
{
    std::string out = "timestamp";
    for (const QString& c : columns_) {
        out += ',';
        appendCsvField(out, c);
        out += ',';
        appendCsvField(out, c + QStringLiteral("_unit"));
    }
    return out + ",alignment\r\n";
}

std::string WideRows::rowText() const
{
    std::string out = isoTimestamp(QDateTime::fromMSecsSinceEpoch(timeMs_)).toStdString();
    for (const std::optional<Cell>& cell : cells_) {
        out += ',';
        if (cell)
            appendCsvField(out, cell->value);
        out += ',';
        if (cell)
            appendCsvField(out, cell->unit);
    }
    out += ',';
    appendCsvField(out, alignment_);
    return out + "\r\n";
}

std::string WideRows::add(const ComputedValue& v)
{
    const auto column = std::size_t(session_.inputCount() + session_.channelIndex(v.channel));
    std::string finished;
    bool otherReading = false;
    for (const SourceReading& s : v.inputs) {
        const int input = session_.inputIndex(s.channel);
        if (input >= 0 && cells_[std::size_t(input)])
            otherReading = otherReading || cells_[std::size_t(input)]->no != s.no
                           || cells_[std::size_t(input)]->firstNo != s.firstNo;
    }
    if (timeMs_ >= 0 && (v.timeMs != timeMs_ || cells_[column] || otherReading)) {
        finished = rowText();
        cells_.assign(columns_.size(), std::nullopt);
    }
    timeMs_ = v.timeMs;
    alignment_ = v.alignment;
    cells_[column] = Cell{v.valid() ? QString::fromStdString(shortestNumberText(v.shown)) : QString(), v.unitText};
    // The inputs in their base units, as the value took them.
    for (const SourceReading& s : v.inputs) {
        const int input = session_.inputIndex(s.channel);
        if (input < 0 || cells_[std::size_t(input)])
            continue;
        const Quantity q = session_.input(input).pipeline().reading().measurement.quantity;
        const QString unit = shownUnit(unitOfQuantity(q)).text;
        cells_[std::size_t(input)] = Cell{
            s.count > 0 && !s.overload ? QString::fromStdString(shortestNumberText(s.valueSi)) : QString(), unit,
            s.firstNo, s.no};
    }
    return finished;
}

std::string WideRows::finish()
{
    std::string last = timeMs_ >= 0 ? rowText() : std::string();
    timeMs_ = -1;
    return last;
}

SessionPrinter::SessionPrinter(LineOutput& out, const MeterReadOptions& options, MeterSession& session,
                               const LocaleClock& clock)
    : out_(out), options_(options), session_(session), clock_(clock), timeSeparator_(timeSeparatorOf(clock.userLocale()))
{
    const StreamFormat format = options.format;
    if (options.wide && !options.summary) {
        wide_.emplace(session);
        out_.write(wide_->header());
        QObject::connect(&session, &MeterSession::valueComputed, [this](const ComputedValue& v) {
            const std::string row = wide_->add(v);
            if (!row.empty())
                out_.write(row);
        });
        return;
    }
    if (options.summary) {
        // The figures of the rows --rows picks are found from each table once the input ended.
        QObject::connect(&session, &MeterSession::rowLogged, [this](const QString& channel, const LogRow& row) {
            if (options_.log && !options_.rows)
                statistics_[channel].add(row);
        });
        QObject::connect(&session, &MeterSession::readingShown, [this](int input, const Reading& r) {
            if (options_.log)
                return;
            LogRow row = offeredRow(r);
            row.loggedAt = r.arrivedAt.isValid() ? r.arrivedAt : clock_.now();
            statistics_[session_.input(input).name()].add(row);
        });
        return;
    }
    out_.write(line(sessionHeader(format, !options.log), true));
    if (options.log) {
        QObject::connect(&session, &MeterSession::rowLogged,
                         [this](const QString& channel, const LogRow& r) { row(channel, r); });
        return;
    }
    QObject::connect(&session, &MeterSession::readingShown, [this](int input, const Reading&) { reading(input); });
    QObject::connect(&session, &MeterSession::valueComputed,
                     [this](const ComputedValue& v) {
        out_.write(line(computedLine(v, options_.format, clock_.now().offsetFromUtc())));
    });
}

void SessionPrinter::reading(int input)
{
    const Reading& r = session_.input(input).pipeline().reading();
    const QDateTime at = options_.format == StreamFormat::Tsv ? QDateTime() : r.arrivedAt;
    out_.write(line(withChannel(readingStreamLine(r, at, timeSeparator_, options_.format), session_.input(input).name(),
                                options_.format, true)));
}

void SessionPrinter::row(const QString& channel, const LogRow& r)
{
    // Each channel numbers its own rows from 1: the range picks those numbers of every table.
    if (options_.rows && !options_.rows->holds(r.no))
        return;
    const int input = session_.inputIndex(channel);
    if (input >= 0) {
        const LogTable& table = session_.input(input).pipeline().table();
        out_.write(line(withChannel(rowStreamLine(table, table.rowCount() - 1, options_.format), channel,
                                    options_.format, false)));
        return;
    }
    // The computed channel's own signal carries the value its row was made from.
    const int c = session_.channelIndex(channel);
    const std::optional<ComputedValue>& value = session_.channel(c).latestValue();
    out_.write(line(computedRowLine(channel, r, value, options_.format)));
}

std::string SessionPrinter::line(const std::string& text, bool header) const
{
    return options_.watchesEvents() && options_.format == StreamFormat::Csv ? withEventColumn(text, header) : text;
}

void SessionPrinter::finish()
{
    if (wide_)
        out_.write(wide_->finish());
    if (!options_.summary)
        return;
    bool header = true;
    for (int i = 0; i < session_.inputCount(); ++i) {
        out_.write(summaryOf(session_.input(i).name(), session_.input(i).pipeline().table(), header));
        header = false;
    }
    for (int c = 0; c < session_.channelCount(); ++c) {
        out_.write(summaryOf(session_.channel(c).channel(), session_.channel(c).table(), header));
        header = false;
    }
}

std::string SessionPrinter::summaryOf(const QString& channel, const LogTable& table, bool header)
{
    // As the single meter's: a range past a channel's rows leaves that channel without lines.
    const std::string summary = options_.rows ? rangeSummaryText(table, options_.rows, options_.format)
                                              : summaryText(statistics_[channel], options_.format);
    return channelSummaryText(channel, summary, options_.format, header);
}

std::string channelSummaryText(const QString& channel, const std::string& text, StreamFormat format, bool header)
{
    std::string out;
    std::size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
        start = end == std::string::npos ? text.size() : end + 1;
        const bool isHeader = first && format == StreamFormat::Csv;
        first = false;
        if (isHeader) {
            if (header)
                out += "channel," + line;
            continue;
        }
        if (format == StreamFormat::Jsonl) {
            std::string j = "{\"channel\":";
            appendJsonString(j, channel);
            out += j + (line.size() > 3 ? "," : "") + line.substr(1);
        } else {
            std::string prefix;
            if (format == StreamFormat::Csv)
                appendCsvField(prefix, channel);
            else
                prefix = channel.toStdString();
            out += prefix + (format == StreamFormat::Csv ? "," : "\t") + line;
        }
    }
    return out;
}
