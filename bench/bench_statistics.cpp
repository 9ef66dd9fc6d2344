// Counts the statistics of a table of a million rows, as the window and meter-read --summary
// do after a load, once with all rows in one group and once spread over 20,000 groups (a
// function text of their own each, the groups taking turns row by row), and prints:
//   statistics-seconds-1-group:       time to count the rows in one group
//   statistics-seconds-20000-groups:  time to count the same number of rows in 20,000 groups
//   statistics-groups-cost-ratio:     the second over the first
// Times are the processor time of the counting thread, the best of five runs.
#include "log/log_table.h"
#include "log/row_statistics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Processor time of this thread: a machine busy with other work slows the wall clock, not this.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void fill(LogTable& table, long rows, long groups)
{
    const QDateTime start(QDate(2026, 1, 15), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600);
    for (long i = 0; i < rows; ++i) {
        LogRow r;
        r.no = qint32(i + 1);
        r.time = QStringLiteral("10:15:30");
        r.function = groups == 1 ? QStringLiteral("DC") : QStringLiteral("F%1").arg(i % groups);
        r.value = QString::number(((i * 7919) % 6000 - 3000) / 1000.0, 'f', 3);
        r.unit = QStringLiteral("V");
        r.judge = QStringLiteral("pass");
        r.loggedAt = start.addMSecs(i * 10);
        table.append(r);
    }
}

// Counts the rows of `table`; the seconds it took.
double countSeconds(const LogTable& table, long groups)
{
    const double start = cpuSeconds();
    RowStatistics statistics;
    statistics.addTableRows(table, 0, table.rowCount());
    const double seconds = cpuSeconds() - start;
    if (long(statistics.groups().size()) != groups || statistics.rows() != table.rowCount()) {
        std::fprintf(stderr, "counted %zu groups of %lld rows, expected %ld\n", statistics.groups().size(),
                     (long long)statistics.rows(), groups);
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const long manyGroups = 20'000;
    LogTable oneGroup, manyGroupTable;
    fill(oneGroup, rows, 1);
    fill(manyGroupTable, rows, manyGroups);
    // The two in turn, the best of five each: a busy machine slows single runs, not all five.
    double one = 1e300, many = 1e300;
    for (int run = 0; run < 5; ++run) {
        one = std::min(one, countSeconds(oneGroup, 1));
        many = std::min(many, countSeconds(manyGroupTable, manyGroups));
    }
    std::printf("statistics-seconds-1-group: %.3f\n", one);
    std::printf("statistics-seconds-%ld-groups: %.3f\n", manyGroups, many);
    std::printf("statistics-groups-cost-ratio: %.2f\n", many / one);
    return 0;
}
