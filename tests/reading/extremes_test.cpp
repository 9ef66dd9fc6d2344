#include "reading/extremes.h"

#include <gtest/gtest.h>

namespace {

// A reading and the full scale that stood before it.
struct Frame {
    Reading r;
    int fullScaleCount = 6000;
};

Frame volts(const char* text, double count, int point = 1, const char* unit = "V")
{
    Frame in;
    in.r.valueText = QString::fromLatin1(text);
    in.r.readingCount = count;
    in.r.functionText = QStringLiteral("DC");
    in.r.unitText = QString::fromLatin1(unit);
    in.r.pointPosition = point;
    return in;
}

ExtremesLabels update(Extremes& x, const Frame& f)
{
    x.update(f.r, f.fullScaleCount);
    return x.labels();
}

}   // namespace

TEST(ExtremesTracking, FirstFrameAfterStartUp)
{
    // Without a point the first frame is at once maximum and minimum.
    Extremes noPoint(6000);
    int resets = 0;
    noPoint.setShowSeries([&] { ++resets; });
    EXPECT_EQ(noPoint.maxSeen(), -6001.0f);
    EXPECT_EQ(noPoint.minSeen(), 6001.0f);
    const ExtremesLabels a = update(noPoint, volts("0123", 123, 0));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(a.maxText, QStringLiteral("0123"));
    EXPECT_EQ(a.minText, QStringLiteral("0123"));
    EXPECT_EQ(a.unit, QStringLiteral("V"));
    EXPECT_EQ(noPoint.extremesUnit(), QStringLiteral("V"));

    // With a point it is not: the point moved from 0.
    Extremes withPoint(4000);
    int resets2 = 0;
    withPoint.setShowSeries([&] { ++resets2; });
    const ExtremesLabels b = update(withPoint, volts("1.234", 1234));
    EXPECT_EQ(resets2, 2);
    EXPECT_TRUE(b.maxText.isEmpty());
    EXPECT_TRUE(b.minText.isEmpty());
    EXPECT_EQ(withPoint.maxSeen(), -6000.0f);
    EXPECT_EQ(withPoint.minSeen(), 6000.0f);
    EXPECT_EQ(withPoint.extremesPoint(), 1);
}

TEST(ExtremesTracking, ReadingsOfOneRange)
{
    Extremes x(6000);
    update(x, volts("0.000", 0));   // first frame: point moved from 0, nothing counted
    int resets = 0;
    x.setShowSeries([&] { ++resets; });
    ExtremesLabels l;
    for (auto r : {std::make_pair("1.000", 1000.0), {"2.000", 2000.0}, {"0.500", 500.0}})
        l = update(x, volts(r.first, r.second));
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(l.maxText, QStringLiteral("2.000"));
    EXPECT_EQ(l.minText, QStringLiteral("0.500"));
    EXPECT_EQ(x.maxSeen(), 2000.0f);
    EXPECT_EQ(x.minSeen(), 500.0f);

    // Ties update the text: the latest of equal readings is the one shown.
    l = update(x, volts("2.00O", 2000));
    EXPECT_EQ(l.maxText, QStringLiteral("2.00O"));
}

TEST(ExtremesTracking, UnitOrFunctionChangeResetsAndCountsTheReading)
{
    Extremes x(6000);
    update(x, volts("1.000", 1000));
    update(x, volts("2.000", 2000));
    int resets = 0;
    x.setShowSeries([&] { ++resets; });

    ExtremesLabels l = update(x, volts("1.500", 1500, 1, "mV"));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(l.maxText, QStringLiteral("1.500"));
    EXPECT_EQ(l.minText, QStringLiteral("1.500"));
    EXPECT_EQ(l.unit, QStringLiteral("mV"));

    Frame ac = volts("1.400", 1400, 1, "mV");
    ac.r.functionText = QStringLiteral("AC");
    l = update(x, ac);
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(x.extremesFunction(), QStringLiteral("AC"));
    EXPECT_EQ(l.maxText, QStringLiteral("1.400"));
}

TEST(ExtremesTracking, OverloadAfterResetKeepsTheOldTextOnOneSide)
{
    Extremes x(6000);
    update(x, volts("1.000", 1000));   // first frame: the point moved from 0, not counted
    update(x, volts("2.000", 2000));
    Frame ol = volts("0.L", 6001, 1, "k*");
    ol.r.functionText = QStringLiteral("OHM");
    const ExtremesLabels l = update(x, ol);
    EXPECT_EQ(x.maxSeen(), 6001.0f);
    EXPECT_EQ(l.maxText, QStringLiteral("0.L"));
    EXPECT_EQ(x.minSeen(), 6000.0f) << "a positive overload does not reach the minimum";
    EXPECT_EQ(l.minText, QStringLiteral("2.000"));
    EXPECT_EQ(l.unit, QStringLiteral("k*")) << "tracked under the stored text; the window shows it as k\u03A9";

    Frame neg = ol;
    neg.r.readingCount = -6001;
    neg.r.unitText = QStringLiteral("M*");
    const ExtremesLabels m = update(x, neg);
    EXPECT_EQ(x.maxSeen(), -6000.0f);
    EXPECT_EQ(m.maxText, QStringLiteral("0.L")) << "old text kept";
    EXPECT_EQ(x.minSeen(), -6001.0f);
}

TEST(ExtremesTracking, PointChangeKeepsOldTextsForOneFrame)
{
    Extremes x(6000);
    update(x, volts("0.000", 0));   // first frame: the point moved from 0, not counted
    update(x, volts("1.000", 1000));   // 6 V range
    update(x, volts("5.000", 5000));
    update(x, volts("3.000", 3000));
    int resets = 0;
    x.setShowSeries([&] { ++resets; });

    ExtremesLabels l = update(x, volts("12.00", 1200, 2));   // 60 V range: the point moves
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(l.maxText, QStringLiteral("5.000"));
    EXPECT_EQ(l.minText, QStringLiteral("1.000"));
    EXPECT_EQ(x.maxSeen(), -6000.0f);
    EXPECT_EQ(x.minSeen(), 6000.0f);

    l = update(x, volts("13.00", 1300, 2));
    EXPECT_EQ(resets, 2);
    EXPECT_EQ(l.maxText, QStringLiteral("13.00"));
    EXPECT_EQ(l.minText, QStringLiteral("13.00"));
}

TEST(ExtremesTracking, ResetUsesTheFullScaleFromBeforeTheFrame)
{
    Extremes x(6000);
    Frame hz = volts("1.000", 1000, 1, "Hz");
    hz.r.functionText = QStringLiteral("Freq");
    hz.fullScaleCount = 6000;   // the first hertz frame still sees the volt full scale
    update(x, hz);
    EXPECT_EQ(x.maxSeen(), -6000.0f);
    hz.fullScaleCount = 1000;
    hz.r.unitText = QStringLiteral("%");
    hz.r.pointPosition = 2;
    update(x, hz);
    EXPECT_EQ(x.maxSeen(), -1000.0f);
    EXPECT_EQ(x.minSeen(), 1000.0f);
}
