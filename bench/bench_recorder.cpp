// The recorder's summary of a long run, without drawing, and prints:
//   recorder-range-ms:        figures of a range of 5,000,000 rows in a 10,000,000-row log (median)
//   recorder-bytes-per-row:   memory the summary holds per summarised row
//   recorder-append-ratio:    time to log a row and summarise it at 10,000,000 rows over that at 10
//   recorder-build-s:         summarising a loaded 10,000,000-row table, in slices as the window does
// and, drawn offscreen at 1,200 pixels across (95th percentile of 300 redraws):
//   recorder-whole-p95-ms:    the whole run at 10,000,000 rows
//   recorder-zoom-p95-ms:     views of 1,000 records spread over the run
//   recorder-growth-ratio:    the whole run at 10,000,000 rows over the same at 10,000
// Times are the processor time of this thread. An argument sets the number of rows.
#include "recorder_draw_measure.h"
#include "recorder_run.h"

#include "log/run_summary.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Seconds per row to log `rows` more rows into `table` and summarise each as it comes.
double appendSeconds(LogTable& table, RunSummary& summary, std::int64_t rows)
{
    LogTable source;
    recorder_bench::appendRun(source, rows, true);
    std::vector<LogRow> prepared;
    for (std::int64_t i = 0; i < rows; ++i)
        prepared.push_back(source.row(i));
    const double start = cpuSeconds();
    for (const LogRow& r : prepared) {
        table.append(r);
        summary.rowsAppended();
    }
    return (cpuSeconds() - start) / double(rows);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}   // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : recorder_bench::kRunRows;
    const std::int64_t appended = 100'000;

    LogTable small;
    recorder_bench::appendRun(small, 10, true);
    RunSummary smallSummary(small);
    smallSummary.catchUp(10);
    const double appendAtTen = appendSeconds(small, smallSummary, appended);

    LogTable table;
    recorder_bench::appendRun(table, rows, false);
    RunSummary summary(table);
    const double buildStart = cpuSeconds();
    while (!summary.catchUp(200'000)) {
    }
    const double buildSeconds = cpuSeconds() - buildStart;
    const double bytesPerRow = double(summary.memoryBytes()) / double(rows);

    std::vector<double> rangeMs;
    for (int k = 0; k < 21; ++k) {
        const std::int64_t first = (rows / 2) * k / 21 + k * 7;
        const double start = cpuSeconds();
        const RowStatistics s = summary.figures(first, first + rows / 2);
        rangeMs.push_back((cpuSeconds() - start) * 1e3);
        if (s.rows() != rows / 2) {
            std::fprintf(stderr, "a range of %lld rows counted %lld\n", (long long)(rows / 2), (long long)s.rows());
            return 1;
        }
    }
    const double appendAtRun = appendSeconds(table, summary, appended);
    constexpr int kRedraws = 300;
    const double wholeMs = recorder_bench::redrawP95Ms(summary, table, 0, kRedraws);
    const double zoomMs = recorder_bench::redrawP95Ms(summary, table, 1000, kRedraws);
    LogTable shortRun;
    recorder_bench::appendRun(shortRun, 10'000, false, 5'000);
    RunSummary shortSummary(shortRun);
    while (!shortSummary.catchUp(200'000)) {
    }
    const double shortWholeMs = recorder_bench::redrawP95Ms(shortSummary, shortRun, 0, kRedraws);

    std::printf("recorder-range-ms: %.3f\n", median(rangeMs));
    std::printf("recorder-bytes-per-row: %.2f\n", bytesPerRow);
    std::printf("recorder-append-ratio: %.2f\n", appendAtRun / appendAtTen);
    std::printf("recorder-build-s: %.2f\n", buildSeconds);
    std::printf("recorder-whole-p95-ms: %.2f\n", wholeMs);
    std::printf("recorder-zoom-p95-ms: %.2f\n", zoomMs);
    std::printf("recorder-growth-ratio: %.2f\n", wholeMs / shortWholeMs);
    return 0;
}
