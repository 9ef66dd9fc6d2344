#pragma once
// A long run for the recorder's benchmarks: a slow drift with noise, a lone spike, an overload
// now and then, a change of unit, rows a second apart. Loaded rows carry only their Time text,
// as a table read back from a file; logged rows carry their stamp too.
#include "log/log_table.h"

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace recorder_bench {

constexpr std::int64_t kRunRows = 10'000'000;

inline QDateTime runStart() { return QDateTime(QDate(2026, 1, 15), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600); }

// Row i's reading in thousandths (clamped to the drift's range); empty text for the spike
// and the overloads, which runValue() gives.
inline std::int64_t runCount(std::int64_t i)
{
    const std::int64_t drift = (i / 1000) % 4000 - 2000;
    const std::int64_t noise = (i * 7919) % 201 - 100;
    return std::max<std::int64_t>(-2000, std::min<std::int64_t>(1999, drift + noise));
}

// Appends `rows` rows numbered on from the table's count. Texts are made once for a thousand
// rows and reused, so filling ten million rows takes seconds.
inline void appendRun(LogTable& table, std::int64_t rows, bool logged, std::int64_t spikeAt = kRunRows / 3)
{
    const QDateTime start = runStart();
    std::vector<QString> times;
    for (int s = 0; s < 86400; s += 1)
        times.push_back(start.time().addSecs(s).toString(QStringLiteral("hh:mm:ss")));
    std::vector<QString> values;
    for (int k = 0; k < 4000; ++k)
        values.push_back(QString::number(double(k - 2000) / 1000.0, 'f', 3));
    LogRow r;
    r.function = QStringLiteral("DC");
    r.judge = QStringLiteral("pass");
    const std::int64_t first = table.rowCount();
    for (std::int64_t i = first; i < first + rows; ++i) {
        r.no = qint32(i + 1);
        r.time = times[std::size_t(i % 86400)];
        r.unit = (i / 2'000'000) % 5 == 4 ? QStringLiteral("mV") : QStringLiteral("V");
        if (i == spikeAt)
            r.value = QStringLiteral("5.999");
        else if (i % 100'003 == 99'999)
            r.value = QStringLiteral("0.L");
        else
            r.value = values[std::size_t(runCount(i) + 2000)];
        if (logged)
            r.loggedAt = start.addMSecs(i * 1000);
        table.append(r);
    }
}

}   // namespace recorder_bench
