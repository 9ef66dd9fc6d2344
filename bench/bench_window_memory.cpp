// The window's resident memory per logged row at ten million rows: the window is shown
// (offscreen) and settles, then the rows go into the log table and the chart in bursts, the
// grid catching up after each burst as it does while logging, and the window repaints.
// The readings go through the logger as decoded frames hand them over.
//   window-bytes-per-row:       resident growth over the empty window, per row
//   window-data-bytes-per-row:  of which the table's rows and the chart's points themselves
// Arguments: [rows, default 10000000]
#include "app/tfcomm.h"
#include "bench_window.h"
#include "resident_memory.h"
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "ui/chart_view.h"

#include <QApplication>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void settle(QApplication& app)
{
    for (int i = 0; i < 20; ++i) {
        app.processEvents();
        usleep(5000);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 10'000'000;

    BenchWindow bench;
    TFCOMM& w = *bench.w;
    settle(app);
    const double empty = residentBytes();
    const std::size_t dataBefore = w.cds1().memoryBytes() + w.Chtshow->model().values().capacity() * sizeof(double);

    // Readings that change like a live meter's, one every 100 ms, through the logger as a
    // decoded frame hands them over: table, chart, journal and the window's row events.
    std::vector<LogReading> samples;
    for (long i = 0; i < 1000; ++i) {
        const long count = (i * 7919) % 6000 - 3000;
        LogReading r;
        r.valueText = QString::number(count / 1000.0, 'f', 3);
        r.functionText = QStringLiteral("DC");
        r.unitText = QStringLiteral("V");
        r.rangeModeText = QStringLiteral("AUTO");
        r.judgeText = count > 2500 ? QStringLiteral("Fail") : QStringLiteral("pass");
        r.readingValue = count / 1000.0;
        samples.push_back(r);
    }
    const QDateTime start(QDate(2026, 1, 15), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600);
    const long burst = 20000;   // rows between two passes of the event loop
    for (long i = 0; i < rows; ++i) {
        w.logger().INDataToTable(samples[std::size_t(i % 1000)], start.addMSecs(qint64(i) * 100));
        if ((i + 1) % burst == 0)
            app.processEvents();
    }
    settle(app);
    const double full = residentBytes();
    const std::size_t dataAfter = w.cds1().memoryBytes() + w.Chtshow->model().values().capacity() * sizeof(double);

    std::printf("window-rows: %lld\n", (long long)w.cds1().rowCount());
    std::printf("window-empty-mb: %.1f\n", empty / 1048576.0);
    std::printf("window-bytes-per-row: %.1f\n", (full - empty) / double(rows));
    std::printf("window-data-bytes-per-row: %.1f\n", double(dataAfter - dataBefore) / double(rows));
    return 0;
}
