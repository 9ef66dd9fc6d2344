#include "ui/lcd_panel_widget.h"

#include "ui/lcd_icons.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor& kInk = kLcdInk;
const QColor kGhost(236, 236, 236);
const QColor kBackground(Qt::white);
const QColor kFade(255, 255, 255, 180);   // over everything while no frames arrive

// Digit geometry: upright size, slant of the top edge to the right, segment thickness.
constexpr double kDigitWidth = 30;
constexpr double kDigitHeight = 78;
constexpr double kDigitSlant = 7;
constexpr double kSegment = kLcdSegment;
constexpr double kSegmentGap = 1;
constexpr int kDigitTop = 42;
constexpr int kDigitLeft[4] = {43, 90, 138, 186};

enum Segment : std::uint8_t { A = 0x01, B = 0x02, C = 0x04, D = 0x08, E = 0x10, F = 0x20, G = 0x40 };

struct Glyph {
    char character;
    std::uint8_t segments;
};

const Glyph kGlyphs[] = {
    {'0', A | B | C | D | E | F},
    {'1', B | C},
    {'2', A | B | D | E | G},
    {'3', A | B | C | D | G},
    {'4', B | C | F | G},
    {'5', A | C | D | F | G},
    {'6', A | C | D | E | F | G},
    {'7', A | B | C},
    {'8', A | B | C | D | E | F | G},
    {'9', A | B | C | D | F | G},
    {'A', A | B | C | E | F | G},
    {'B', C | D | E | F | G},        // lower-case b, as displays show it
    {'C', A | D | E | F},
    {'D', B | C | D | E | G},        // lower-case d
    {'E', A | D | E | F | G},
    {'F', A | E | F | G},
    {'@', D | E | F},                // the letter L of "0L" (overload)
    {'-', G},
};

struct ElementBox {
    Indicator indicator;
    QRect box;
};

// Where each indicator sits. Elements that share a place on the meter (n/µ/m, V/A/F, k/M)
// never light together; the rest are set apart so that any combination stays readable.
const ElementBox kIndicatorBoxes[] = {
    {Indicator::LcdAuto, QRect(56, 131, 80, 15)},   // "Auto range" under the digits
    {Indicator::LcdDc1, QRect(5, 44, 26, 14)},      // "DC" above "AC", left of digit 1
    {Indicator::LcdAC, QRect(5, 60, 26, 14)},       // "AC"
    {Indicator::LCDREL, QRect(129, 10, 16, 14)},    // relative: a delta
    {Indicator::LCDHold, QRect(8, 102, 18, 18)},    // hold: boxed H under the minus
    {Indicator::Labmax, QRect(52, 18, 32, 14)},     // "MAX"
    {Indicator::Labmin, QRect(92, 18, 30, 14)},     // "MIN"
    {Indicator::LCDBATT, QRect(256, 2, 28, 13)},    // low battery, top right corner
    {Indicator::LCDn, QRect(210, 8, 18, 20)},       // prefixes share one place
    {Indicator::LCDu, QRect(210, 8, 18, 20)},
    {Indicator::Lcdm, QRect(210, 8, 18, 20)},
    {Indicator::LCDk, QRect(238, 78, 18, 18)},      // kilo and mega share one place
    {Indicator::LCDM1, QRect(238, 78, 18, 18)},
    {Indicator::LCDFm, QRect(194, 8, 14, 16)},      // continuity waves beside the diode
    {Indicator::LCDDI, QRect(176, 9, 17, 14)},      // diode symbol
    {Indicator::LCDBF, QRect(248, 40, 22, 16)},     // "%"
    {Indicator::LcdV, QRect(232, 8, 18, 20)},       // V, A and F share one place
    {Indicator::LCDA, QRect(232, 8, 18, 20)},
    {Indicator::LCDohm, QRect(258, 78, 22, 18)},    // ohm after k or M
    {Indicator::LCDHz, QRect(248, 98, 30, 18)},     // "Hz"
    {Indicator::LCDF, QRect(232, 8, 18, 20)},
    {Indicator::LCDCS, QRect(236, 57, 24, 18)},     // "°C"
    {Indicator::LCDFS, QRect(262, 57, 24, 18)},     // "°F"
    {Indicator::LcdFH, QRect(8, 77, 24, 8)},        // minus, level with the middle segments
    {Indicator::LcdP1, QRect(79, 113, 7, 8)},       // points between the digits
    {Indicator::LcdP2, QRect(127, 113, 7, 8)},
    {Indicator::LcdP3, QRect(176, 113, 7, 8)},
};

struct ExtraBox {
    PanelExtra extra;
    QRect box;
};

const ExtraBox kExtraBoxes[] = {
    {PanelExtra::LCDsend, QRect(5, 4, 20, 13)},     // data-received picture, top left
    {PanelExtra::LcdRPM, QRect(166, 131, 34, 15)},  // "RPM"
    {PanelExtra::LCDBT, QRect(232, 97, 14, 16)},
    {PanelExtra::EF, QRect(153, 9, 20, 14)},
    {PanelExtra::Memo2, QRect()},                   // not part of the display
};

// The seven segments of an upright digit box, bit 0 (a) to bit 6 (g).
std::array<QPolygonF, 7> digitSegments()
{
    const double w = kDigitWidth, h = kDigitHeight, half = kSegment / 2, gap = kSegmentGap;
    const double left = half, right = w - half, top = half, middle = h / 2, bottom = h - half;
    return {
        segmentPolygon({left + gap, top}, {right - gap, top}),          // a
        segmentPolygon({right, top + gap}, {right, middle - gap}),      // b
        segmentPolygon({right, middle + gap}, {right, bottom - gap}),   // c
        segmentPolygon({left + gap, bottom}, {right - gap, bottom}),    // d
        segmentPolygon({left, middle + gap}, {left, bottom - gap}),     // e
        segmentPolygon({left, top + gap}, {left, middle - gap}),        // f
        segmentPolygon({left + gap, middle}, {right - gap, middle}),    // g
    };
}

// Leans an upright digit polygon to the right like the meter's digits and moves it in place.
QPolygonF placed(const QPolygonF& upright, double left, double top)
{
    QPolygonF out;
    out.reserve(upright.size());
    for (const QPointF& pt : upright)
        out << QPointF(left + pt.x() + kDigitSlant * (1 - pt.y() / kDigitHeight), top + pt.y());
    return out;
}

void drawDigit(QPainter& p, int index, std::uint8_t lit, bool ghost)
{
    static const std::array<QPolygonF, 7> segments = digitSegments();
    for (int s = 0; s < 7; ++s) {
        const bool on = (lit >> s) & 1;
        if (!on && !ghost)
            continue;
        p.setBrush(on ? kInk : kGhost);
        p.drawPolygon(placed(segments[s], kDigitLeft[index], kDigitTop));
    }
}

} // namespace

LcdPanelWidget::LcdPanelWidget(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LcdPanelWidget::setModel(const LcdPanelModel* model)
{
    model_ = model;
    requested_ = currentLook();
    update();
}

LcdPanelWidget::Look LcdPanelWidget::currentLook() const
{
    Look look;
    if (!model_)
        return look;
    for (int d = 0; d < 4; ++d)
        look.segments[std::size_t(d)] = segmentsFor(model_->digitCaption(d));
    for (const ElementBox& e : kIndicatorBoxes)
        look.indicators[static_cast<std::size_t>(e.indicator)] = model_->isShown(e.indicator);
    for (const ExtraBox& e : kExtraBoxes)
        look.extras[static_cast<std::size_t>(e.extra)] = model_->isShown(e.extra);
    return look;
}

void LcdPanelWidget::refresh()
{
    const Look now = currentLook();
    // Antialiased edges and label glyphs may reach a little past an element's box.
    const QMargins bleed(2, 2, 2, 2);
    QRegion changed;
    for (int d = 0; d < 4; ++d)
        if (now.segments[std::size_t(d)] != requested_.segments[std::size_t(d)])
            changed += digitRect(d).marginsAdded(bleed);
    for (const ElementBox& e : kIndicatorBoxes) {
        const auto i = static_cast<std::size_t>(e.indicator);
        if (now.indicators[i] != requested_.indicators[i])
            changed += e.box.marginsAdded(bleed);
    }
    for (const ExtraBox& e : kExtraBoxes) {
        const auto i = static_cast<std::size_t>(e.extra);
        if (now.extras[i] != requested_.extras[i] && !e.box.isNull())
            changed += e.box.marginsAdded(bleed);
    }
    requested_ = now;
    if (!changed.isEmpty())
        update(changed);
}

void LcdPanelWidget::setGhostSegments(bool on)
{
    ghost_ = on;
    update();
}

void LcdPanelWidget::setLive(bool live)
{
    if (live == live_)
        return;
    live_ = live;
    update();
}

QRect LcdPanelWidget::elementRect(Indicator indicator)
{
    for (const ElementBox& e : kIndicatorBoxes)
        if (e.indicator == indicator)
            return e.box;
    return QRect();
}

QRect LcdPanelWidget::elementRect(PanelExtra extra)
{
    for (const ExtraBox& e : kExtraBoxes)
        if (e.extra == extra)
            return e.box;
    return QRect();
}

QRect LcdPanelWidget::digitRect(int index)
{
    if (index < 0 || index > 3)
        return QRect();
    return QRect(kDigitLeft[index], kDigitTop, int(kDigitWidth + kDigitSlant) + 1, int(kDigitHeight));
}

std::uint8_t LcdPanelWidget::segmentsFor(const QString& caption)
{
    if (caption.size() != 1)
        return 0;
    const QChar c = caption.at(0).toUpper();
    for (const Glyph& g : kGlyphs)
        if (c == QLatin1Char(g.character))
            return g.segments;
    return 0;
}

void LcdPanelWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    paintDisplay(p, event->rect());
    if (!live_)
        p.fillRect(event->rect(), kFade);
}

void LcdPanelWidget::paintDisplay(QPainter& p, const QRect& region)
{
    // Only what the region touches is drawn; the painter clips to it, so every pixel inside
    // comes out as a whole repaint would draw it.
    const QRect dirty = region.marginsAdded(QMargins(2, 2, 2, 2));
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(region, kBackground);

    p.setPen(Qt::NoPen);
    for (int d = 0; d < 4; ++d)
        if (digitRect(d).intersects(dirty))
            drawDigit(p, d, model_ ? segmentsFor(model_->digitCaption(d)) : 0, ghost_);

    if (ghost_) {
        p.setPen(Qt::NoPen);
        drawMinus(p, elementRect(Indicator::LcdFH), kGhost);
        for (Indicator point : {Indicator::LcdP1, Indicator::LcdP2, Indicator::LcdP3})
            drawPoint(p, elementRect(point), kGhost);
    }
    if (!model_)
        return;

    for (const ElementBox& e : kIndicatorBoxes) {
        if (!model_->isShown(e.indicator) || !e.box.intersects(dirty))
            continue;
        p.save();
        p.setPen(Qt::NoPen);
        drawIndicator(p, e.indicator, e.box);
        p.restore();
    }
    for (const ExtraBox& e : kExtraBoxes) {
        if (!model_->isShown(e.extra) || !e.box.intersects(dirty))
            continue;
        p.save();
        drawExtra(p, e.extra, e.box);
        p.restore();
    }
}
