// Drawing the trend chart's visible page with 10,000,000 values held vs 1,000 held.
#include "chart_draw_measure.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double few = chart_bench::secondsPerDraw(1'000, 100, 201);
    const double many = chart_bench::secondsPerDraw(10'000'000, 100, 201);
    std::printf("chart-draw-seconds-1000: %.6f\n", few);
    std::printf("chart-draw-seconds-10000000: %.6f\n", many);
    std::printf("chart-draw-ratio: %.3f\n", few > 0 ? many / few : -1.0);
    return 0;
}
