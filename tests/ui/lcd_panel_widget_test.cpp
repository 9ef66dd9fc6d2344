// The drawn display: every element lights pixels where it belongs and nowhere when hidden.
#include "decode/frame_decoder.h"
#include "ui/lcd_panel_widget.h"
#include "ui/link_indicator_widget.h"

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

QImage render(const LcdPanelModel* model, bool ghost)
{
    LcdPanelWidget widget;
    widget.setGhostSegments(ghost);
    widget.setModel(model);
    EXPECT_EQ(widget.size(), QSize(302, 162));
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(LcdPanelWidget, EveryIndicatorDrawsInsideItsOwnPlaceOnly)
{
    LcdPanelModel blank;
    EXPECT_EQ(darkPixels(render(nullptr, false), QRect(0, 0, 302, 162)), 0);
    EXPECT_EQ(darkPixels(render(&blank, false), QRect(0, 0, 302, 162)), 0);

    const QRect send = LcdPanelWidget::elementRect(PanelExtra::LCDsend);
    for (int n = 0; n < kIndicatorCount; ++n) {
        const auto i = static_cast<Indicator>(n);
        SCOPED_TRACE(indicatorName(i).toStdString());
        Reading f;                           // a frame showing just this element
        f.progress = DecodeProgress::Complete;
        f.indicators.show(i);
        LcdPanelModel model;
        model.applyIndicators(f);
        const QImage image = render(&model, false);

        const QRect box = LcdPanelWidget::elementRect(i);
        ASSERT_TRUE(QRect(0, 0, 302, 162).contains(box));
        EXPECT_GT(darkPixels(image, box), 3);
        EXPECT_GT(darkPixels(image, send), 3);    // every decoded frame shows the data picture
        // Nothing else is lit, give or take a pixel of antialiasing around the boxes.
        EXPECT_EQ(darkPixels(image, image.rect()),
                  darkPixels(image, box.adjusted(-1, -1, 1, 1)) + darkPixels(image, send.adjusted(-1, -1, 1, 1)));
    }
}

TEST(LcdPanelWidget, DigitCaptionsLightTheRightSegments)
{
    // The middle of each segment a..g of an upright digit box 30 x 78 that leans 7 px.
    const QRect d = LcdPanelWidget::digitRect(1);
    auto at = [&](double x, double y) { return QPoint(int(d.left() + x + 7 * (1 - y / 78)), d.top() + int(y)); };
    const QPoint middleOf[7] = {at(15, 3.5), at(26.5, 20), at(26.5, 58), at(15, 74.5),
                                at(3.5, 58), at(3.5, 20), at(15, 39)};
    struct Case {
        const char* caption;
        std::string segments;
        const char* note;
    };
    const Case cases[] = {
        {"0", "abcdef", ""}, {"1", "bc", ""}, {"2", "abdeg", ""}, {"3", "abcdg", ""},
        {"4", "bcfg", ""}, {"5", "acdfg", ""}, {"6", "acdefg", ""}, {"7", "abc", ""},
        {"8", "abcdefg", ""}, {"9", "abcdfg", ""},
        {"A", "abcefg", "hex digits a meter may send"}, {"B", "cdefg", "as b"}, {"C", "adef", ""},
        {"D", "bcdeg", "as d"}, {"E", "adefg", ""}, {"F", "aefg", ""},
        {"@", "def", "the L of overload"},
        {"", "", "empty caption: nothing"},
        {"?", "", "unknown character: nothing rather than a wrong digit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + c.note);
        LcdPanelModel model;
        model.setDigitCaption(1, QString::fromLatin1(c.caption));
        const QImage ghosted = render(&model, true);     // unlit ghost segments stay light
        for (int s = 0; s < 7; ++s) {
            const bool lit = c.segments.find(char('a' + s)) != std::string::npos;
            EXPECT_EQ(isDark(ghosted.pixel(middleOf[s])), lit) << "segment " << char('a' + s);
        }
        const QImage plain = render(&model, false);
        EXPECT_EQ(darkPixels(plain, plain.rect()), darkPixels(plain, d));
    }
}

// Typical readings; with METER_LCD_PNG_DIR set they are also saved there to be looked at.
TEST(LcdPanelWidget, DecodedReadingsShowTheirDigits)
{
    struct Sample {
        const char* file;
        const char* frameText;
        int darkDigits[4];       // 1 where a digit must be lit
    };
    const Sample samples[] = {
        {"volts.png", "2D3132333420313000008000", {1, 1, 1, 1}},    // -1.234 V DC auto
        {"overload-ohms.png", "2B3F303A3F203200002020", {0, 1, 1, 0}}, // 0.L kΩ manual
        {"hertz.png", "2B35393837203220002008", {1, 1, 1, 1}},      // 59.87 kHz auto
        {"temperature.png", "2B30323335203020240002", {1, 1, 1, 1}}, // 0235 °C, MAX, battery
        {"everything.png", "2D383838382031FEFFFFFF", {1, 1, 1, 1}}, // every bit set
    };
    const QString dir = qEnvironmentVariable("METER_LCD_PNG_DIR");
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.file);
        LcdPanelModel model;
        const Reading r = decodeFrame({QString::fromLatin1(s.frameText) + QStringLiteral("0D")});
        model.applyIndicators(r);
        model.applyDigitCaptions(r);
        model.applyRangeBounds(r);
        const QImage image = render(&model, true);
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(darkPixels(image, LcdPanelWidget::digitRect(d)) > 50, s.darkDigits[d] == 1) << "digit " << d + 1;
        if (!dir.isEmpty()) {
            EXPECT_TRUE(image.save(QDir(dir).filePath(QString::fromLatin1(s.file))));
        }
    }
}

TEST(LinkIndicatorWidget, GreenWhenAliveRedMarkWhenNot)
{
    LinkIndicatorWidget lamp;
    lamp.resize(28, 28);
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
}

} // namespace
