#include "tools/log_settings.h"

#include "log/table_text_file.h"
#include "pipeline/reading_pipeline.h"
#include "tools/option_args.h"

void applyLogSettings(ReadingPipeline& pipeline, const LogSettings& settings)
{
    RecordLogger& logger = pipeline.logger();
    if (!logger.setMaxRecords(settings.limit))
        usageError(QStringLiteral("the record limit is 1 to %1").arg(RecordLogger::kLimits[RecordLogger::kLimitCount - 1]));
    logger.setRepeatSet(settings.repeat);
    if (settings.intervalSeconds > 0) {
        const auto change = logger.RecordSITimeChange(QString::number(settings.intervalSeconds));
        if (change.outcome != RecordLogger::IntervalChange::Applied)
            usageError(QStringLiteral("the interval \"%1\" is too long").arg(settings.intervalSeconds));
        logger.setRecordSI(true);
    }
    pipeline.judge().T1HIChange(settings.high);
    pipeline.judge().T1LOChange(settings.low);
}

std::string tableRowLine(const LogTable& table, std::int64_t row)
{
    std::string line;
    appendTableTextRow(line, table, row, TextRowForm::Printed);
    return line;
}
