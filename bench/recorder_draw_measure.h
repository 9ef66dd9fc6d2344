#pragma once
// The recorder's drawing cost: the view's points found in the summary, handed to the plot and
// drawn (a full replot into a pixmap), offscreen at 1,200 pixels across. 95th percentile in
// milliseconds of this thread's processor time (a shared machine's other work left out).
#include "log/log_table.h"
#include "log/run_summary.h"
#include "ui/recorder_plot.h"

#include <QPixmap>

#include <algorithm>
#include <ctime>
#include <vector>

namespace recorder_bench {

constexpr int kViewWidth = 1200;
constexpr int kViewHeight = 500;

inline double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

inline double percentile95(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * 95 / 100)];
}

// `redraws` views of `span` records each (0: the whole run), spread over the run.
inline double redrawP95Ms(const RunSummary& summary, const LogTable& table, std::int64_t span, int redraws)
{
    RecorderPlot plot(summary, table);
    plot.resize(kViewWidth, kViewHeight);
    plot.setFollowing(false);
    plot.showWholeRun();
    const std::int64_t rows = summary.summarisedRows();
    std::vector<double> ms;
    QPixmap pixmap(kViewWidth, kViewHeight);
    for (int i = 0; i < redraws; ++i) {
        const double start = threadMs();
        if (span > 0) {
            const double from = 1 + double((rows - span) / redraws) * i;
            plot.zoomTo(from, from + double(span));
        } else {
            plot.showWholeRun();
        }
        QCPPainter painter(&pixmap);
        plot.toPainter(&painter, kViewWidth, kViewHeight);
        painter.end();
        ms.push_back(threadMs() - start);
    }
    return percentile95(ms);
}

}   // namespace recorder_bench
