// Table files at full scale: ten million logged rows saved and loaded as text and as XML.
// Prints the time of each step and the largest resident memory any step needed beyond the
// tables themselves.
#include "log/log_table.h"
#include "log/files/table_text_file.h"
#include "log/files/table_xml_packet.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

constexpr std::int64_t kRows = 10000000;

std::int64_t residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return 0;
}

// Samples the resident size while a step runs and keeps the largest value.
class PeakSampler {
public:
    PeakSampler() : peak_(residentBytes()), thread_([this] {
        while (!stop_) {
            const std::int64_t now = residentBytes();
            if (now > peak_)
                peak_ = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }) {}
    std::int64_t finish()
    {
        stop_ = true;
        thread_.join();
        const std::int64_t now = residentBytes();
        return now > peak_ ? now : peak_.load();
    }

private:
    std::atomic<std::int64_t> peak_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Step {
    double seconds;      // wall clock
    double cpuSeconds;   // this thread's processor time: the figure to trust on a busy machine
    double extraMb;
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs one step; tableBytes is what a table made by the step occupies, not counted as extra.
template <typename Fn>
Step measure(Fn&& fn)
{
    malloc_trim(0);
    const std::int64_t before = residentBytes();
    PeakSampler sampler;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuSeconds();
    const std::size_t tableBytes = fn();
    const double cpu = threadCpuSeconds() - cpuStart;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::int64_t peak = sampler.finish();
    return {seconds, cpu, double(peak - before - std::int64_t(tableBytes)) / (1024.0 * 1024.0)};
}

void fill(LogTable& table)
{
    static const char* const functions[] = {"DC", "AC"};
    static const char* const judges[] = {"pass", "Fail"};
    char time[16];
    for (std::int64_t i = 0; i < kRows; ++i) {
        const int s = int(i % 86400);
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        LogRow r;
        r.no = qint32(i + 1);
        r.time = QString::fromLatin1(time);
        r.function = QString::fromLatin1(functions[(i / 1000) % 2]);
        r.value = QString::number(double(i % 40000) / 1000.0 - 20.0, 'f', 3);
        r.unit = QStringLiteral("V");
        r.judge = QString::fromLatin1(judges[i % 7 == 0]);
        table.append(r);
    }
}

}   // namespace

int main()
{
    LogTable table;
    const std::int64_t emptyRss = residentBytes();
    fill(table);
    malloc_trim(0);
    // The table's own account of its size against what filling it cost in resident memory:
    // the extra figures below take the account of each loaded table off their peak.
    std::printf("table-mb: %.1f\n", double(table.memoryBytes()) / (1024.0 * 1024.0));
    std::printf("table-rss-mb: %.1f\n", double(residentBytes() - emptyRss) / (1024.0 * 1024.0));
    const QString dir = QDir::tempPath();
    const QString tsv = dir + QStringLiteral("/bench_files_%1.xls").arg(::getpid());
    const QString xml = dir + QStringLiteral("/bench_files_%1.xml").arg(::getpid());
    bool ok = true;

    const Step tsvSave = measure([&] { ok = SaveTableAsText(table, tsv) && ok; return std::size_t(0); });
    const Step tsvLoad = measure([&] {
        LogTable loaded;
        ok = loadTableText(tsv, loaded) && loaded.rowCount() == kRows && ok;
        return loaded.memoryBytes();
    });
    const Step xmlSave = measure([&] { ok = saveTableXml(table, xml) && ok; return std::size_t(0); });
    const Step xmlLoad = measure([&] {
        LogTable loaded;
        ok = loadTableXml(xml, loaded) && loaded.rowCount() == kRows && ok;
        return loaded.memoryBytes();
    });
    QFile::remove(tsv);
    QFile::remove(xml);

    double peak = 0;
    for (const Step& s : {tsvSave, tsvLoad, xmlSave, xmlLoad})
        peak = s.extraMb > peak ? s.extraMb : peak;
    std::printf("rows: %lld\n", static_cast<long long>(kRows));
    std::printf("tsv-save-s: %.2f\n", tsvSave.seconds);
    std::printf("tsv-load-s: %.2f\n", tsvLoad.seconds);
    std::printf("xml-save-s: %.2f\n", xmlSave.seconds);
    std::printf("xml-load-s: %.2f\n", xmlLoad.seconds);
    std::printf("tsv-save-cpu-s: %.2f\n", tsvSave.cpuSeconds);
    std::printf("tsv-load-cpu-s: %.2f\n", tsvLoad.cpuSeconds);
    std::printf("xml-save-cpu-s: %.2f\n", xmlSave.cpuSeconds);
    std::printf("xml-load-cpu-s: %.2f\n", xmlLoad.cpuSeconds);
    std::printf("file-peak-extra-mb: %.1f\n", peak);
    if (!ok) {
        std::printf("error: a step failed\n");
        return 1;
    }
    return 0;
}
