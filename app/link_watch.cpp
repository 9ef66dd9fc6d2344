#include "app/link_watch.h"

#include "app/meter_links.h"
#include "reading/reading_pipeline.h"

#include <QScopedValueRollback>

LinkWatch::LinkWatch(ReadingPipeline& pipeline, MeterLinks& links, QObject* parent)
    : QObject(parent), pipeline_(pipeline), links_(links)
{
    connect(&links_, &MeterLinks::linkStopped, this, [this] {
        pipeline_.panel().setLinkAlive(false);
        emit fellSilent();
    });
}

bool LinkWatch::tick()
{
    if (ticking_)
        return false;
    const QScopedValueRollback<bool> busy(ticking_, true);
    if (!pipeline_.watchdogTick())
        return false;
    links_.watchdogSilent();
    emit fellSilent();
    return true;
}
