#include "tools/meter-read/log_settings.h"

#include "log/files/table_text_file.h"
#include "reading/reading_pipeline.h"
#include "tools/command_line.h"

void applyLogSettings(ReadingPipeline& pipeline, const LogSettings& settings)
{
    RecordLogger& logger = pipeline.logger();
    if (!logger.setMaxRecords(settings.limit))
        usageError(QStringLiteral("the record limit is 1 to %1").arg(RecordLogger::kLimits[RecordLogger::kLimitCount - 1]));
    logger.setRepeatSet(settings.repeat);
    if (settings.intervalSeconds > 0) {
        const auto change = logger.setIntervalText(QString::number(settings.intervalSeconds));
        if (change.outcome != RecordLogger::IntervalChange::Applied)
            usageError(QStringLiteral("the interval \"%1\" is too long").arg(settings.intervalSeconds));
        logger.setRecordSI(true);
    }
    pipeline.judge().limitEdited(LimitEdit::High, settings.high);
    pipeline.judge().limitEdited(LimitEdit::Low, settings.low);
}

std::string tableRowLine(const LogTable& table, std::int64_t row)
{
    std::string line;
    appendTableTextRow(line, table, row, TextRowForm::Printed);
    return line;
}
