#pragma once
// State of the on-screen meter display: which elements are shown, the digit captions, the
// chart's value-axis bounds the range rows set, the bar graph maximum and the link indicator.
// Plain class; the reading pipeline drives it step by step and the window shows it.
#include "decode/reading.h"
#include "decode/indicators.h"

#include <QString>
#include <array>
#include <cstdint>

// Panel elements that no status bit drives.
enum class PanelExtra : std::uint8_t {
    LCDsend,   // "data received" picture, shown from the first decoded frame on
    LcdRPM,    // never shown: hidden at every frame
    LCDBT,     // never shown: hidden at every frame
    EF,        // never shown: hidden at every frame
    Memo2,     // the data memo: the window has no Data_display check box to show it
    Count
};

class LcdPanelModel {
public:
    // Layout values: bar graph 0..60 at 30, value axis -4100..4100, link not alive.
    LcdPanelModel();

    // --- what the widgets show ---
    bool isShown(Indicator i) const { return indicators_.shown(i); }
    bool isShown(PanelExtra e) const;
    const IndicatorSet& indicators() const { return indicators_; }
    const std::array<QString, 4>& digitCaptions() const { return digits_; }
    QString digitCaption(int index) const;       // index 0..3 (digit 1..4)
    double axisMaximum() const { return axisMaximum_; }
    double axisMinimum() const { return axisMinimum_; }
    int barMaximum() const { return barMaximum_; }
    int barPosition() const { return barPosition_; }
    bool linkAlive() const { return linkAlive_; } // true: CONok shown, false: CONokN shown

    // --- the frame handling, in the window's order ---
    // Frames are arriving (the window also restarts its watchdog count).
    void markLinkAlive();
    // The frame's icons: cleared, then set from its status bits, overload, sign and point, as
    // far as the frame got: a frame that failed before its point code was read clears the
    // indicators but keeps the points.
    void applyIndicators(const Reading& frame);
    // The digit captions; ignored for a frame that did not get that far.
    void applyDigitCaptions(const Reading& frame);
    // The value axis runs -B..+B for the frame's range row; no row, no change.
    void applyRangeBounds(const Reading& frame);
    // A changed axis maximum becomes the bar graph maximum (fraction cut off).
    void applyBarGraphMaximum();
    // The axis maximum the next frame's change is measured against.
    void rememberAxisMaximum();

    // --- start-up, watchdog and logging ---
    void setAxisBounds(double minimum, double maximum);
    void setDigitCaption(int index, const QString& caption);
    void setLinkAlive(bool alive);
    // The bar shows a logged value: its magnitude truncated toward zero, held within the bar's
    // range.
    void showLoggedValue(double readingValue);

private:
    IndicatorSet indicators_;
    std::array<bool, static_cast<int>(PanelExtra::Count)> extras_{};
    std::array<QString, 4> digits_;
    double axisMaximum_ = 4100;
    double axisMinimum_ = -4100;
    double lastAxisMaximum_ = 0;
    int barMaximum_ = 60;
    int barPosition_ = 30;
    bool linkAlive_ = false;
};
