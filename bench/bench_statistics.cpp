// Counts the statistics of a table of a million rows, as the window and meter-read --summary
// do after a load, once with all rows in one group and once spread over 20,000 groups (a
// function text of their own each, the groups taking turns row by row), and prints:
//   statistics-seconds-1-group:       time to count the rows in one group
//   statistics-seconds-20000-groups:  time to count the same number of rows in 20,000 groups
//   statistics-groups-cost-ratio:     the second over the first
#include "log/log_table.h"
#include "log/row_statistics.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

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

// The best of three counts, in seconds.
double countSeconds(const LogTable& table, long groups)
{
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        RowStatistics statistics;
        statistics.addTableRows(table, 0, table.rowCount());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (long(statistics.groups().size()) != groups || statistics.rows() != table.rowCount()) {
            std::fprintf(stderr, "counted %zu groups of %lld rows, expected %ld\n", statistics.groups().size(),
                         (long long)statistics.rows(), groups);
            std::exit(1);
        }
        best = std::min(best, seconds);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const long manyGroups = 20'000;
    LogTable oneGroup, manyGroupTable;
    fill(oneGroup, rows, 1);
    fill(manyGroupTable, rows, manyGroups);
    const double one = countSeconds(oneGroup, 1);
    const double many = countSeconds(manyGroupTable, manyGroups);
    std::printf("statistics-seconds-1-group: %.3f\n", one);
    std::printf("statistics-seconds-%ld-groups: %.3f\n", manyGroups, many);
    std::printf("statistics-groups-cost-ratio: %.2f\n", many / one);
    return 0;
}
