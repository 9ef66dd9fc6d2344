// Logs ten million readings through the real logging path (log table, logging rules, chart
// pager and chart data; no window) and prints:
//   log-bytes-per-row:  resident memory growth of table plus chart data per row
//   append-cost-ratio:  time per append over the last 100,000 rows / over the first 100,000
//   chart-draw-ratio:   time to draw the visible page with 10,000,000 points / with 1,000
#include "chart_draw_measure.h"
#include "resident_memory.h"
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"
#include "log/log_table.h"
#include "log/record_logger.h"

#include <QApplication>
#include <QDateTime>
#include <chrono>
#include <cstdio>

namespace {

// A reading as the logger is offered it: a row without number or time.
LogRow readingAt(long i)
{
    // Values that change like a live meter: a slow ramp with a little noise, a few units.
    static const char* const units[] = {"V", "mV", "k*", "kHz"};
    static const char* const functions[] = {"DC", "AC", "OHM", "Freq"};
    LogRow r;
    const long count = (i * 7919) % 6000 - 3000;
    r.value = QString::number(count / 1000.0, 'f', 3);
    r.function = QLatin1String(functions[(i / 100000) % 4]);
    r.unit = QLatin1String(units[(i / 100000) % 4]);
    r.rangeMode = QStringLiteral("AUTO");
    r.judge = (count > 2500) ? QStringLiteral("Fail") : QStringLiteral("pass");
    r.readingValue = count / 1000.0;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 10'000'000;
    const long window = 100'000;

    LogTable table;
    TrendChartModel chart;
    TChartControl pager(chart, 100);
    chart.fillSeriesWithPlaceholder();
    RecordLogger logger(table);
    logger.setRecordLimit(RecordLogger::kLimitCount - 1);

    // Prepare the readings first so their cost stays out of both the memory and time figures.
    std::vector<LogRow> samples;
    for (long i = 0; i < 1000; ++i)
        samples.push_back(readingAt(i * 1009));
    const QDateTime now(QDate(2026, 1, 15), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600);

    const double rssBefore = residentBytes();
    using clock = std::chrono::steady_clock;
    double firstSeconds = 0, lastSeconds = 0;
    auto blockStart = clock::now();
    for (long i = 0; i < rows; ++i) {
        if (i == window) {
            firstSeconds = std::chrono::duration<double>(clock::now() - blockStart).count();
        }
        if (i == rows - window)
            blockStart = clock::now();
        if (const std::optional<LogRow> row = logger.readingDecoded(samples[std::size_t(i % 1000)], now))
            pager.AddValue(*row->readingValue);
    }
    lastSeconds = std::chrono::duration<double>(clock::now() - blockStart).count();
    const double rssAfter = residentBytes();

    if (table.rowCount() != rows || long(chart.pointCount()) != rows + 1) {
        std::fprintf(stderr, "logged %lld rows and %zu points, expected %ld\n", (long long)table.rowCount(),
                     chart.pointCount(), rows);
        return 1;
    }
    std::printf("log-bytes-per-row: %.1f\n", (rssAfter - rssBefore) / double(rows));
    std::printf("append-cost-ratio: %.2f\n", lastSeconds / firstSeconds);
    std::fflush(stdout);
    std::printf("chart-draw-ratio: %.2f\n", chart_bench::drawRatio(std::size_t(rows), 1'000, 100, 41));
    return 0;
}
