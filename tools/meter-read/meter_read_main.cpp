// meter-read: decodes raw meter bytes (or USB input reports) from a file, standard input, a
// serial port or a USB adapter and prints one line per frame, or logs the readings the way the
// window does and prints the rows; saves the log and prints table files.
#include "decode/model_variants.h"
#include "log/files/event_lines.h"
#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/log_time_text.h"
#include "log/log_table.h"
#include "log/record_events.h"
#include "log/record_logger.h"
#include "log/row_statistics.h"
#include "publish/pipeline_publisher.h"
#include "reading/journal_controller.h"
#include "reading/locale_clock.h"
#include "tools/meter-read/alarm_watch.h"
#include "tools/meter-read/event_lines.h"
#include "tools/meter-read/line_output.h"
#include "tools/meter-read/log_settings.h"
#include "tools/meter-read/meter_read_inputs.h"
#include "tools/meter-read/meter_read_options.h"
#include "tools/meter-read/meter_reader.h"
#include "tools/meter-read/session_recover.h"
#include "tools/meter-read/session_run.h"
#include "tools/meter-read/publish_notice.h"
#include "tools/meter-read/row_range.h"
#include "tools/meter-read/stream_format.h"
#include "tools/meter-read/summary_lines.h"
#include "tools/stop_signals.h"
#include "program_version.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

LineOutput output(stdout, stderr);

void printText(const std::string& text)
{
    output.write(text);
}

// A run whose lines did not all reach standard output failed, whatever else went well.
int withOutput(int rc)
{
    return output.failed() ? 1 : rc;
}

// Writes the table as the window's Save does; the outcome's message goes to standard error,
// with the system's reason when the window's text leaves it out.
int saveTable(const LogTable& table, const QString& fileName)
{
    if (table.rowCount() == 0 && QFileInfo::exists(fileName)) {
        std::fprintf(stderr, "meter-read: no rows to save; %s is left as it was\n", fileName.toLocal8Bit().constData());
        return 1;
    }
    const FileOutcome outcome = saveTableFile(table, fileName);
    QString message = outcome.text;
    if (!outcome.ok && !outcome.reason.isEmpty() && !message.endsWith(outcome.reason))
        message += QStringLiteral(": ") + outcome.reason;
    std::fprintf(stderr, "meter-read: %s\n", message.toLocal8Bit().constData());
    return outcome.ok ? 0 : 1;
}

// --summary of a table's rows, loaded or recovered, or of the rows --rows picks of them.
void printSummary(const LogTable& table, const MeterReadOptions& o)
{
    printText(rangeSummaryText(table, o.rows, o.format));
}

int printTableFile(const MeterReadOptions& o)
{
    LogTable table;
    const FileOutcome outcome = LoadTableFile(o.file, table);
    if (!outcome.ok) {
        std::fprintf(stderr, "meter-read: %s: %s (%s)\n", o.file.toLocal8Bit().constData(),
                     outcome.text.toLocal8Bit().constData(), outcome.reason.toLocal8Bit().constData());
        return 1;
    }
    if (o.summary) {
        printSummary(table, o);
        return withOutput(o.saveFile.isEmpty() ? 0 : saveTable(table, o.saveFile));
    }
    std::string out = rowStreamHeader(o.format);
    for (std::int64_t r = 0; r < table.rowCount(); ++r) {
        if (rowInRange(o.rows, table, r))
            out += rowStreamLine(table, r, o.format);
        if (out.size() >= (1 << 20)) {
            printText(out);
            out.clear();
        }
    }
    printText(out);
    return withOutput(o.saveFile.isEmpty() ? 0 : saveTable(table, o.saveFile));
}

// One journal's rows in the table recovered from all of them, and its events.
struct RecoveredSession {
    std::int64_t firstRow;
    RecordEvents events;
};

// The rows, each session's events among them at their rows (--rows: the events at the rows it
// picks).
void printRecovered(const LogTable& table, const std::vector<RecoveredSession>& sessions, const MeterReadOptions& o)
{
    bool anyEvents = false;
    for (const RecoveredSession& s : sessions)
        anyEvents = anyEvents || !s.events.empty();
    printText(anyEvents ? withEventColumn(rowStreamHeader(o.format), true) : rowStreamHeader(o.format));
    std::string out;
    const auto event = [&](const RecordEvent& e) {
        if (!o.rows || o.rows->holds(qint32(e.row)))
            out += eventStreamLine(e, o.format, EventColumns::Rows);
    };
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const std::int64_t first = sessions[i].firstRow;
        const std::int64_t end = i + 1 < sessions.size() ? sessions[i + 1].firstRow : table.rowCount();
        writeRowsWithEvents(
            table, first, end, &sessions[i].events,
            [&](std::int64_t r) {
                if (rowInRange(o.rows, table, r))
                    out += anyEvents ? withEventColumn(rowStreamLine(table, r, o.format))
                                     : rowStreamLine(table, r, o.format);
            },
            event,
            [&] {
                if (out.size() >= (1 << 20)) {
                    printText(out);
                    out.clear();
                }
            });
    }
    printText(out);
}

// The rows of every journal whose session ended without saving, oldest session first, printed
// or (with --save) written to a table file; the journals stay as they are.
int recoverJournals(const MeterReadOptions& o)
{
    if (channelJournalsLeft(defaultJournalFolder()))
        return recoverChannelJournals(o, defaultJournalFolder(), output);
    LogTable table;
    const bool print = o.saveFile.isEmpty() && !o.summary;
    // Printed once every journal was read: the CSV header has an event column when one has events.
    std::vector<RecoveredSession> recovered;
    std::vector<ForeignJournal> leftAlone;
    const int sessions = JournalController::recover(
        defaultJournalFolder(), table,
        [&](const QString& path, const JournalSummary& s, std::int64_t first, const RecordEvents& events) {
            const QByteArray name = path.toLocal8Bit();
            if (s.busy) {
                std::fprintf(stderr, "meter-read: %s: in use by another program; not read\n", name.constData());
                return;
            }
            if (s.rows == 0) {
                std::fprintf(stderr, "meter-read: %s: damaged (%s); no row could be read\n", name.constData(),
                             s.error.toLocal8Bit().constData());
                return;
            }
            std::fprintf(stderr, "meter-read: %s: %lld rows logged from %s to %s%s\n", name.constData(),
                         static_cast<long long>(s.rows), dateTimeText(s.firstLoggedAt).toLocal8Bit().constData(),
                         dateTimeText(s.lastLoggedAt).toLocal8Bit().constData(),
                         s.damaged ? qPrintable(QStringLiteral(" (damaged: %1; these are the rows that could be read)")
                                                    .arg(s.error))
                                   : "");
            recovered.push_back({first, events});
        },
        &leftAlone);
    if (print)
        printRecovered(table, recovered, o);
    for (const ForeignJournal& f : leftAlone)
        std::fprintf(stderr, "meter-read: %s: %s; not read\n", f.path.toLocal8Bit().constData(),
                     f.reason.toLocal8Bit().constData());
    if (sessions == 0) {
        std::fprintf(stderr, "meter-read: no session left unsaved rows in %s\n",
                     defaultJournalFolder().toLocal8Bit().constData());
        return 0;
    }
    if (o.summary)
        printSummary(table, o);
    return withOutput(o.saveFile.isEmpty() ? 0 : saveTable(table, o.saveFile));
}

int readInput(const MeterReadOptions& o, const ReadLoop& loop)
{
    switch (o.source) {
    case MeterReadOptions::Source::File: return readByteStream(o.file, loop);
    case MeterReadOptions::Source::StandardInput: return readByteStream(QStringLiteral("-"), loop);
    case MeterReadOptions::Source::Port: return readSerialPort(o, loop);
    case MeterReadOptions::Source::UsbReports: return readUsbReportLines(o.file, loop);
    case MeterReadOptions::Source::Hid: return readHidAdapter(o.port, quint32(o.baud), loop);
    case MeterReadOptions::Source::Table:
    case MeterReadOptions::Source::Recover: break;
    }
    return 2;
}

// What an input that ended (a file, a pipe) left undecoded, said on standard error: the
// printed lines alone would not tell an empty input from a misunderstood one.
void reportInputEnd(const MeterReadOptions& o, const MeterReader& reader)
{
    using Source = MeterReadOptions::Source;
    if (o.source != Source::File && o.source != Source::StandardInput && o.source != Source::UsbReports)
        return;
    if (o.source == Source::UsbReports && reader.pendingUsbBytes() > 0)
        std::fprintf(stderr,
                     "meter-read: the input ended inside a frame: %d serial bytes that no report without serial "
                     "bytes (00 F0) ended; they were not decoded\n",
                     reader.pendingUsbBytes());
    if (reader.decodedFrames() > 0 || reader.refusedFrames() > 0)
        return;
    if (o.source == Source::UsbReports)
        std::fprintf(stderr, "meter-read: the input ended without a decoded frame\n");
    else
        std::fprintf(stderr, "meter-read: the input ended without a decoded frame; the first frame of an input is "
                             "never decoded, only the frames after it\n");
}

// The logging settings the options give; the defaults when nothing is logged.
LogSettings logSettingsOf(const MeterReadOptions& options)
{
    LogSettings settings;
    if (options.logs()) {
        settings.high = options.high;
        settings.low = options.low;
        settings.repeat = options.repeat;
        settings.limit = options.limit;
        settings.intervalSeconds = options.intervalSeconds;
    }
    return settings;
}

// Lines, rows and the summary's figures as the readings come: reading lines unless the rows or
// the summary are printed; refusals always.
void printAsItComes(const MeterReadOptions& options, MeterReader& reader, ReadingPrinter& printing,
                    RowStatistics& statistics, const SystemLocaleClock& clock)
{
    const bool lines = !options.summary;
    // With events among them, CSV lines have an "event" column.
    const bool eventColumn = options.watchesEvents() && options.format == StreamFormat::Csv;
    if (lines) {
        const std::string header = options.log ? rowStreamHeader(options.format) : readingStreamHeader(options.format);
        printText(eventColumn ? withEventColumn(header, true) : header);
    }
    if (eventColumn)
        printing.addEventColumn();
    QObject::connect(&reader.pipeline(), &ReadingPipeline::frameShown, [&printing](const Reading& r) { printing.print(r); });
    // The summary's figures: of the logged rows, or of every reading as it was decoded. Those
    // of the rows --rows picks are found from the table once the input ended.
    if (options.summary && options.log) {
        if (!options.rows)
            QObject::connect(&reader.pipeline(), &ReadingPipeline::rowLogged,
                             [&statistics](const LogRow& row) { statistics.add(row); });
    } else if (options.summary) {
        QObject::connect(&reader.pipeline(), &ReadingPipeline::frameShown, [&statistics, &clock](const Reading& r) {
            LogRow row = offeredRow(r);
            row.loggedAt = r.arrivedAt.isValid() ? r.arrivedAt : clock.now();
            statistics.add(row);
        });
    }
    QObject::connect(&reader, &MeterReader::frameRefused, [](const QString& message) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        std::fflush(stderr);
    });
    if (options.log && lines)
        QObject::connect(&reader.pipeline(), &ReadingPipeline::rowLogged, [&reader, &options, eventColumn] {
            const std::int64_t row = reader.table().rowCount() - 1;
            if (rowInRange(options.rows, reader.table(), row)) {
                const std::string line = rowStreamLine(reader.table(), row, options.format);
                printText(eventColumn ? withEventColumn(line) : line);
            }
        });
}

// The summary, the save and the journal once the input ended: the rows are in the file, or
// were printed as they came; else the journal keeps them.
int finish(const MeterReadOptions& options, MeterReader& reader, const RowStatistics& statistics, int rc)
{
    if (options.summary && options.rows)
        printText(rangeSummaryText(reader.table(), options.rows, options.format));
    else if (options.summary)
        printText(summaryText(statistics, options.format));
    bool kept = !output.failed() || !options.log;
    if (!options.saveFile.isEmpty()) {
        const int saved = saveTable(reader.table(), options.saveFile);
        kept = saved == 0;
        rc = rc ? rc : saved;
    }
    if (kept)
        reader.pipeline().discardUnsaved();
    else if (output.failed())
        std::fprintf(stderr, "meter-read: the rows did not all reach standard output; the journal keeps them for "
                             "--recover\n");
    return withOutput(rc);
}

// Readings (with --log, rows) to a broker, when --mqtt asks for it; what becomes of the
// connection said on standard error.
struct Publishing {
    std::unique_ptr<PipelinePublisher> publisher;
    std::unique_ptr<PublishNotice> notice;

    Publishing(const MeterReadOptions& o, ReadingPipeline& pipeline, const LocaleClock& clock)
    {
        if (!o.mqtt.on)
            return;
        const auto source = o.logs() ? PipelinePublisher::Source::Rows : PipelinePublisher::Source::Readings;
        publisher = std::make_unique<PipelinePublisher>(pipeline, source, o.mqtt.settings, clock);
        notice = std::make_unique<PublishNotice>(*publisher, stderr);
    }
    // "offline" and what still waits go out within a bounded time.
    void end()
    {
        if (publisher)
            notice->sayEnding(publisher->stop());
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    MeterReadOptions options;
    int exitCode = 0;
    if (!parseCommandLine("meter-read", METER_VERSION, app.arguments().mid(1), parseMeterReadOptions, meterReadUsage(),
                          &options, &exitCode))
        return exitCode;
    if (options.source == MeterReadOptions::Source::Table)
        return printTableFile(options);
    if (options.source == MeterReadOptions::Source::Recover)
        return recoverJournals(options);
    if (!options.inputs.empty()) {
        catchStopSignals();
        const bool saving = !options.saveFile.isEmpty();
        return runSession(app, options, output, [saving] { return stopRequested() || (output.readerGone() && !saving); });
    }

    const SystemLocaleClock clock(options.decimalSeparator);
    MeterReader reader(logSettingsOf(options), startupVariant(ModelFlags::layout()).fullScaleCount, clock);
    ReadingPipeline& pipeline = reader.pipeline();
    ReadingPrinter printing(options.log || options.summary ? nullptr : &output, options.format, clock);
    RowStatistics statistics;
    printAsItComes(options, reader, printing, statistics, clock);
    Publishing publishing(options, pipeline, clock);

    // Alarms and notes: every reading offered to the rules, the watchdog's tick for stale ones.
    AlarmWatch alarms(options, output, options.log ? EventColumns::Rows : EventColumns::Readings, clock);
    QTimer alarmTick;
    if (options.watchesEvents()) {
        if (!alarms.start())
            return 2;
        // Events are marked at a row only when rows are logged; reading lines have no number.
        const auto lastRow = [&reader, numbered = options.logs()] { return numbered ? lastRowNo(reader.table()) : 0; };
        alarms.setNoteRow(lastRow);
        QObject::connect(&pipeline, &ReadingPipeline::frameShown, [&, lastRow](const Reading& r) {
            alarms.offer(QStringLiteral("meter"), alarmSampleOf(r, lastRow(), clock.now().toMSecsSinceEpoch()));
        });
        QObject::connect(&alarmTick, &QTimer::timeout, [&alarms] { alarms.tick(); });
        alarmTick.start(100);
    }

    // A killed logger's rows stay in the journal for --recover.
    JournalController journal(pipeline, defaultJournalFolder(), QStringLiteral("meter-read"));
    if (options.logs()) {
        journal.open();
        QObject::connect(pipeline.journal(), &RecordJournal::stateChanged, [](bool on, const QString& reason) {
            if (on)
                std::fprintf(stderr, "meter-read: the safety copy of the log is kept again\n");
            else
                std::fprintf(stderr, "meter-read: safety copy of the log is off: %s; logging goes on\n",
                             reason.toLocal8Bit().constData());
        });
    }

    // Timer3 of the window: runs from the first reading on, when sampling.
    QTimer timer3;
    long long decodedAtTick = 0;
    QObject::connect(&timer3, &QTimer::timeout, &app, [&] {
        reader.sample();
        decodedAtTick = reader.decodedFrames();
    });
    auto afterInput = [&] {
        if (reader.samplingActive() && !timer3.isActive())
            timer3.start(reader.intervalMs());
    };

    catchStopSignals();
    // Without a file to save to, a reader of the lines that went away leaves nothing to do; an
    // output that failed otherwise (a full disk) does not stop the log and its journal.
    const bool saving = !options.saveFile.isEmpty();
    const ReadLoop loop{app, reader, [&] { return stopRequested() || (output.readerGone() && !saving); },
                        afterInput};
    int rc = 1;
    try {
        rc = readInput(options, loop);
    } catch (const std::exception& e) {
        // Not a refused frame (those are counted and reported): the run ends, the log is still saved.
        std::fprintf(stderr, "meter-read: %s\n", e.what());
    }
    if (rc == 0 && !stopRequested())
        reportInputEnd(options, reader);
    // Input that ended (a file, a pipe) may end before the first tick: the latest reading
    // not yet sampled is sampled now, so the log holds it.
    if (!stopRequested() && reader.samplingActive() && reader.decodedFrames() != decodedAtTick)
        reader.sample();
    alarms.finish();
    rc = finish(options, reader, statistics, rc);
    publishing.end();
    return rc;
}
