#include "tools/logging_sink.h"

#include "log/log_time_text.h"
#include "log/table_text_file.h"
#include "tools/option_args.h"

LoggingSink::LoggingSink(LogTable& table, const LogSettings& settings, Clock clock, RowHandler rowLogged,
                         FrameSink* next)
    : table_(table), logger_(table), clock_(std::move(clock)), rowLogged_(std::move(rowLogged)),
      next_(next), decimalSeparator_(settings.decimalSeparator)
{
    if (!logger_.setMaxRecords(settings.limit))
        usageError(QStringLiteral("the record limit is 1 to %1").arg(RecordLogger::kLimits[RecordLogger::kLimitCount - 1]));
    logger_.setRepeatSet(settings.repeat);
    if (settings.intervalSeconds > 0) {
        const auto change = logger_.RecordSITimeChange(QString::number(settings.intervalSeconds));
        if (change.outcome != RecordLogger::IntervalChange::Applied)
            usageError(QStringLiteral("the interval \"%1\" is too long").arg(settings.intervalSeconds));
        logger_.setRecordSI(true);
    }
    judge_.T1HIChange(settings.high);
    judge_.T1LOChange(settings.low);
    logger_.setCallbacks({{},
                          [this] {
                              if (rowLogged_)
                                  rowLogged_(table_, table_.rowCount() - 1);
                          },
                          {}, {}, {}});
}

void LoggingSink::frameDecoded(const DecodedFrame& frame)
{
    judge_.normaliseLimits(decimalSeparator_);
    if (judge_.judge(frame.valueText, decimalSeparator_))
        judgeText_ = judge_.judgeText();
    LogReading reading;
    reading.valueText = frame.valueText;
    reading.functionText = frame.functionText;
    reading.unitText = frame.unitText;
    reading.rangeModeText = frame.rangeModeText;
    reading.judgeText = judgeText_;
    reading.readingValue = frame.readingValue;
    logger_.readingDecoded(reading, clock_.now(), timeSeparatorOf(clock_.locale));
    if (next_)
        next_->frameDecoded(frame);
}

void LoggingSink::frameRefused(const QString& message)
{
    if (next_)
        next_->frameRefused(message);
}

void LoggingSink::samplingTick()
{
    logger_.Timer3Timer(clock_.now(), clock_.locale);
}

std::string tableRowLine(const LogTable& table, std::int64_t row)
{
    std::string line;
    appendTableTextRow(line, table, row, TextRowForm::Printed);
    return line;
}
