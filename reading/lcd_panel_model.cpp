#include "reading/lcd_panel_model.h"

#include "decode/range_table.h"

#include <algorithm>
#include <cmath>

namespace {

int truncatedToInt(double value)
{
    if (std::isnan(value))
        return 0;
    const double cut = std::trunc(value);
    return static_cast<int>(std::clamp(cut, -2147483648.0, 2147483647.0));
}

} // namespace

LcdPanelModel::LcdPanelModel() = default;

bool LcdPanelModel::isShown(PanelExtra e) const
{
    return extras_[static_cast<int>(e)];
}

QString LcdPanelModel::digitCaption(int index) const
{
    return digits_.at(static_cast<std::size_t>(index));
}

void LcdPanelModel::markLinkAlive()
{
    linkAlive_ = true;
}

void LcdPanelModel::applyIndicators(const Reading& frame)
{
    if (frame.progress < DecodeProgress::TextsCleared)
        return;

    // Every indicator except the three points goes dark first; the points are set only
    // together with the rest of the frame's indicators.
    for (int i = 0; i < kIndicatorCount; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (indicator != Indicator::LcdP1 && indicator != Indicator::LcdP2 && indicator != Indicator::LcdP3)
            indicators_.hide(indicator);
    }
    extras_[static_cast<int>(PanelExtra::LcdRPM)] = false;
    extras_[static_cast<int>(PanelExtra::LCDBT)] = false;
    extras_[static_cast<int>(PanelExtra::EF)] = false;

    extras_[static_cast<int>(PanelExtra::LCDsend)] = true;

    // The decoder's set is complete by then: status bits, minus sign and exactly one or no point.
    if (frame.progress >= DecodeProgress::ValueText)
        indicators_ = frame.indicators;
}

void LcdPanelModel::applyDigitCaptions(const Reading& frame)
{
    if (frame.progress < DecodeProgress::Complete)
        return;
    digits_ = frame.digits;
}

void LcdPanelModel::applyRangeBounds(const Reading& frame)
{
    if (frame.progress < DecodeProgress::Complete || !frame.range)
        return;
    axisMaximum_ = frame.range->bound;
    axisMinimum_ = -frame.range->bound;
}

void LcdPanelModel::applyBarGraphMaximum()
{
    if (axisMaximum_ == lastAxisMaximum_)
        return;
    barMaximum_ = truncatedToInt(axisMaximum_);
    // A bar never holds a position beyond its range.
    barPosition_ = std::clamp(barPosition_, 0, std::max(barMaximum_, 0));
}

void LcdPanelModel::rememberAxisMaximum()
{
    lastAxisMaximum_ = axisMaximum_;
}

void LcdPanelModel::setAxisBounds(double minimum, double maximum)
{
    axisMinimum_ = minimum;
    axisMaximum_ = maximum;
}

void LcdPanelModel::setDigitCaption(int index, const QString& caption)
{
    digits_.at(static_cast<std::size_t>(index)) = caption;
}

void LcdPanelModel::setLinkAlive(bool alive)
{
    if (linkAlive_ == alive)
        return;
    linkAlive_ = alive;
}

void LcdPanelModel::showLoggedValue(double readingValue)
{
    // The value's magnitude truncated toward zero, held within the bar's range.
    const double magnitude = std::trunc(std::fabs(readingValue));
    const int maximum = std::max(barMaximum_, 0);
    barPosition_ = std::isnan(magnitude) ? 0 : magnitude >= double(maximum) ? maximum : int(magnitude);
}
