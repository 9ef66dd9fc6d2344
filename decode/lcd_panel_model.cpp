#include "decode/lcd_panel_model.h"

#include <algorithm>
#include <cmath>

namespace {

// A bar value: whole units, never beyond what an int and the bar can hold.
int truncatedToBar(double value, int maximum)
{
    if (std::isnan(value))
        return 0;
    const double cut = std::trunc(value);
    if (cut <= 0)
        return 0;
    if (cut >= maximum)
        return std::max(maximum, 0);
    return static_cast<int>(cut);
}

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
    changed();
}

void LcdPanelModel::applyIndicators(const DecodedFrame& frame, bool dataDisplayChecked)
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

    extras_[static_cast<int>(PanelExtra::Memo2)] = dataDisplayChecked;
    extras_[static_cast<int>(PanelExtra::LCDsend)] = true;

    // The decoder's set is complete by then: status bits, minus sign and exactly one or no point.
    if (frame.progress >= DecodeProgress::ValueText)
        indicators_ = frame.indicators;
    changed();
}

void LcdPanelModel::applyDigitCaptions(const DecodedFrame& frame)
{
    if (frame.progress < DecodeProgress::Complete)
        return;
    digits_ = frame.digits;
    changed();
}

void LcdPanelModel::applyRangeBounds(const DecodedFrame& frame)
{
    if (frame.progress < DecodeProgress::Complete || !frame.hasRange)
        return;
    axisMaximum_ = frame.rangeBound;
    axisMinimum_ = -frame.rangeBound;
    changed();
}

void LcdPanelModel::applyDecodedFrame(const DecodedFrame& frame, bool dataDisplayChecked)
{
    applyIndicators(frame, dataDisplayChecked);
    applyDigitCaptions(frame);
    applyRangeBounds(frame);
}

void LcdPanelModel::applyBarGraphMaximum()
{
    if (axisMaximum_ == lastAxisMaximum_)
        return;
    barMaximum_ = truncatedToInt(axisMaximum_);
    // A bar never holds a position beyond its range.
    barPosition_ = std::clamp(barPosition_, 0, std::max(barMaximum_, 0));
    changed();
}

void LcdPanelModel::rememberAxisMaximum()
{
    lastAxisMaximum_ = axisMaximum_;
}

void LcdPanelModel::setAxisBounds(double minimum, double maximum)
{
    axisMinimum_ = minimum;
    axisMaximum_ = maximum;
    changed();
}

void LcdPanelModel::setDigitCaption(int index, const QString& caption)
{
    digits_.at(static_cast<std::size_t>(index)) = caption;
    changed();
}

void LcdPanelModel::setLinkAlive(bool alive)
{
    if (linkAlive_ == alive)
        return;
    linkAlive_ = alive;
    changed();
}

void LcdPanelModel::showValueOnBar(double readingValue)
{
    barPosition_ = truncatedToBar(std::fabs(readingValue), barMaximum_);
    changed();
}

void LcdPanelModel::setBarPosition(int position)
{
    barPosition_ = std::clamp(position, 0, std::max(barMaximum_, 0));
    changed();
}

void LcdPanelModel::changed()
{
    ++changeCount_;
    if (onChanged_)
        onChanged_();
}
