// Meter frames through the whole window path with ten million rows already logged: the
// window's serial entry (frame assembly), decoder, panel, extremes, judge, logging, chart and
// grid, with the event loop running between batches so the deferred grid and chart updates
// and the repaints of the shown window happen as they do in use.
//
// The frames come as one endless stream cut into batches the way the serial driver hands
// them over from a port that never runs dry: ComPortInBufSize bytes per poll, frames split
// across batches. Prints:
//   pipeline-frames-per-s:      frames handled per second of wall-clock time
//   pipeline-cpu-frames-per-s:  the same per second of this thread's processor time
//   pipeline-ms-per-batch:      wall-clock time of one batch and the event loop after it
//
// Arguments: [prefilled rows, default 10000000] [bytes per batch, default the driver's
// ComPortInBufSize] [seconds, default 5]
#include "app/tfcomm.h"
#include "bench_window.h"
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"
#include "link/comm_port_driver.h"
#include "log/log_grid_model.h"
#include "log/log_table.h"
#include "log/journal/record_journal.h"
#include "log/record_logger.h"
#include "volt_frames.h"
#include "ui/chart_view.h"
#include "ui/log_grid_view.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <time.h>
#include <vector>

namespace {

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Ten million rows straight into the table and the chart data, as a long session leaves them.
void prefill(TFCOMM& w, long rows)
{
    LogRow r;
    r.function = QStringLiteral("DC");
    r.unit = QStringLiteral("V");
    r.judge = QStringLiteral("pass");
    w.findChild<ChartView*>(QStringLiteral("Chtshow"))->model().reservePoints(std::size_t(rows) + 1'000'000);
    for (long i = 0; i < rows; ++i) {
        const int count = int(i % 6000);
        r.no = qint32(i + 1);
        r.time = QStringLiteral("10:15:30");
        r.value = QString::number(count / 1000.0, 'f', 3);
        w.cds1().append(r);
        w.pager().AddValue(count / 1000.0);
    }
    if (auto* grid = qobject_cast<LogGridModel*>(w.findChild<LogGridView*>(QStringLiteral("DBGrid1"))->sourceModel()))
        grid->tableReset();
    w.findChild<LogGridView*>(QStringLiteral("DBGrid1"))->scrollToBottom();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 10'000'000;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 5.0;

    BenchWindow bench;   // the journal on, as in use
    TFCOMM& w = *bench.w;
    CountingPrompts& prompts = bench.prompts;
    prefill(w, rows);
    app.processEvents();

    TCommPortDriver& port = w.COMM2();
    const int batch = argc > 2 ? std::max(1, std::atoi(argv[2])) : int(port.ComPortInBufSize());
    // The line feed in front of the first sign, then the frames over and over; each frame's
    // own line feed leads the next one.
    QByteArray cycle;
    int frameBytes = 0;
    for (const QByteArray& f : voltFrames()) {
        cycle += f;
        frameBytes = int(f.size());
    }
    QByteArray stream = "\n" + cycle;
    const qint64 rowsBefore = w.cds1().rowCount();

    // As the driver hands them on: a batch of bytes per frame, each with its time of arrival.
    ByteArrivals arrivals;
    // With its offset from UTC, as the window's clock gives it: a time in the local-time zone
    // spec would cost a time-zone lookup each time a row is printed or journalled.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime arrivedAt = now.toOffsetFromUtc(now.offsetFromUtc());
    for (int b = 0; b < batch; b += frameBytes)
        arrivals.batches.push_back({std::min(frameBytes, batch - b), arrivedAt});

    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const double cpuStart = threadCpuSeconds();
    long pushed = 0;    // frames whose carriage return went in
    long batches = 0;
    qsizetype at = 0;
    double elapsed = 0;
    while (elapsed < seconds) {
        if (stream.size() - at < batch) {
            stream = stream.mid(at);
            at = 0;
            while (stream.size() < batch)
                stream += cycle;
        }
        const char* bytes = stream.constData() + at;
        pushed += long(std::count(bytes, bytes + batch, '\r'));
        port.OnReceiveData(&port, bytes, batch, arrivals);
        at += batch;
        ++batches;
        app.processEvents();
        elapsed = std::chrono::duration<double>(clock::now() - start).count();
    }
    const double cpu = threadCpuSeconds() - cpuStart;

    const qint64 logged = w.cds1().rowCount() - rowsBefore;
    if (logged != pushed || prompts.shown != 0 || w.badFrames() != 0) {
        std::fprintf(stderr, "pushed %ld frames, logged %lld rows, %lld bad frames, %d boxes\n", pushed,
                     (long long)logged, w.badFrames(), prompts.shown);
        return 1;
    }
    std::printf("pipeline-rows-before: %lld\n", (long long)rowsBefore);
    std::printf("pipeline-bytes-per-batch: %d\n", batch);
    std::printf("pipeline-ms-per-batch: %.2f\n", 1000.0 * elapsed / double(batches));
    std::printf("pipeline-frames-per-s: %.0f\n", double(pushed) / elapsed);
    std::printf("pipeline-cpu-frames-per-s: %.0f\n", double(pushed) / cpu);
    const bool committed = w.journal().flush(10000);
    std::printf("pipeline-journal-rows: %lld (%s)\n", (long long)w.journal().heldRows(),
                committed && w.journal().isOn() ? "committed" : "NOT committed");
    return 0;
}
