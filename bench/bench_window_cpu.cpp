// The window on the bench as a meter really drives it: shown (offscreen), connected to a
// virtual meter on a pseudo-terminal published as COM1, logging every reading with the chart
// following, its journal on. The meter sends at a given rate for a fixed time; the figure is
// the processor time of the whole process (every thread) over the wall-clock time.
//   window-cpu-percent-at-17:  17 frames a second, each display state sent 8 times, as a
//                              meter on a 2,400-baud line does
//   window-cpu-percent-at-2:   2 frames a second, each a new display state
//   window-cpu-percent-waiting-for-lost-port:  the meter's pseudo-terminal gone, the window
//                              looking for it to return about once a second
//   window-cpu-percent-at-17-recorder-following:  17 frames a second again, with the Recorder
//                              window open and following the newest rows
//   window-resumed-after-ms:   from the meter's return under the same name to the first row
//                              the window logs after it
// With --paints, standard error shows the paint events a second each widget got during each
// figure (the counting itself costs time: those figures are not for comparing). With
// --statistics the statistics window is open throughout, as the user opens it.
// With --meters only one figure is measured, with the Meters window open:
//   window-cpu-percent-4-meters-2-channels:  the main meter on COM1 and three more on COM2 to
//                              COM4, each at 17 frames a second (8 of each state), every
//                              reading logged, with p = m1*m2 and e = integral(p) worked out
// With --alarms ten alarm rules watch the window's meter throughout (a few of them raise and
// clear as the virtual meter's display changes).
// Offscreen unless QT_QPA_PLATFORM says otherwise (QT_QPA_PLATFORM=xcb: under X).
// Arguments: [seconds per figure, default 30] [--paints] [--statistics] [--meters] [--alarms]
#include "app/alarm_side.h"
#include "app/meters_controller.h"
#include "app/tfcomm.h"
#include "bench_window.h"
#include "link/com_port_resolver.h"
#include "link/comm_port_driver.h"
#include "link/port_keeper.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "tools/meter-sim/meter_scenario.h"
#include "tools/meter-sim/virtual_port.h"
#include "ui/record_panel.h"
#include "reading/session/meter_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>
#include <sys/resource.h>
#include <time.h>

namespace {

// Counts the paint events each widget gets and the pixels they cover: where the time goes.
class PaintCounter : public QObject {
public:
    struct Tally {
        long paints = 0;
        long long pixels = 0;
    };
    std::map<QString, Tally> tallies;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const QString name = watched->objectName().isEmpty() ? QString::fromLatin1(watched->metaObject()->className())
                                                                 : watched->objectName();
            Tally& t = tallies[name];
            ++t.paints;
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
                t.pixels += (long long)r.width() * r.height();
        }
        return false;
    }
};

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The virtual meter's loop at `rate` frames a second, each display state `hold` times, until
// told to stop. Absolute deadlines keep the rate over the whole run.
void sendFrames(VirtualPort& port, double rate, int hold, const std::atomic<bool>& stop)
{
    const std::vector<ScenarioFrame> frames = defaultScenario();
    const long long period = static_cast<long long>(1e9 / rate);
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (long long i = 0; !stop; ++i) {
        port.send(frames[std::size_t(i / hold) % frames.size()].bytes);
        next.tv_sec += time_t(period / 1000000000LL);
        next.tv_nsec += long(period % 1000000000LL);
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
        }
    }
}

void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Processor percent of one core over `seconds` of the event loop, with no meter sending.
double measureIdle(double seconds)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    runEventLoop(seconds);
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return 100.0 * cpu / wall;
}

std::unique_ptr<VirtualPort> publishMeter(int comNumber = 1)
{
    auto port = std::make_unique<VirtualPort>();
    try {
        port->open();
        port->publish(meterRuntimeDir(), comNumber);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "virtual meter: %s\n", e.what());
        return nullptr;
    }
    return port;
}

// Processor percent of one core while the meter sends for `seconds`, after a settling second.
double measure(VirtualPort& port, double rate, int hold, double seconds, bool countPaints)
{
    PaintCounter paints;
    std::atomic<bool> stop{false};
    std::thread meter(sendFrames, std::ref(port), rate, hold, std::cref(stop));
    runEventLoop(1.0);
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    if (countPaints)
        qApp->installEventFilter(&paints);
    runEventLoop(seconds);
    qApp->removeEventFilter(&paints);
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    stop = true;
    meter.join();
    // Paints a second by widget, on standard error.
    for (const auto& [name, t] : paints.tallies)
        std::fprintf(stderr, "  %5.1f/s %8.0f px/s  %s\n", t.paints / wall, double(t.pixels) / wall, qPrintable(name));
    return 100.0 * cpu / wall;
}

// Processor percent while four meters send at a meter's rate into the window, the main one and
// three of the Meters window, with two computed channels.
int measureMeters(TFCOMM& w, VirtualPort& main, double seconds, bool countPaints)
{
    std::vector<std::unique_ptr<VirtualPort>> more;
    QString error;
    for (int n = 2; n <= 4; ++n) {
        more.push_back(publishMeter(n));
        if (!more.back() || !w.meters().addMeter({QStringLiteral("m%1").arg(n), QStringLiteral("COM%1").arg(n)}, &error))
            return std::fprintf(stderr, "meter COM%d not added: %s\n", n, qPrintable(error)), 1;
    }
    if (!w.meters().defineChannels({QStringLiteral("p = m1*m2"), QStringLiteral("e = integral(p)")}, QStringLiteral("hold"), &error))
        return std::fprintf(stderr, "channels refused: %s\n", qPrintable(error)), 1;
    w.findChild<QPushButton*>(QStringLiteral("Meters"))->setChecked(true);   // as the user opens it
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (const auto& port : more)
        senders.emplace_back(sendFrames, std::ref(*port), 2400.0 / 140.0, 8, std::cref(stop));
    const double percent = measure(main, 2400.0 / 140.0, 8, seconds, countPaints);
    stop = true;
    for (std::thread& t : senders)
        t.join();
    MeterSession& session = *w.meters().session();
    long long rows = 0;
    for (int k = 0; k < session.inputCount(); ++k)
        rows += session.input(k).pipeline().table().rowCount();
    std::printf("window-cpu-percent-4-meters-2-channels: %.2f\n", percent);
    std::printf("window-meters-rows-logged: %lld\n", rows);
    std::printf("window-channel-rows-logged: %lld\n", (long long)session.channel(0).table().rowCount());
    session.discardUnsaved();
    return rows > 0 && session.channel(0).table().rowCount() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const QStringList options = app.arguments().mid(2);
    const bool countPaints = options.contains(QStringLiteral("--paints"));
    const bool withStatistics = options.contains(QStringLiteral("--statistics"));

    std::unique_ptr<VirtualPort> meter = publishMeter();
    if (!meter)
        return 1;
    VirtualPort& port = *meter;

    BenchWindow bench;
    TFCOMM& w = *bench.w;
    const CountingPrompts& prompts = bench.prompts;
    if (withStatistics)
        w.findChild<QPushButton*>(QStringLiteral("Statistics"))->setChecked(true);   // as the user opens it
    if (options.contains(QStringLiteral("--alarms"))) {
        const QString refused = w.alarms().setRuleTexts(
            {QStringLiteral("m1 > 5"), QStringLiteral("m1 < -5"), QStringLiteral("m1 > 100 for 1"), QStringLiteral("m1 outside -200..200"),
             QStringLiteral("m1 inside 1..2 hysteresis 0.1"), QStringLiteral("m1 overload"), QStringLiteral("m1 stale 5"),
             QStringLiteral("m1 > 1k"), QStringLiteral("m1 < 1m for 2"), QStringLiteral("m1 outside 0..6000 hysteresis 1")});
        if (!refused.isEmpty())
            return std::fprintf(stderr, "rules refused: %s\n", qPrintable(refused)), 1;
    }
    w.COMConClick(true);
    if (!w.COMM2().IsOpen())
        return std::fprintf(stderr, "the window did not connect to COM1\n"), 1;
    runEventLoop(0.5);
    if (options.contains(QStringLiteral("--meters")))
        return measureMeters(w, port, seconds, countPaints);

    const qint64 rowsBefore = w.cds1().rowCount();
    std::printf("window-cpu-percent-at-17: %.2f\n", measure(port, 2400.0 / 140.0, 8, seconds, countPaints));
    std::fflush(stdout);
    std::printf("window-cpu-percent-at-2: %.2f\n", measure(port, 2.0, 1, seconds, countPaints));
    const qint64 logged = w.cds1().rowCount() - rowsBefore;
    std::printf("window-rows-logged: %lld\n", (long long)logged);
    // As the user opens it: it follows the newest rows from the start.
    w.findChild<QPushButton*>(QStringLiteral("Recorder"))->setChecked(true);
    std::printf("window-cpu-percent-at-17-recorder-following: %.2f\n", measure(port, 2400.0 / 140.0, 8, seconds, countPaints));
    w.findChild<QPushButton*>(QStringLiteral("Recorder"))->setChecked(false);
    std::fflush(stdout);

    // The meter goes away; after the settling second the window only waits for it.
    meter.reset();
    runEventLoop(1.0);
    if (!w.portKeeper().waiting())
        return std::fprintf(stderr, "the window did not notice that the port was lost\n"), 1;
    std::printf("window-cpu-percent-waiting-for-lost-port: %.2f\n", measureIdle(seconds));
    std::fflush(stdout);

    // Back under the same name: the time to the first row logged from it.
    meter = publishMeter();
    if (!meter)
        return 1;
    const qint64 rowsAtReturn = w.cds1().rowCount();
    std::atomic<bool> stop{false};
    std::thread sender(sendFrames, std::ref(*meter), 2400.0 / 140.0, 8, std::cref(stop));
    QElapsedTimer sinceReturn;
    sinceReturn.start();
    while (w.cds1().rowCount() == rowsAtReturn && sinceReturn.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 resumedMs = sinceReturn.elapsed();
    stop = true;
    sender.join();
    if (w.cds1().rowCount() == rowsAtReturn)
        return std::fprintf(stderr, "the window did not log again after the port returned\n"), 1;
    std::printf("window-resumed-after-ms: %lld\n", (long long)resumedMs);
    if (logged == 0 || prompts.shown != 0 || w.badFrames() != 0) {
        std::fprintf(stderr, "logged %lld rows, %lld bad frames, %d boxes\n", (long long)logged, w.badFrames(),
                     prompts.shown);
        return 1;
    }
    w.COMConClick(false);
    return 0;
}
