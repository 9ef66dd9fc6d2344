#pragma once
// What meter-read prints while a session of several meters runs: every reading and every
// computed value with its channel (or, with --log, every logged row of every channel), the
// wide CSV's rows, or at the end each channel's summary.
#include "log/row_statistics.h"
#include "reading/computed/computed_value.h"
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/meter_read_options.h"

#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

class MeterSession;
class LocaleClock;

// The wide CSV's rows: the values worked out from one reading (or for one interval) share a
// row; a value and a unit column per channel, inputs first, and the alignment. A row holds one
// reading per input: a value that took another one starts the next row, even at the same
// millisecond.
class WideRows {
public:
    explicit WideRows(const MeterSession& session);
    std::string header() const;
    // The row finished by this value, if it starts a new one; finish() gives the last.
    std::string add(const ComputedValue& value);
    std::string finish();

private:
    struct Cell {
        QString value, unit;
        std::int64_t firstNo = 0, no = 0;   // an input's: the readings it stands for
    };
    std::string rowText() const;

    const MeterSession& session_;
    std::vector<QString> columns_;
    std::int64_t timeMs_ = -1;   // -1: no row open
    QString alignment_;
    std::vector<std::optional<Cell>> cells_;
};

class SessionPrinter {
public:
    SessionPrinter(LineOutput& out, const MeterReadOptions& options, MeterSession& session, const LocaleClock& clock);
    // The input ended: the wide CSV's last row, the summaries.
    void finish();

private:
    void reading(int input);
    void row(const QString& channel, const LogRow& row);
    // A CSV line (or the header) with the "event" column when events are printed among them.
    std::string line(const std::string& text, bool header = false) const;
    // The summary of one channel's rows (of those --rows picks) or readings.
    std::string summaryOf(const QString& channel, const LogTable& table, bool header);

    LineOutput& out_;
    const MeterReadOptions& options_;
    MeterSession& session_;
    const LocaleClock& clock_;
    QString timeSeparator_;
    std::optional<WideRows> wide_;
    std::map<QString, RowStatistics> statistics_;   // --summary, per channel
};

// --summary of one channel: the lines of `summary` (summaryText's or rangeSummaryText's) with
// the channel in front (CSV: a header line when `header`).
std::string channelSummaryText(const QString& channel, const std::string& summary, StreamFormat format, bool header);
