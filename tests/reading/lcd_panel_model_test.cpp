// The display panel across frames: what each frame shows, what a failed frame leaves, and the
// bar graph maximum that follows range changes.
#include "decode/frame_decoder.h"
#include "log/record_logger.h"
#include "reading/lcd_panel_model.h"
#include "frames/sample_frames.h"

#include <gtest/gtest.h>

namespace {

using Captions = std::array<QString, 4>;

// One frame as the serial link leaves it: sign, four digit bytes, a spare byte, the point
// code, four status bytes and the carriage return.
QString frame(const char* digits, int pointCode, int s1, int s2, int s3, int s4, bool negative = false)
{
    QString text = negative ? QStringLiteral("2D") : QStringLiteral("2B");
    for (int i = 0; i < 4; ++i)
        text += QStringLiteral("3") + QLatin1Char(digits[i]);
    text += QStringLiteral("203%1").arg(pointCode);
    for (int s : {s1, s2, s3, s4})
        text += QStringLiteral("%1").arg(s, 2, 16, QLatin1Char('0')).toUpper();
    return text + QStringLiteral("0D");
}

// The window's frame handling as far as the panel is concerned, in its order.
struct PanelRun {
    Reading feed(const QString& frameText)
    {
        model.markLinkAlive();
        Reading f;
        DecodeInput in{frameText, QStringLiteral("."), fullScale, previousCount};
        bool complete = true;
        try {
            decodeFrameInto(in, f);
        } catch (const ConversionError&) {
            complete = false;
        }
        model.applyIndicators(f);
        model.applyDigitCaptions(f);
        model.applyRangeBounds(f);
        barTouched = false;
        if (complete) {
            fullScale = f.fullScaleCount;
            previousCount = f.readingCount;
            const int maximum = model.barMaximum(), position = model.barPosition();
            model.applyBarGraphMaximum();
            barTouched = model.barMaximum() != maximum || model.barPosition() != position;
            model.rememberAxisMaximum();
        }
        return f;
    }

    LcdPanelModel model;
    int fullScale = 6000;
    double previousCount = 0;
    bool barTouched = false;
};

const QString kVolts = frame("1234", 1, 0x30, 0, 0, 0x80);             // auto DC 1.234 V
const QString kMilliVoltsHeld = frame("1234", 4, 0x12, 0, 0x40, 0x80); // DC hold 123.4 mV
const QString kTensOfVolts = frame("1234", 2, 0x30, 0, 0, 0x80);       // auto DC 12.34 V
const QString kOverloadKiloOhm = QStringLiteral(SAMPLE_OVERLOAD_KOHM SAMPLE_SERIAL_END);
const QString kHertzNoPoint = frame("1234", 0, 0x20, 0, 0, 0x08);      // matches no range row

TEST(LcdPanelModel, EachFrameShowsExactlyItsOwnElements)
{
    PanelRun run;
    run.feed(kMilliVoltsHeld);
    EXPECT_EQ(run.model.indicators().names(), QStringList({"LCDHold", "LcdDc1", "LcdP3", "LcdV", "Lcdm"}));
    EXPECT_FALSE(run.model.isShown(PanelExtra::Memo2)) << "no Data_display box shows the memo";

    run.feed(frame("1234", 1, 0x00, 0, 0, 0x80));   // volt bit only: milli and hold go
    EXPECT_EQ(run.model.indicators().names(), QStringList({"LcdP1", "LcdV"}));
    EXPECT_FALSE(run.model.isShown(PanelExtra::Memo2));
    EXPECT_TRUE(run.model.isShown(PanelExtra::LCDsend));   // stays from the first frame on

    run.feed(frame("0512", 3, 0x00, 0, 0x04, 0x00, true)); // negative diode, point code 3 = none
    EXPECT_EQ(run.model.indicators().names(), QStringList({"LCDDI", "LcdFH", "LcdV"}));

    run.feed(kOverloadKiloOhm);
    EXPECT_EQ(run.model.indicators().names(), QStringList({"LCDk", "LCDohm", "LcdP2"}));
    EXPECT_EQ(run.model.digitCaptions(), (Captions{"", "0", "@", ""}));

    run.feed(kMilliVoltsHeld);                       // point code 4: only the third point
    EXPECT_EQ(run.model.digitCaptions(), (Captions{"1", "2", "3", "4"}));
    EXPECT_FALSE(run.model.isShown(Indicator::LcdP2));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdP3));
    for (PanelExtra never : {PanelExtra::LcdRPM, PanelExtra::LCDBT, PanelExtra::EF})
        EXPECT_FALSE(run.model.isShown(never));
}

TEST(LcdPanelModel, FailedFramesApplyOnlyTheStepsTheyReached)
{
    QString badPoint = kOverloadKiloOhm;
    badPoint[13] = QLatin1Char('A');              // point character not a decimal digit
    QString badDigit = frame("1234", 2, 0x20, 0, 0x20, 0x20);
    badDigit[7] = QLatin1Char('B');               // digit 3 "B": no whole count
    QString badHex = kOverloadKiloOhm;
    badHex[20] = QLatin1Char('G');                // not a hexadecimal character

    struct Case {
        QString badFrame;
        QStringList indicatorsAfter;
        const char* note;
    };
    const Case cases[] = {
        {badPoint, {"LcdP3"}, "bad point code: indicators dark, points and digits stay"},
        {badDigit, {"LCDk", "LCDohm", "LcdAuto", "LcdP2"}, "bad digit: the new indicators, old digits"},
        {badHex, {"LCDHold", "LcdDc1", "LcdP3", "LcdV", "Lcdm"}, "bad character: panel unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        PanelRun run;
        run.feed(kMilliVoltsHeld);
        ASSERT_LT(run.feed(c.badFrame).progress, DecodeProgress::Complete);
        EXPECT_EQ(run.model.indicators().names(), c.indicatorsAfter);
        EXPECT_EQ(run.model.digitCaptions(), (Captions{"1", "2", "3", "4"}));
        EXPECT_EQ(run.model.axisMaximum(), 600);  // the 600 mV range of the frame before
        EXPECT_TRUE(run.model.linkAlive());
    }
}

TEST(LcdPanelModel, AxisAndBarMaximumFollowRangeChangesOnly)
{
    PanelRun run;
    run.model.setAxisBounds(-6000, 6000);         // start-up

    // No range row: the axis stays, and the first frame sets the bar from it.
    run.feed(kHertzNoPoint);
    EXPECT_EQ(run.model.axisMaximum(), 6000);
    EXPECT_TRUE(run.barTouched);
    EXPECT_EQ(run.model.barMaximum(), 6000);

    run.feed(kOverloadKiloOhm);
    EXPECT_EQ(run.model.axisMinimum(), -60);
    EXPECT_EQ(run.model.barMaximum(), 60);
    run.feed(kVolts);
    EXPECT_EQ(run.model.barMaximum(), 6);
    run.feed(kVolts);
    EXPECT_FALSE(run.barTouched);                 // same range: the bar is left alone
    run.feed(kTensOfVolts);
    EXPECT_TRUE(run.barTouched);
    EXPECT_EQ(run.model.barMaximum(), 60);
    run.feed(kHertzNoPoint);
    EXPECT_FALSE(run.barTouched);
    EXPECT_EQ(run.model.axisMaximum(), 60);
    EXPECT_EQ(run.model.axisMinimum(), -60);
}

TEST(LcdPanelModel, BarPositionIsTheSizeOfTheValueWithinTheBar)
{
    struct Case {
        double axisMaximum;
        double value;
        int expected;
        const char* note;
    };
    const Case cases[] = {
        {6000, -1234.9, 1234, "sign dropped, fraction cut off"},
        {6000, 0.99, 0, "below one"},
        {6, 6001, 6, "overload count beyond the bar: held at its maximum"},
        {6000, 1e300, 6000, "no int overflow"},
        {6000, -1e12, 6000, "no int overflow below zero either"},
        {6000, 0.5, 0, "a fraction is cut off"},
        {6000, -0.5, 0, "so is a negative one"},
        {6000, 6000.9, 6000, "up to the maximum itself"},
        {6000, std::nan(""), 0, "no number: empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        LcdPanelModel m;
        m.setAxisBounds(-c.axisMaximum, c.axisMaximum);
        m.applyBarGraphMaximum();
        m.showLoggedValue(c.value);
        EXPECT_EQ(m.barPosition(), c.expected);
    }
}

TEST(LcdPanelModel, WatchdogAndStartUpSetters)
{
    LcdPanelModel m;
    EXPECT_FALSE(m.linkAlive());                  // the layout shows "no frames"
    m.markLinkAlive();
    m.setLinkAlive(false);
    m.setDigitCaption(0, QStringLiteral("3"));
    EXPECT_FALSE(m.linkAlive());
    EXPECT_EQ(m.digitCaption(0), QStringLiteral("3"));
    EXPECT_THROW(m.setDigitCaption(4, QStringLiteral("1")), std::out_of_range);
}

} // namespace
