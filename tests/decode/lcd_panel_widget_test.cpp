// The drawn display: every element lights pixels where it belongs and nowhere when hidden.
#include "decode/frame_decoder.h"
#include "decode/lcd_panel_widget.h"
#include "decode/link_indicator_widget.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

bool isDark(QRgb pixel) { return qGray(pixel) < 110; }

int darkPixels(const QImage& image, const QRect& area)
{
    int n = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            n += isDark(image.pixel(x, y));
    return n;
}

QImage render(LcdPanelWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A model holding what one decoded frame shows.
void showFrame(LcdPanelModel& model, const QString& frameText)
{
    DecodeInput in;
    in.frameText = frameText;
    model.markLinkAlive();
    const DecodedFrame f = decodeFrame(in);
    model.applyDecodedFrame(f, false);
}

const Indicator kAllIndicators[] = {
    Indicator::LcdAuto, Indicator::LcdDc1, Indicator::LcdAC, Indicator::LCDREL, Indicator::LCDHold,
    Indicator::Labmax, Indicator::Labmin, Indicator::LCDBATT, Indicator::LCDn, Indicator::LCDu,
    Indicator::Lcdm, Indicator::LCDk, Indicator::LCDM1, Indicator::LCDFm, Indicator::LCDDI,
    Indicator::LCDBF, Indicator::LcdV, Indicator::LCDA, Indicator::LCDohm, Indicator::LCDHz,
    Indicator::LCDF, Indicator::LCDCS, Indicator::LCDFS, Indicator::LcdFH, Indicator::LcdP1,
    Indicator::LcdP2, Indicator::LcdP3,
};

TEST(LcdPanelWidget, IsTheDisplaySizeAndBlankWithoutAnything)
{
    LcdPanelWidget widget;
    widget.setGhostSegments(false);
    EXPECT_EQ(widget.size(), QSize(302, 162));
    EXPECT_EQ(darkPixels(render(widget), widget.rect()), 0);   // no model
    LcdPanelModel model;
    widget.setModel(&model);
    EXPECT_EQ(darkPixels(render(widget), widget.rect()), 0);   // nothing shown yet
}

TEST(LcdPanelWidget, EveryIndicatorDrawsInsideItsOwnPlace)
{
    static_assert(std::size(kAllIndicators) == kIndicatorCount, "every indicator is listed");
    for (Indicator i : kAllIndicators) {
        SCOPED_TRACE(indicatorName(i).toStdString());
        LcdPanelModel model;
        // Only this indicator: show it through a frame-like set.
        DecodedFrame f;
        f.stepsDone = 14;
        f.indicators.show(i);
        model.applyIndicators(f, false);

        LcdPanelWidget widget;
        widget.setGhostSegments(false);
        widget.setModel(&model);
        const QImage image = render(widget);
        const QRect box = LcdPanelWidget::elementRect(i);
        ASSERT_TRUE(box.isValid());
        EXPECT_TRUE(widget.rect().contains(box));
        EXPECT_GT(darkPixels(image, box), 3);
        // Everything it drew lies in its box, give or take a pixel of antialiasing; the only
        // other element lit is the data picture that every decoded frame shows.
        const QRect send = LcdPanelWidget::elementRect(PanelExtra::LCDsend);
        EXPECT_EQ(darkPixels(image, widget.rect()),
                  darkPixels(image, box.adjusted(-1, -1, 1, 1)) + darkPixels(image, send.adjusted(-1, -1, 1, 1)));
    }
}

TEST(LcdPanelWidget, ExtraElementsDrawWhenShown)
{
    LcdPanelModel model;
    DecodedFrame f;
    f.stepsDone = 22;
    model.applyIndicators(f, true);   // shows the data picture
    LcdPanelWidget widget;
    widget.setGhostSegments(false);
    widget.setModel(&model);
    const QImage image = render(widget);
    const QRect send = LcdPanelWidget::elementRect(PanelExtra::LCDsend);
    EXPECT_GT(darkPixels(image, send), 3);
    EXPECT_EQ(darkPixels(image, widget.rect()), darkPixels(image, send.adjusted(-1, -1, 1, 1)));
}

TEST(LcdPanelWidget, DigitsLightTheirSegments)
{
    struct Case {
        const char* caption;
        bool lit;
        const char* note;
    };
    const Case cases[] = {
        {"0", true, ""}, {"1", true, ""}, {"2", true, ""}, {"3", true, ""}, {"4", true, ""},
        {"5", true, ""}, {"6", true, ""}, {"7", true, ""}, {"8", true, ""}, {"9", true, ""},
        {"A", true, "hex digits a meter may send"}, {"B", true, ""}, {"C", true, ""},
        {"D", true, ""}, {"E", true, ""}, {"F", true, ""},
        {"@", true, "the L of overload"},
        {"", false, "empty caption: nothing"},
        {"?", false, "unknown character: nothing rather than a wrong digit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        SCOPED_TRACE(c.note);
        LcdPanelModel model;
        model.setDigitCaption(2, QString::fromLatin1(c.caption));
        LcdPanelWidget widget;
        widget.setGhostSegments(false);
        widget.setModel(&model);
        const QImage image = render(widget);
        const int inside = darkPixels(image, LcdPanelWidget::digitRect(2));
        EXPECT_EQ(inside > 50, c.lit);
        EXPECT_EQ(darkPixels(image, widget.rect()), inside);
    }
}

TEST(LcdPanelWidget, SegmentPatternsReadCorrectly)
{
    // Pixels at the middle of each segment of digit 1 (upright box 30 x 78, leaning 7 px).
    const QRect d = LcdPanelWidget::digitRect(0);
    auto at = [&](double x, double y) { return QPoint(int(d.left() + x + 7 * (1 - y / 78)), d.top() + int(y)); };
    const QPoint middleOf[7] = {at(15, 3.5), at(26.5, 20), at(26.5, 58), at(15, 74.5),
                                at(3.5, 58), at(3.5, 20), at(15, 39)};
    struct Case {
        const char* caption;
        const char* segments;   // lit segments a..g
    };
    const Case cases[] = {
        {"8", "abcdefg"}, {"1", "bc"}, {"7", "abc"}, {"@", "def"}, {"0", "abcdef"},
        {"2", "abdeg"}, {"4", "bcfg"}, {"E", "adefg"}, {"B", "cdefg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        LcdPanelModel model;
        model.setDigitCaption(0, QString::fromLatin1(c.caption));
        LcdPanelWidget widget;
        widget.setModel(&model);                    // ghost segments on: they must stay light
        const QImage image = render(widget);
        for (int s = 0; s < 7; ++s) {
            const bool expected = std::string(c.segments).find(char('a' + s)) != std::string::npos;
            EXPECT_EQ(isDark(image.pixel(middleOf[s])), expected) << "segment " << char('a' + s);
        }
    }
}

TEST(LcdPanelWidget, DecodedFrameShowsItsDigitsAndPoint)
{
    LcdPanelModel model;
    showFrame(model, QStringLiteral("2D3132333420313000008000"));   // -1.234 V DC auto
    LcdPanelWidget widget;
    widget.setGhostSegments(false);
    widget.setModel(&model);
    const QImage image = render(widget);
    for (int d = 0; d < 4; ++d)
        EXPECT_GT(darkPixels(image, LcdPanelWidget::digitRect(d)), 50) << "digit " << d + 1;
    EXPECT_GT(darkPixels(image, LcdPanelWidget::elementRect(Indicator::LcdP1)), 20);
    EXPECT_EQ(darkPixels(image, LcdPanelWidget::elementRect(Indicator::LcdP2)), 0);
    EXPECT_GT(darkPixels(image, LcdPanelWidget::elementRect(Indicator::LcdFH)), 20);
}

TEST(LinkIndicatorWidget, GreenWhenAliveRedMarkWhenNot)
{
    LinkIndicatorWidget lamp;
    lamp.resize(28, 28);
    lamp.setToolTip(QStringLiteral("3 bad frames"));
    auto count = [&](auto test) {
        const QImage image = lamp.grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += test(QColor(image.pixel(x, y)));
        return n;
    };
    auto green = [](const QColor& c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 60; };
    auto red = [](const QColor& c) { return c.red() > c.green() + 80 && c.red() > c.blue() + 80; };

    EXPECT_FALSE(lamp.alive());
    EXPECT_EQ(count(green), 0);
    EXPECT_GT(count(red), 10);
    lamp.setAlive(true);
    EXPECT_GT(count(green), 100);
    EXPECT_EQ(count(red), 0);
    EXPECT_EQ(lamp.toolTip(), QStringLiteral("3 bad frames"));
}

// With METER_LCD_PNG_DIR set, renders a few typical readings there to look at.
TEST(LcdPanelWidget, RendersSampleReadings)
{
    struct Sample {
        const char* file;
        const char* frameText;
    };
    const Sample samples[] = {
        {"volts.png", "2D3132333420313000008000"},           // -1.234 V DC, auto
        {"overload-ohms.png", "2B3F303A3F203200002020"},     // 0.L kΩ, auto
        {"hertz.png", "2B35393837203220002008"},           // 59.87 kHz, auto
        {"temperature.png", "2B30323335203020240002"},       // 235 °C, low battery, MAX
        {"everything.png", "2D383838382031FEFFFFFF"},      // all bits set
    };
    const QString dir = qEnvironmentVariable("METER_LCD_PNG_DIR");
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        LcdPanelModel model;
        DecodeInput in;
        in.frameText = QString::fromLatin1(s.frameText) + QStringLiteral("0D");
        DecodedFrame f;
        try {
            decodeFrameInto(in, f);
        } catch (const ConversionError&) {
        }
        model.applyDecodedFrame(f, false);
        LcdPanelWidget widget;
        widget.setModel(&model);
        const QImage image = render(widget);
        EXPECT_GT(darkPixels(image, LcdPanelWidget::digitRect(2)), 50);
        if (!dir.isEmpty()) {
            EXPECT_TRUE(image.save(QDir(dir).filePath(QString::fromLatin1(s.file))));
        }
    }
}

} // namespace
