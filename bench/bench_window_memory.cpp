// The window's resident memory per logged row at ten million rows: the window is shown
// (offscreen) and settles, then the rows go into the log table and the chart in bursts, the
// grid catching up after each burst as it does while logging, and the window repaints.
// The readings come as frames through the window's serial entry.
//   window-bytes-per-row:       resident growth over the empty window, per row
//   window-data-bytes-per-row:  of which the table's rows and the chart's points themselves
// Arguments: [rows, default 10000000]
#include "app/tfcomm.h"
#include "bench_window.h"
#include "resident_memory.h"
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"
#include "log/log_table.h"
#include "link/serial_frame_assembly.h"
#include "volt_frames.h"
#include "ui/chart_view.h"

#include <QApplication>

#include <algorithm>
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
    const std::size_t dataBefore = w.cds1().memoryBytes() + w.findChild<ChartView*>(QStringLiteral("Chtshow"))->model().values().capacity() * sizeof(double);

    // Readings that change like a live meter's, as frames through the serial entry: decoder,
    // panel, logging, table, chart, journal and the window's row signals.
    const std::vector<QByteArray> frames = voltFrames(1000);
    const long burst = 20000;   // rows between two passes of the event loop
    QByteArray stream;
    for (long i = 0; i < burst; ++i)
        stream += frames[std::size_t(i % 1000)];
    w.RECEIVE_COM_Data("\n", 1);   // a byte in front of the first sign
    for (long sent = 0; sent < rows; sent += burst) {
        const long n = std::min(burst, rows - sent);
        w.RECEIVE_COM_Data(stream.constData(), int(n * frames[0].size()));
        app.processEvents();
    }
    settle(app);
    const double full = residentBytes();
    const std::size_t dataAfter = w.cds1().memoryBytes() + w.findChild<ChartView*>(QStringLiteral("Chtshow"))->model().values().capacity() * sizeof(double);

    std::printf("window-rows: %lld\n", (long long)w.cds1().rowCount());
    std::printf("window-empty-mb: %.1f\n", empty / 1048576.0);
    std::printf("window-bytes-per-row: %.1f\n", (full - empty) / double(rows));
    std::printf("window-data-bytes-per-row: %.1f\n", double(dataAfter - dataBefore) / double(rows));
    return 0;
}
