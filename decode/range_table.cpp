#include "decode/range_table.h"

namespace {
constexpr std::uint32_t bit(Indicator i) { return std::uint32_t(1) << static_cast<int>(i); }

constexpr std::uint32_t AC = bit(Indicator::LcdAC);          // the AC bit itself, not the function
constexpr std::uint32_t CONT = bit(Indicator::LCDFm);        // continuity
constexpr std::uint32_t KILO = bit(Indicator::LCDk);
constexpr std::uint32_t MEGA = bit(Indicator::LCDM1);
using P = PointRule;

const std::vector<RangeRow> kRows = {
    //  function     unit    point    required  forbidden    s2b7   name       B      factor
    {nullptr,     nullptr, P::P1,   AC,   0,           false, "6v",      6,     0.001},  // 1
    {nullptr,     nullptr, P::P2,   AC,   0,           false, "60v",     60,    0.01},   // 2
    {nullptr,     nullptr, P::P3,   AC,   0,           false, "600v",    600,   0.1},    // 3
    {nullptr,     nullptr, P::None, AC,   0,           false, "750v",    750,   1},      // 4
    {"DC",        "mV",    P::Any,  0,    0,           false, "600mv",   600,   0.1},    // 5
    {"DC",        "V",     P::P1,   0,    0,           false, "6v",      6,     0.001},  // 6
    {"DC",        "V",     P::P2,   0,    0,           false, "60v",     60,    0.01},   // 7
    {"DC",        "V",     P::P3,   0,    0,           false, "600v",    600,   0.1},    // 8
    {"DC",        nullptr, P::None, 0,    0,           false, "1000v",   1000,  1},      // 9
    {"CAP",       "nF",    P::Any,  0,    0,           false, "40nF",    40,    0.01},   // 10
    {"CAP",       "nF",    P::P3,   0,    0,           false, "400nF",   400,   0.1},    // 11
    {"CAP",       "uF",    P::P1,   0,    0,           false, "4uF",     4,     0.001},  // 12
    {"CAP",       "uF",    P::P2,   0,    0,           false, "40uF",    40,    0.01},   // 13
    {"CAP",       "uF",    P::P3,   0,    0,           false, "400uF",   400,   0.1},    // 14
    {"CAP",       nullptr, P::None, 0,    0,           false, "4000uF",  4000,  1},      // 15
    {nullptr,     nullptr, P::Any,  CONT, 0,           false, "60*",     60,    0.1},    // 16
    {"OHM",       "*",     P::P3,   0,    CONT,        false, "600*",    600,   0.1},    // 17
    {"OHM",       "k*",    P::P1,   0,    0,           false, "6k*",     6,     0.001},  // 18
    {"OHM",       "k*",    P::P2,   0,    0,           false, "60k*",    60,    0.01},   // 19
    {"OHM",       "k*",    P::P3,   0,    0,           false, "600k*",   600,   0.1},    // 20
    {"OHM",       "M*",    P::P1,   0,    0,           false, "6M*",     6,     0.001},  // 21
    {"OHM",       "M*",    P::P2,   0,    0,           false, "60M*",    60,    0.01},   // 22
    {nullptr,     nullptr, P::Any,  0,    0,           true,  "6v",      6,     0.001},  // 23
    {nullptr,     "#",     P::Any,  0,    0,           false, "1000#",   1000,  1},      // 24
    {nullptr,     "?",     P::Any,  0,    0,           false, "1832?",   1832,  1},      // 25
    {"Freq",      "Hz",    P::P1,   0,    KILO | MEGA, false, "10Hz",    10,    0.001},  // 26
    {"Freq",      "Hz",    P::P2,   0,    KILO | MEGA, false, "100Hz",   100,   0.01},   // 27
    {"Freq",      "Hz",    P::P3,   0,    KILO | MEGA, false, "1kHz",    1000,  0.1},    // 28
    {"Freq",      "kHz",   P::P1,   KILO, MEGA,        false, "10kHz",   10,    0.001},  // 29
    {"Freq",      "kHz",   P::P2,   KILO, MEGA,        false, "100kHz",  100,   0.01},   // 30
    {"Freq",      "kHz",   P::P3,   KILO, MEGA,        false, "1MHz",    1000,  0.1},    // 31
    {"Freq",      "MHz",   P::P1,   MEGA, KILO,        false, "10MHz",   10,    0.001},  // 32
    {nullptr,     "%",     P::Any,  0,    0,           false, "100%",    100,   0.1},    // 33
    {"DC",        "uA",    P::P3,   0,    0,           false, "600uA",   600,   0.1},    // 34
    {"DC",        "uA",    P::None, 0,    0,           false, "6000uA",  6000,  1},      // 35
    {"AC",        "uA",    P::P3,   0,    0,           false, "600uA",   600,   0.1},    // 36
    {"AC",        "uA",    P::None, 0,    0,           false, "6000uA",  6000,  1},      // 37
    {"DC",        "mA",    P::P2,   0,    0,           false, "60mA",    60,    0.01},   // 38
    {"DC",        "mA",    P::P3,   0,    0,           false, "600mA",   600,   0.1},    // 39
    {"AC",        "mA",    P::P2,   0,    0,           false, "60mA",    60,    0.01},   // 40
    {"AC",        "mA",    P::P3,   0,    0,           false, "600mA",   600,   0.1},    // 41
    {"DC",        "A",     P::P1,   0,    0,           false, "6A",      6,     0.001},  // 42
    {"DC",        "A",     P::P2,   0,    0,           false, "10A",     10,    0.01},   // 43
    {"AC",        "A",     P::P1,   0,    0,           false, "6A",      6,     0.001},  // 44
    {"AC",        "A",     P::P2,   0,    0,           false, "10A",     10,    0.01},   // 45
};

bool pointMatches(PointRule rule, int pointPosition)
{
    switch (rule) {
    case PointRule::Any: return true;
    case PointRule::None: return pointPosition == 0;
    case PointRule::P1: return pointPosition == 1;
    case PointRule::P2: return pointPosition == 2;
    case PointRule::P3: return pointPosition == 3;
    }
    return false;
}
} // namespace

const std::vector<RangeRow>& rangeRows() { return kRows; }

bool rangeRowMatches(const RangeRow& row, const Reading& f)
{
    // The cheap conditions first: most rows fail on the point or the indicators.
    if (!pointMatches(row.point, f.pointPosition))
        return false;
    const std::uint32_t shown = f.indicators.bits();
    if ((shown & row.required) != row.required || (shown & row.forbidden) != 0)
        return false;
    if (row.needsStatus2Bit7 && !f.status2Bit7)
        return false;
    if (row.function && f.functionText != QLatin1String(row.function))
        return false;
    return !row.unit || f.unitText == QLatin1String(row.unit);
}
