#include "app/record_commands.h"

#include "reading/reading_pipeline.h"
#include "ui/user_prompts.h"

RecordCommands::RecordCommands(ReadingPipeline& pipeline, UserPrompts& prompts, QObject* parent)
    : QObject(parent), pipeline_(pipeline), prompts_(prompts)
{
    connect(&pipeline_, &ReadingPipeline::rowLogged, this, &RecordCommands::showLimit);
    connect(&pipeline_, &ReadingPipeline::logCleared, this, &RecordCommands::showLimit);
    connect(&pipeline_, &ReadingPipeline::logLoaded, this, &RecordCommands::showLimit);
}

bool RecordCommands::closeData()
{
    if (!prompts_.askYesNo(QStringLiteral("Information"), RecordLogger::closeDataQuestion()))
        return false;
    pipeline_.clearLog();
    return true;
}

void RecordCommands::setRecordLimit(int item)
{
    pipeline_.logger().setRecordLimit(item);
    showLimit();
}

void RecordCommands::showLimit()
{
    const RecordLogger& logger = pipeline_.logger();
    emit limitShown(logger.checkedLimitItem(), logger.atLimit(), logger.maxRecords());
}
