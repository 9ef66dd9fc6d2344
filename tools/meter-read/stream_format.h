#pragma once
// How meter-read prints readings and logged rows: TAB-separated lines (the default), CSV with
// a header line, JSON Lines, or the line protocol of time-series databases. CSV and JSON carry the analysis columns (log/analysis_format.h);
// readings add their indicators.
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <string>

struct Reading;
class LogTable;

enum class StreamFormat { Tsv, Csv, Jsonl, LineProtocol };

// "tsv", "csv", "jsonl", "influx"; false for any other name.
bool parseStreamFormat(const QString& name, StreamFormat* format);

// What comes before the first line: the CSV header, else nothing.
std::string readingStreamHeader(StreamFormat format);
std::string rowStreamHeader(StreamFormat format);

// One decoded reading, decoded at `at`, with its line end. The time column is "hh:mm:ss"
// with `timeSeparator`, as a row logged per reading would have it.
std::string readingStreamLine(const Reading& frame, const QDateTime& at, const QString& timeSeparator,
                              StreamFormat format);
// One row of the table, with its line end.
std::string rowStreamLine(const LogTable& table, std::int64_t row, StreamFormat format);
