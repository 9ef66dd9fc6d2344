// The whole window, offscreen, connected to the virtual meter over a pseudo-terminal at a
// thousand frames a second for five minutes. Every frame after the first (which has no frame
// end in front of it) must be decoded and logged, and memory may grow only by the rows and
// chart points. Built with the address and undefined-behaviour sanitizers, so the sanitizers
// and the leak check at exit watch the whole run.
#include "reading/locale_clock.h"
#include "app/scripted_prompts.h"
#include "app/tfcomm.h"
#include "doubles/window_part.h"
#include "ui/top_bar.h"
#include "chart/trend_chart_model.h"
#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "tools/meter-sim/meter_scenario.h"
#include "tools/meter-sim/virtual_port.h"
#include "ui/chart_view.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>
#include <unistd.h>

namespace {

long long residentBytes()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<long long>(resident) * sysconf(_SC_PAGESIZE);
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

// Paces frames with absolute deadlines so the rate holds over the whole run.
void sendFrames(VirtualPort& port, int count, int rate, std::atomic<int>& sent, std::atomic<bool>& failed)
{
    const std::vector<ScenarioFrame> frames = defaultScenario();
    const long long period = 1000000000LL / rate;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int i = 0; i < count; ++i) {
        if (!port.sendAll(frames[size_t(i) % frames.size()].bytes, 10000)) {
            failed = true;   // the window stopped reading for ten seconds
            return;
        }
        sent.store(i + 1);
        next.tv_nsec += long(period);
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}

struct Footprint {
    long long rss = 0;
    long long data = 0;   // table rows plus chart points
};

Footprint footprint(TFCOMM& w)
{
    const TrendChartModel& chart = part<ChartView>(w, "Chtshow")->model();
    return {residentBytes(), static_cast<long long>(w.cds1().memoryBytes() + chart.values().capacity() * sizeof(double))};
}

} // namespace

TEST(WindowSoak, EveryFrameAtAThousandASecondIsLoggedAndMemoryGrowsOnlyByTheData)
{
    const int frames = envInt("METER_SOAK_FRAMES", 300000);
    const int rate = envInt("METER_SOAK_RATE", 1000);

    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    VirtualPort port;
    port.open();
    port.publish(meterRuntimeDir(), 1);

    ScriptedPrompts prompts;
    SystemLocaleClock clock;
    TFCOMM::Services services;
    services.prompts = &prompts;
    services.clock = &clock;
    TFCOMM w(services);
    w.show();
    w.setRecordLimit(RecordLogger::kLimitCount - 1);   // "limitless"
    ASSERT_EQ(w.logger().maxRecords(), 10000000);
    ASSERT_TRUE(w.logger().repeatSet()) << "Repeat is on: equal readings are logged too";

    const auto pointsAtStart = static_cast<long long>(part<ChartView>(w, "Chtshow")->model().pointCount());   // the placeholder
    part<TopBar>(w, "Panel5")->COMCon->click();
    ASSERT_TRUE(w.COMM2().IsOpen()) << prompts.shown.join(QStringLiteral("; ")).toStdString();

    std::atomic<int> sent{0};
    std::atomic<bool> sendFailed{false};
    const auto started = std::chrono::steady_clock::now();
    std::thread meter(sendFrames, std::ref(port), frames, rate, std::ref(sent), std::ref(sendFailed));

    // The baseline is taken once the window has settled into logging; growth after it must be data.
    const qint32 baselineRows = std::min(frames / 10, 30000);
    Footprint before;
    const long long deadlineMs = 1000LL * frames / rate + 120000;
    QDeadlineTimer deadline(deadlineMs);
    int worstLag = 0;
    while (!deadline.hasExpired()) {
        QTest::qWait(20);
        const int logged = w.logger().loggedCount();
        worstLag = std::max(worstLag, sent.load() - 1 - logged);
        if (before.rss == 0 && logged >= baselineRows)
            before = footprint(w);
        if ((sent.load() == frames || sendFailed) && logged >= sent.load() - 1)
            break;
    }
    meter.join();
    QCoreApplication::processEvents();   // every frame sent is logged: only the last paints are left
    const Footprint after = footprint(w);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    EXPECT_FALSE(sendFailed) << "the window stopped reading the port";
    EXPECT_EQ(sent.load(), frames);
    EXPECT_EQ(w.badFrames(), 0);
    EXPECT_EQ(w.logger().loggedCount(), sent.load() - 1) << "every frame after the first is logged";
    EXPECT_EQ(w.cds1().rowCount(), sent.load() - 1);
    EXPECT_EQ(static_cast<long long>(part<ChartView>(w, "Chtshow")->model().pointCount()), pointsAtStart + sent.load() - 1);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.join(QStringLiteral("; ")).toStdString();

    // Growth beyond the data: allocator slack and the address sanitizer's quarantine of freed
    // blocks (16 MB, set in the test's environment), not something kept per frame; and the
    // journal's writer: SQLite's page cache and the rows waiting for their batch, whose freed
    // blocks the allocator keeps once a slow disk has let a batch grow.
    const long long rssGrowth = after.rss - before.rss;
    const long long dataGrowth = after.data - before.data;
    const long long slack = 48LL << 20;
    std::printf("soak: %d frames at %d/s in %.1f s, %d logged, worst lag %d frames; "
                "resident growth %.1f MB for %.1f MB of rows and points (resident %.1f MB at the end)\n",
                sent.load(), rate, seconds, w.logger().loggedCount(), worstLag, rssGrowth / 1048576.0,
                dataGrowth / 1048576.0, after.rss / 1048576.0);
    ASSERT_GT(before.rss, 0);
    EXPECT_LE(rssGrowth, dataGrowth + dataGrowth / 4 + slack);

    part<TopBar>(w, "Panel5")->COMCon->click();
    EXPECT_FALSE(w.COMM2().IsOpen());
    port.unpublish();
    qunsetenv("XDG_RUNTIME_DIR");
}
