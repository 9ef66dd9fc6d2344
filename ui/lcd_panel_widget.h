#pragma once
// The on-screen replica of the meter's LCD: four seven-segment digits, three points, the minus
// sign and every icon, all drawn here. Shows an LcdPanelModel; owns nothing of it.
#include "decode/indicators.h"
#include "reading/lcd_panel_model.h"

#include <QRect>

class QPainter;
#include <QWidget>
#include <array>
#include <bitset>
#include <cstdint>

class LcdPanelWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 302;
    static constexpr int kHeight = 162;

    explicit LcdPanelWidget(QWidget* parent = nullptr);

    // The model must outlive the widget or be replaced first; nullptr shows a blank display.
    void setModel(const LcdPanelModel* model);
    // After the model changed: repaints just the digits and icons that differ from what the
    // last refresh saw, so a frame that changes nothing costs no painting.
    void refresh();
    const LcdPanelModel* model() const { return model_; }

    // Faint unlit segments behind the digits, as on a real display. On by default.
    void setGhostSegments(bool on);
    // Not live: no frames arrive, so what the display shows is the last reading, not the
    // present one; it is drawn faded. Live by default.
    void setLive(bool live);
    bool isLive() const { return live_; }

    // Where each element is drawn, in widget pixels.
    static QRect elementRect(Indicator indicator);
    static QRect elementRect(PanelExtra extra);
    static QRect digitRect(int index);   // index 0..3 (digit 1..4)

    // Lit segments of a digit caption, bit 0 = a (top) .. bit 6 = g (middle); 0 draws nothing.
    static std::uint8_t segmentsFor(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the display shows: lit segments per digit, then every indicator and extra.
    struct Look {
        std::array<std::uint8_t, 4> segments{};
        std::bitset<static_cast<std::size_t>(Indicator::Count)> indicators;
        std::bitset<static_cast<std::size_t>(PanelExtra::Count)> extras;
    };
    Look currentLook() const;
    void paintDisplay(QPainter& p, const QRect& region);

    const LcdPanelModel* model_ = nullptr;
    bool ghost_ = true;
    bool live_ = true;
    Look requested_;   // the look as of the last refresh or full update
};
