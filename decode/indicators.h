#pragma once
// The panel elements a frame can show, as one small bit set.
#include <QString>
#include <QStringList>
#include <cstdint>

enum class Indicator : std::uint8_t {
    LcdAuto, LcdDc1, LcdAC, LCDREL, LCDHold,
    Labmax, Labmin, LCDBATT,
    LCDn, LCDu, Lcdm, LCDk, LCDM1,
    LCDFm, LCDDI, LCDBF,
    LcdV, LCDA, LCDohm, LCDHz, LCDF, LCDCS, LCDFS,
    LcdFH,                     // minus sign
    LcdP1, LcdP2, LcdP3,       // decimal points after digit 1, 2, 3
    Count
};

constexpr int kIndicatorCount = static_cast<int>(Indicator::Count);

class IndicatorSet {
public:
    void show(Indicator i) { bits_ |= mask(i); }
    void hide(Indicator i) { bits_ &= ~mask(i); }
    void set(Indicator i, bool shown) { shown ? show(i) : hide(i); }
    bool shown(Indicator i) const { return (bits_ & mask(i)) != 0; }
    bool empty() const { return bits_ == 0; }
    std::uint32_t bits() const { return bits_; }
    bool operator==(const IndicatorSet& o) const { return bits_ == o.bits_; }
    bool operator!=(const IndicatorSet& o) const { return bits_ != o.bits_; }

    // Names of the shown indicators, sorted.
    QStringList names() const;

private:
    static std::uint32_t mask(Indicator i) { return std::uint32_t(1) << static_cast<int>(i); }
    std::uint32_t bits_ = 0;
};

// The element's name in the window ("LcdAuto", "LCDohm", ...).
QString indicatorName(Indicator i);
