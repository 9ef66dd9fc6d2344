// The display panel across frames: what each frame shows, what a failed frame leaves, and the
// bar graph maximum that follows range changes.
#include "decode/frame_decoder.h"
#include "decode/lcd_panel_model.h"

#include <gtest/gtest.h>

namespace {

// One frame as the serial link leaves it: sign, four digit bytes, a spare byte, the point
// code and four status bytes, then the carriage return.
QString frame(const char* digits, int pointCode, int s1, int s2, int s3, int s4, bool negative = false)
{
    QString text = negative ? QStringLiteral("2D") : QStringLiteral("2B");
    for (int i = 0; i < 4; ++i)
        text += QStringLiteral("3") + QLatin1Char(digits[i]);
    text += QStringLiteral("20");
    text += QStringLiteral("3%1").arg(pointCode);
    for (int s : {s1, s2, s3, s4})
        text += QStringLiteral("%1").arg(s, 2, 16, QLatin1Char('0')).toUpper();
    return text + QStringLiteral("0D");
}

// The window's frame handling as far as the panel is concerned, in its order.
class PanelRun {
public:
    DecodedFrame feed(const QString& frameText, bool dataDisplayChecked = false)
    {
        model.markLinkAlive();
        DecodedFrame f;
        DecodeInput in;
        in.frameText = frameText;
        in.fullScaleCount = fullScale_;
        in.previousReadingCount = previousCount_;
        bool complete = true;
        try {
            decodeFrameInto(in, f);
        } catch (const ConversionError&) {
            complete = false;
        }
        model.applyIndicators(f, dataDisplayChecked);
        model.applyDigitCaptions(f);
        model.applyRangeBounds(f);
        if (complete) {
            fullScale_ = f.fullScaleCount;
            previousCount_ = f.readingCount;
            barChangesBefore_ = model.changeCount();
            model.applyBarGraphMaximum();
            barChanged_ = model.changeCount() != barChangesBefore_;
            model.rememberAxisMaximum();
        }
        return f;
    }
    bool barTouched() const { return barChanged_; }

    LcdPanelModel model;

private:
    int fullScale_ = 6000;
    double previousCount_ = 0;
    std::uint64_t barChangesBefore_ = 0;
    bool barChanged_ = false;
};

const QString kVolts = frame("1234", 1, 0x30, 0, 0, 0x80);           // auto DC 1.234 V
const QString kMilliVoltsHeld = frame("1234", 4, 0x12, 0, 0x40, 0x80); // DC hold 123.4 mV
const QString kTensOfVolts = frame("1234", 2, 0x30, 0, 0, 0x80);     // auto DC 12.34 V
const QString kOverloadKiloOhm = QStringLiteral("2B3F303A3F203200002020000D");
const QString kHertzNoPoint = frame("1234", 0, 0x20, 0, 0, 0x08);    // no range row

TEST(LcdPanelModel, StartsWithTheLayoutState)
{
    LcdPanelModel m;
    EXPECT_TRUE(m.indicators().empty());
    EXPECT_FALSE(m.isShown(PanelExtra::LCDsend));
    EXPECT_FALSE(m.linkAlive());           // CONokN shown
    EXPECT_EQ(m.barMaximum(), 60);
    EXPECT_EQ(m.barPosition(), 30);
    EXPECT_EQ(m.axisMaximum(), 4100);
    EXPECT_EQ(m.axisMinimum(), -4100);
    EXPECT_EQ(m.lastAxisMaximum(), 0);
}

TEST(LcdPanelModel, EachFrameShowsExactlyItsOwnIndicators)
{
    PanelRun run;
    run.feed(kMilliVoltsHeld);
    EXPECT_TRUE(run.model.isShown(Indicator::Lcdm));
    EXPECT_TRUE(run.model.isShown(Indicator::LCDHold));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdP3));

    run.feed(frame("1234", 1, 0x00, 0, 0, 0x80));   // volt bit only, manual range
    EXPECT_EQ(run.model.indicators().names(), QStringList({"LcdP1", "LcdV"}));

    // The minus sign goes when a positive frame follows a negative one.
    run.feed(frame("1234", 1, 0x30, 0, 0, 0x80, true));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdFH));
    run.feed(kVolts);
    EXPECT_FALSE(run.model.isShown(Indicator::LcdFH));
}

TEST(LcdPanelModel, DiodeFrameShowsDiodeAndVolt)
{
    PanelRun run;
    run.feed(frame("0512", 1, 0x00, 0, 0x04, 0x00));
    EXPECT_TRUE(run.model.isShown(Indicator::LCDDI));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdV));
}

TEST(LcdPanelModel, PointCodeFourShowsOnlyTheThirdPoint)
{
    PanelRun run;
    run.feed(kVolts);                 // first point
    run.feed(kMilliVoltsHeld);        // point code 4
    EXPECT_FALSE(run.model.isShown(Indicator::LcdP1));
    EXPECT_FALSE(run.model.isShown(Indicator::LcdP2));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdP3));

    run.feed(frame("1234", 3, 0x30, 0, 0, 0x80));   // code 3 is no point at all
    EXPECT_FALSE(run.model.isShown(Indicator::LcdP3));
}

TEST(LcdPanelModel, DigitCaptionsIncludingOverload)
{
    PanelRun run;
    run.feed(kVolts);
    EXPECT_EQ(run.model.digitCaptions(), (std::array<QString, 4>{"1", "2", "3", "4"}));

    run.feed(kOverloadKiloOhm);
    EXPECT_EQ(run.model.digitCaptions(), (std::array<QString, 4>{"", "0", "@", ""}));
    EXPECT_TRUE(run.model.isShown(Indicator::LCDk));
    EXPECT_TRUE(run.model.isShown(Indicator::LCDohm));
    EXPECT_TRUE(run.model.isShown(Indicator::LcdP2));
}

TEST(LcdPanelModel, DataPictureAndMemoFollowTheFrames)
{
    PanelRun run;
    run.feed(kVolts, true);
    EXPECT_TRUE(run.model.isShown(PanelExtra::LCDsend));
    EXPECT_TRUE(run.model.isShown(PanelExtra::Memo2));
    run.feed(kVolts, false);
    EXPECT_TRUE(run.model.isShown(PanelExtra::LCDsend));   // stays from the first frame on
    EXPECT_FALSE(run.model.isShown(PanelExtra::Memo2));
    for (PanelExtra never : {PanelExtra::LcdRPM, PanelExtra::LCDBT, PanelExtra::EF})
        EXPECT_FALSE(run.model.isShown(never));
}

TEST(LcdPanelModel, FailedFramesApplyOnlyTheStepsTheyReached)
{
    struct Case {
        QString badFrame;
        const char* note;
        bool indicatorsCleared;
        bool newIndicatorsShown;
    };
    QString badPoint = kOverloadKiloOhm;
    badPoint[13] = QLatin1Char('A');              // point character not a decimal digit
    QString badDigit = frame("1234", 2, 0x20, 0, 0x20, 0x20);
    badDigit[7] = QLatin1Char('B');               // digit 3 is "B": no whole count
    QString badHex = kOverloadKiloOhm;
    badHex[20] = QLatin1Char('G');                // not a hexadecimal character at all

    const Case cases[] = {
        {badPoint, "bad point code: indicators dark, points and digits stay", true, false},
        {badDigit, "bad digit: indicators and points of the new frame, digits stay", true, true},
        {badHex, "bad character: nothing of the panel changes", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        PanelRun run;
        run.feed(kMilliVoltsHeld);
        const IndicatorSet before = run.model.indicators();
        const DecodedFrame f = run.feed(c.badFrame);
        ASSERT_LT(f.stepsDone, 22);

        EXPECT_EQ(run.model.digitCaptions(), (std::array<QString, 4>{"1", "2", "3", "4"}));
        EXPECT_EQ(run.model.axisMaximum(), 600);  // the axis of the frame before
        EXPECT_TRUE(run.model.linkAlive());
        if (c.newIndicatorsShown) {
            EXPECT_EQ(run.model.indicators().names(), QStringList({"LCDk", "LCDohm", "LcdAuto", "LcdP2"}));
        } else if (c.indicatorsCleared) {
            EXPECT_EQ(run.model.indicators().names(), QStringList({"LcdP3"}));
        } else {
            EXPECT_EQ(run.model.indicators(), before);
        }
    }
}

TEST(LcdPanelModel, RangeRowSetsTheAxisAndNoRowLeavesIt)
{
    PanelRun run;
    run.model.setAxisBounds(-6000, 6000);         // start-up
    run.feed(kOverloadKiloOhm);
    EXPECT_EQ(run.model.axisMaximum(), 60);
    EXPECT_EQ(run.model.axisMinimum(), -60);
    run.feed(kHertzNoPoint);
    EXPECT_EQ(run.model.axisMaximum(), 60);
    EXPECT_EQ(run.model.axisMinimum(), -60);
}

TEST(LcdPanelModel, BarMaximumFollowsOnlyRangeChanges)
{
    PanelRun run;
    run.model.setAxisBounds(-6000, 6000);

    // The first frame always sets it, since nothing was remembered before.
    run.feed(kHertzNoPoint);
    EXPECT_TRUE(run.barTouched());
    EXPECT_EQ(run.model.barMaximum(), 6000);

    run.feed(kVolts);
    EXPECT_EQ(run.model.barMaximum(), 6);
    run.feed(kVolts);
    EXPECT_FALSE(run.barTouched());              // same range, bar left alone
    run.feed(kTensOfVolts);
    EXPECT_TRUE(run.barTouched());
    EXPECT_EQ(run.model.barMaximum(), 60);
    run.feed(kHertzNoPoint);                     // no range row: axis and bar stay
    EXPECT_FALSE(run.barTouched());
    EXPECT_EQ(run.model.barMaximum(), 60);
    EXPECT_EQ(run.model.lastAxisMaximum(), 60);
}

TEST(LcdPanelModel, BarPositionIsTheSizeOfTheValueWithinTheBar)
{
    struct Case {
        double maximumAxis;
        double value;
        int expected;
        const char* note;
    };
    const Case cases[] = {
        {6000, -1234.9, 1234, "sign dropped, fraction cut off"},
        {6000, 0.99, 0, "below one"},
        {6, 6001, 6, "overload count beyond the bar: held at the maximum"},
        {6000, 1e300, 6000, "no int overflow"},
        {60, -0.0, 0, "negative zero"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        LcdPanelModel m;
        m.setAxisBounds(-c.maximumAxis, c.maximumAxis);
        m.applyBarGraphMaximum();
        m.showValueOnBar(c.value);
        EXPECT_EQ(m.barPosition(), c.expected);
    }
}

TEST(LcdPanelModel, LinkIndicatorAndNotifications)
{
    LcdPanelModel m;
    int calls = 0;
    m.setChangeHandler([&] { ++calls; });
    m.markLinkAlive();
    EXPECT_TRUE(m.linkAlive());
    EXPECT_EQ(calls, 1);
    m.setLinkAlive(false);                       // the watchdog: frames stopped
    EXPECT_FALSE(m.linkAlive());
    EXPECT_EQ(calls, 2);
    m.setDigitCaption(0, QStringLiteral("3"));   // start-up of a 3400-count model
    EXPECT_EQ(m.digitCaption(0), QStringLiteral("3"));
    EXPECT_EQ(calls, 3);
    EXPECT_THROW(m.setDigitCaption(4, QStringLiteral("1")), std::out_of_range);
}

} // namespace
