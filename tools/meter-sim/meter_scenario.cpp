#include "tools/meter-sim/meter_scenario.h"

#include "decode/frame_layout.h"
#include "decode/measurement_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

namespace S1 = frame_layout::Status1;
namespace S2 = frame_layout::Status2;
namespace S3 = frame_layout::Status3;
namespace S4 = frame_layout::Status4;

struct Scene {
    const char* display;
    std::array<std::uint8_t, 4> status;
    const char* function;
    const char* unit;
    const char* range;
    bool moving;            // the last digit drifts while the scene is shown
    const char* indicators; // comma-separated, may be empty
    double value;           // NaN: the number the display shows
};

constexpr double kShown = std::numeric_limits<double>::quiet_NaN();

const Scene kScenes[] = {
    {"1.234",  {S1::Auto | S1::Dc, 0, 0, S4::Volt}, "DC", "V", "6v", true, "LcdAuto,LcdDc1,LcdV,LcdP1", kShown},
    {"12.34",  {S1::Auto | S1::Dc, 0, 0, S4::Volt}, "DC", "V", "60v", true, "LcdP2", kShown},
    {"-5.012", {S1::Auto | S1::Dc, 0, 0, S4::Volt}, "DC", "V", "6v", true, "LcdFH", kShown},
    {"-123.4", {S1::Dc, 0, 0, S4::Volt}, "DC", "V", "600v", true, "LcdFH,LcdP3", kShown},
    {"230.1",  {S1::Auto | S1::Ac, 0, 0, S4::Volt}, "AC", "V", "600v", true, "LcdAC", kShown},
    {"5.998",  {S1::Ac, 0, 0, S4::Volt}, "AC", "V", "6v", false, "LcdAC", kShown},
    {"123.4",  {S1::Auto | S1::Dc, 0, S3::Milli, S4::Volt}, "DC", "mV", "600mv", true, "Lcdm", kShown},
    {"-045.6", {S1::Auto | S1::Dc, 0, S3::Milli, S4::Volt}, "DC", "mV", "600mv", true, "LcdFH,Lcdm", kShown},
    {"220.5",  {S1::Auto, 0, 0, S4::Ohm}, "OHM", "*", "600*", true, "LCDohm", kShown},
    // Open leads: overload, the count is one past the full scale of 6000.
    {"0.L",    {S1::Auto, 0, S3::Kilo, S4::Ohm}, "OHM", "k*", "60k*", false, "LCDk,LCDohm,LcdP2", 60.01},
    {"4.701",  {S1::Auto, 0, S3::Kilo, S4::Ohm}, "OHM", "k*", "6k*", true, "LCDk", kShown},
    {"1.234",  {S1::Auto, 0, S3::Kilo, S4::Hertz}, "Freq", "kHz", "10kHz", true, "LCDk,LCDHz", kShown},
    {"50.00",  {S1::Auto, 0, 0, S4::Hertz}, "Freq", "Hz", "100Hz", true, "LCDHz", kShown},
    {"22.15",  {S1::Auto, S2::Nano, 0, S4::Farad}, "CAP", "nF", "40nF", true, "LCDn,LCDF", kShown},
    {"4.700",  {S1::Auto, 0, S3::Micro, S4::Farad}, "CAP", "uF", "4uF", false, "LCDu,LCDF", kShown},
    {"0023",   {0, 0, 0, S4::Celsius}, "TMP", "#", "1000#", true, "LCDCS", kShown},
    {"0073",   {0, 0, 0, S4::Fahrenheit}, "TMP", "?", "1832?", true, "LCDFS", kShown},
    {"050.0",  {S1::Auto, 0, S3::DutyCycle, 0}, "DutyCycle", "%", "100%", true, "LCDBF", kShown},
    {"0.512",  {0, S2::DiodeRange, S3::Diode, 0}, "Diode", "V", "6v", false, "LCDDI,LcdV", kShown},
    {"012.3",  {0, 0, S3::Continuity, S4::Ohm}, "OHM", "*", "60*", true, "LCDFm,LCDohm", kShown},
    {"12.34",  {S1::Auto | S1::Dc, 0, S3::Milli, S4::Ampere}, "DC", "mA", "60mA", true, "Lcdm,LCDA", kShown},
    {"1.234",  {S1::Auto | S1::Dc | S1::Hold, 0, 0, S4::Volt}, "DC", "V", "6v", false, "LCDHold", kShown},
    {"3.712",  {S1::Auto | S1::Dc, S2::LowBattery, 0, S4::Volt}, "DC", "V", "6v", true, "LCDBATT", kShown},
};

constexpr int kFramesPerScene = 4;
constexpr int kDrift[kFramesPerScene] = {0, 1, 2, 1};   // added to the last digit

// The display with `drift` added to its count, keeping the point where it is.
QString drifted(const QString& display, int drift)
{
    if (drift == 0)
        return display;
    QString text = display;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const int point = text.indexOf(QLatin1Char('.'));
    QString digits = text;
    if (point >= 0)
        digits.remove(point, 1);
    const int count = std::min(digits.toInt() + drift, 9999);
    QString moved = QStringLiteral("%1").arg(count, 4, 10, QLatin1Char('0'));
    if (point >= 0)
        moved.insert(point, QLatin1Char('.'));
    return negative ? QLatin1Char('-') + moved : moved;
}

} // namespace

std::vector<ScenarioFrame> defaultScenario()
{
    std::vector<ScenarioFrame> frames;
    for (const Scene& scene : kScenes) {
        for (int k = 0; k < kFramesPerScene; ++k) {
            ScenarioFrame f;
            f.display = drifted(QLatin1String(scene.display), scene.moving ? kDrift[k] : 0);
            f.bytes = buildMeterFrame(meterFrameForDisplay(f.display, scene.status));
            f.functionText = QLatin1String(scene.function);
            f.unitText = QLatin1String(scene.unit);
            f.rangeModeText = rangeModeText((scene.status[0] & S1::Auto) != 0);
            f.rangeName = QLatin1String(scene.range);
            f.readingValue = std::isnan(scene.value) ? f.display.toDouble() : scene.value;
            f.indicators = QString::fromLatin1(scene.indicators).split(QLatin1Char(','), Qt::SkipEmptyParts);
            frames.push_back(std::move(f));
        }
    }
    return frames;
}
