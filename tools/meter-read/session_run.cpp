#include "tools/meter-read/session_run.h"

#include "decode/model_variants.h"
#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/record_events.h"
#include "publish/session_publisher.h"
#include "reading/locale_clock.h"
#include "reading/session/meter_session.h"
#include "reading/session/session_files.h"
#include "tools/meter-read/alarm_watch.h"
#include "tools/meter-read/log_settings.h"
#include "tools/meter-read/publish_notice.h"
#include "tools/meter-read/session_feed.h"
#include "tools/meter-read/session_printer.h"
#include "tools/meter-read/session_sources.h"

#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

QByteArray local(const QString& text) { return text.toLocal8Bit(); }

// The session's meters and channels as the options give them; false (said) when refused.
bool buildSession(MeterSession& session, const MeterReadOptions& o)
{
    for (const NamedInput& in : o.inputs) {
        QString why;
        if (!session.addInput(in.name, identityOf(in), &why)) {
            std::fprintf(stderr, "meter-read: %s\n", local(why).constData());
            return false;
        }
    }
    std::vector<DefinitionError> errors;
    if (!o.calcs.empty() && !session.defineChannels(o.calcs, o.align, &errors)) {
        for (const DefinitionError& e : errors)
            std::fprintf(stderr, "meter-read: --calc %s: at %d: %s\n", local(e.channel).constData(), e.error.position,
                         local(e.error.message).constData());
        return false;
    }
    LogSettings settings;
    if (o.logs())
        settings = LogSettings{o.high, o.low, o.repeat, o.limit, o.intervalSeconds};
    try {
        for (int i = 0; i < session.inputCount(); ++i)
            applyLogSettings(session.input(i).pipeline(), settings);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "meter-read: %s\n", e.what());
        return false;
    }
    QString why;
    if (!session.setLogRules(LogRules{settings.repeat, settings.limit, settings.intervalSeconds}, &why)) {
        std::fprintf(stderr, "meter-read: %s\n", local(why).constData());
        return false;
    }
    return true;
}

// --save: one CSV with the channel column (or the wide one with --wide), or a table file per
// channel; the journals are emptied once every file is written.
int saveSession(MeterSession& session, const MeterReadOptions& o)
{
    const std::vector<NamedTable> tables = sessionTables(session);
    QString error;
    bool ok = true;
    if (tableFileFormat(o.saveFile) == TableFileFormat::Csv) {
        ok = o.wide ? saveWideCsv(tables, session.inputCount(), o.saveFile, &error)
                    : saveChannelsCsv(tables, o.saveFile, &error);
        std::fprintf(stderr, ok ? "meter-read: saved %s\n" : "meter-read: could not save %s: %s\n",
                     local(o.saveFile).constData(), local(error).constData());
    } else {
        const FileOutcome outcome = saveEachChannel(tables, o.saveFile);
        ok = outcome.ok;
        for (const NamedTable& t : tables)
            if (ok)
                std::fprintf(stderr, "meter-read: saved %s\n", local(channelFileName(o.saveFile, t.channel)).constData());
        if (!ok)
            std::fprintf(stderr, "meter-read: %s: %s\n", local(outcome.text).constData(), local(outcome.reason).constData());
    }
    if (ok)
        session.saved();
    return ok ? 0 : 1;
}

// The event loop, waking at most about once a millisecond while data flows: four meters at
// 1,000 frames a second each would otherwise wake it 4,000 times a second, one frame each.
// Idle, it sleeps until something comes; a frame waits at most the pause before it is read,
// and its lines are written together at the end of the pass.
void runCoalesced(QCoreApplication& app, const bool& done, LineOutput& output)
{
    constexpr struct timespec kPause = {0, 1000000};
    output.holdLines(true);
    while (!done) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        output.flush();
        if (!done)
            nanosleep(&kPause, nullptr);
    }
    output.holdLines(false);
}

} // namespace

int runSession(QCoreApplication& app, const MeterReadOptions& o, LineOutput& output,
               const std::function<bool()>& stopRequested)
{
    const SystemLocaleClock clock(o.decimalSeparator);
    MeterSession session(clock, startupVariant(ModelFlags::layout()).fullScaleCount);
    if (!buildSession(session, o))
        return 2;
    SessionPrinter printer(output, o, session, clock);
    // Every reading of every input and every computed value goes to the alarm rules.
    AlarmWatch alarms(o, output, EventColumns::Session, clock);
    if (o.watchesEvents()) {
        if (!alarms.start())
            return 2;
        // Events are marked at a channel's row only when rows are logged; reading lines have no
        // number. A note concerns no one channel: it is marked by its time.
        const bool numbered = o.logs();
        QObject::connect(&session, &MeterSession::readingShown, [&, numbered](int input, const Reading& r) {
            const std::int64_t row = numbered ? lastRowNo(session.input(input).pipeline().table()) : 0;
            alarms.offer(session.input(input).name(), alarmSampleOf(r, row, clock.now().toMSecsSinceEpoch()));
        });
        QObject::connect(&session, &MeterSession::valueComputed, [&, numbered](const ComputedValue& v) {
            const int c = session.channelIndex(v.channel);
            alarms.offer(v.channel, alarmSampleOf(v, numbered && c >= 0 ? lastRowNo(session.channel(c).table()) : 0));
        });
    }
    // Every channel's readings (with --log, rows) to a broker; what becomes of the connection
    // is said on standard error.
    std::unique_ptr<SessionPublisher> publisher;
    std::unique_ptr<PublishNotice> notice;
    if (o.mqtt.on) {
        const auto source = o.logs() ? SessionPublisher::Source::Rows : SessionPublisher::Source::Readings;
        publisher = std::make_unique<SessionPublisher>(session, source, o.mqtt.settings, clock);
        notice = std::make_unique<PublishNotice>(*publisher, stderr);
    }
    if (o.logs())
        session.openJournals(defaultJournalFolder(), QStringLiteral("meter-read"));

    std::vector<std::unique_ptr<SessionFeed>> feeds;
    std::vector<std::unique_ptr<SessionSource>> sources;
    for (int i = 0; i < session.inputCount(); ++i) {
        feeds.push_back(std::make_unique<SessionFeed>(session, i));
        QObject::connect(feeds.back().get(), &SessionFeed::frameRefused, [name = session.input(i).name()](const QString& m) {
            std::fprintf(stderr, "meter-read: %s: %s\n", local(name).constData(), local(m).constData());
        });
        sources.push_back(makeSessionSource(o.inputs[std::size_t(i)], o, session, *feeds.back()));
    }
    session.start();
    int rc = 0;
    for (const auto& source : sources)
        if (!source->open())
            return 1;

    // The one event loop: the watchdog and the computed channels' clock, the sampling tick,
    // and the end once every input has ended.
    QTimer tick, sampling, watch;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        session.tick();
        alarms.tick();
        if (session.samplingActive() && !sampling.isActive())
            sampling.start(session.intervalMs());
    });
    QObject::connect(&sampling, &QTimer::timeout, [&] { session.sample(); });
    bool done = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        bool allEnded = true;
        for (const auto& s : sources)
            allEnded = allEnded && s->ended();
        done = stopRequested() || allEnded;
    });
    tick.start(100);
    watch.start(50);
    runCoalesced(app, done, output);

    for (const auto& s : sources) {
        rc = s->failed() ? 1 : rc;
        if (!stopRequested())
            s->reportEnd();
    }
    // An input that ended before the first tick still logs its latest reading.
    if (!stopRequested() && session.samplingActive())
        session.sample();
    session.finish();
    alarms.finish();
    printer.finish();
    if (!o.saveFile.isEmpty()) {
        const int saved = saveSession(session, o);
        rc = rc ? rc : saved;
    } else if (!output.failed() || !o.log) {
        session.discardUnsaved();
    } else {
        std::fprintf(stderr, "meter-read: the rows did not all reach standard output; the journals keep them for "
                             "--recover\n");
    }
    // "offline" and what still waits go out within a bounded time.
    if (publisher)
        notice->sayEnding(publisher->stop());
    return output.failed() ? 1 : rc;
}
