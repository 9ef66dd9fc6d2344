#include "reading/limit_judge.h"

#include "decode/measurement_text.h"
#include "decode/meter_value_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kDot = QStringLiteral(".");
const QString kComma = QStringLiteral(",");

// Judges a reading as the display shows it.
bool judgeShown(LimitJudge& j, const QString& valueText, const QString& separator)
{
    return j.judge(*measurementFromTexts(QString(), valueText, QString(), QString(), QString()), valueText, separator);
}

// Records what the model asks of the window.
struct WindowLog {
    std::vector<std::pair<LimitEdit, QString>> shown;
    std::vector<std::pair<LimitEdit, bool>> timers;

    void listen(LimitJudge& j)
    {
        QObject::connect(&j, &LimitJudge::textShown, [this](LimitEdit e, const QString& t) { shown.emplace_back(e, t); });
        QObject::connect(&j, &LimitJudge::checkTimerSet, [this](LimitEdit e, bool on) { timers.emplace_back(e, on); });
    }
};

}   // namespace

TEST(LimitNumberParsing, LocaleFormat)
{
    const struct {
        const char* text;
        const char* sep;
        double expected;
        const char* why;
    } cases[] = {
        {"1.234", ".", 1.234, "plain"},
        {"1,234", ",", 1.234, "comma locale"},
        {"1,234", ".", kNotANumber, "other separator is not a thousands mark"},
        {"1.234", ",", kNotANumber, "dot under a comma locale"},
        {"-6000", ".", -6000, "sign"},
        {"+2", ".", 2, "plus sign"},
        {" 7 ", ".", 7, "blanks around"},
        {".5", ".", 0.5, "no leading digit"},
        {"5.", ".", 5, "no trailing digit"},
        {"1e3", ".", 1000, "exponent"},
        {"1,5E-1", ",", 0.15, "exponent with comma"},
        {"", ".", kNotANumber, "empty"},
        {".", ".", kNotANumber, "separator alone"},
        {"-", ".", kNotANumber, "sign alone"},
        {"1.5.5", ".", kNotANumber, "two separators"},
        {"0.L", ".", kNotANumber, "overload text"},
        {"1e", ".", kNotANumber, "exponent without digits"},
        {"1e999", ".", kNotANumber, "overflows"},
        {"inf", ".", kNotANumber, "not a decimal number"},
        {"12a", ".", kNotANumber, "trailing letter"},
        {"-999999", ".", kNotANumber, "reads as the sentinel itself"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseLocaleNumber(QString::fromUtf8(c.text), QString::fromLatin1(c.sep)), c.expected) << c.why;
}

TEST(LimitNumberParsing, SeparatorNormalisation)
{
    EXPECT_EQ(normaliseSeparator(QStringLiteral("1.5"), kComma), QStringLiteral("1,5"));
    EXPECT_EQ(normaliseSeparator(QStringLiteral("1.5.5"), kComma), QStringLiteral("1,5.5"));   // first only
    EXPECT_EQ(normaliseSeparator(QStringLiteral("1,5"), kDot), QStringLiteral("1.5"));
    EXPECT_EQ(normaliseSeparator(QStringLiteral("1,5"), kComma), QStringLiteral("1,5"));
    EXPECT_EQ(normaliseSeparator(QString(), kDot), QString());
}

TEST(LimitKeyFilter, AcceptsOnlyNumberKeysAndOneSeparator)
{
    const QChar sys = QLatin1Char('.');
    const struct {
        const char* text;
        const char* selected;
        char key;
        bool keep;
        const char* why;
    } cases[] = {
        {"12", "", '5', true, "digit"},
        {"12", "", '\b', true, "backspace"},
        {"12", "", '-', true, "minus"},
        {"12", "", '+', true, "plus"},
        {"12", "", '\'', true, "apostrophe"},
        {"12", "", '`', true, "grave accent"},
        {"12", "", '.', true, "first separator"},
        {"1.2", "", '.', false, "second separator"},
        {"1.2", ".", '.', true, "separator typed over the selected one"},
        {"1.2", "", 'a', false, "letter"},
        {"12", "", ' ', false, "blank"},
        {"12", "", ',', false, "the other separator"},
        {"1.2", "", '\b', true, "backspace with a separator present"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(acceptLimitKey(QString::fromLatin1(c.text), QString::fromLatin1(c.selected),
                                 QLatin1Char(c.key), sys, kDot),
                  c.keep)
            << c.why;
}

TEST(LimitKeyFilter, CommaLocale)
{
    // System separator ",", user locale ",": a dot is not a number key there.
    EXPECT_TRUE(acceptLimitKey(QStringLiteral("1"), QString(), QLatin1Char(','), QLatin1Char(','), kComma));
    EXPECT_FALSE(acceptLimitKey(QStringLiteral("1,5"), QString(), QLatin1Char(','), QLatin1Char(','), kComma));
    EXPECT_FALSE(acceptLimitKey(QStringLiteral("1"), QString(), QLatin1Char('.'), QLatin1Char(','), kComma));
    // ... so the "." key and the keypad's decimal key type the locale's separator instead.
    EXPECT_EQ(limitKeyCharacter(QLatin1Char('.'), false, kComma), QLatin1Char(','));
    EXPECT_EQ(limitKeyCharacter(QLatin1Char(','), true, kDot), QLatin1Char('.'));
    EXPECT_EQ(limitKeyCharacter(QLatin1Char(','), false, kDot), QLatin1Char(',')) << "only the keypad's is taken";
}

TEST(LimitJudgeVerdict, InclusiveLimitsAndFailures)
{
    const struct {
        const char* high;
        const char* low;
        const char* value;
        Verdict verdict;
        const char* why;
    } cases[] = {
        {"6000", "-6000", "1.234", Verdict::Pass, "inside"},
        {"6000", "2", "1.234", Verdict::Fail, "below the low limit"},
        {"1.234", "-6000", "1.234", Verdict::Pass, "equal to the high limit"},
        {"6000", "1.234", "1.234", Verdict::Pass, "equal to the low limit"},
        {"1.2339", "-6000", "1.234", Verdict::Fail, "just above the high limit"},
        {"6000", "-6000", "0.L", Verdict::Fail, "overload"},
        {"1", "2", "1.5", Verdict::Fail, "high below low fails everything"},
        {"6000", "-6000", "-1.234", Verdict::Pass, "negative value"},
    };
    for (const auto& c : cases) {
        LimitJudge j;
        j.limitEdited(LimitEdit::High, QString::fromLatin1(c.high));
        j.limitEdited(LimitEdit::Low, QString::fromLatin1(c.low));
        EXPECT_TRUE(judgeShown(j, QString::fromLatin1(c.value), kDot)) << c.why;
        EXPECT_EQ(j.verdict(), c.verdict) << c.why;
        EXPECT_EQ(verdictText(j.verdict()), c.verdict == Verdict::Pass ? QStringLiteral("pass") : QStringLiteral("Fail")) << c.why;
        EXPECT_EQ(j.judgeCaption(), c.verdict == Verdict::Pass ? QStringLiteral("Pass") : QStringLiteral("Fail")) << c.why;
        EXPECT_EQ(j.valueText(), QString::fromLatin1(c.value)) << c.why;
    }
}

TEST(LimitJudgeVerdict, UnusableLimitSilencesTheJudge)
{
    for (const char* bad : {"", "-999999", "abc", "1.5.5"}) {
        LimitJudge j;
        ASSERT_TRUE(judgeShown(j, QStringLiteral("1.234"), kDot));
        ASSERT_EQ(j.verdict(), Verdict::Pass);

        j.limitEdited(LimitEdit::High, QString::fromLatin1(bad));
        EXPECT_FALSE(judgeShown(j, QStringLiteral("9999"), kDot)) << bad;   // would fail if judged
        EXPECT_EQ(j.verdict(), Verdict::Pass) << bad;
        EXPECT_EQ(verdictText(j.verdict()), QStringLiteral("pass")) << bad;
        EXPECT_EQ(j.valueText(), QStringLiteral("9999")) << "T1VALUE follows even when not judged";

        LimitJudge k;   // the low limit silences it the same way
        k.limitEdited(LimitEdit::Low, QString::fromLatin1(bad));
        EXPECT_FALSE(judgeShown(k, QStringLiteral("1"), kDot)) << bad;
        EXPECT_EQ(k.verdict(), Verdict::None);
        EXPECT_TRUE(verdictText(k.verdict()).isEmpty());
    }
}

TEST(LimitJudgeVerdict, CommaLocaleNormalisesTheLimitsAtTheNextFrame)
{
    LimitJudge j;
    WindowLog w;
    w.listen(j);
    j.limitEdited(LimitEdit::High, QStringLiteral("1.5"));
    j.limitEdited(LimitEdit::Low, QStringLiteral("1.5.5"));
    w.shown.clear();
    w.timers.clear();

    j.normaliseLimits(kComma);
    EXPECT_EQ(j.highText(), QStringLiteral("1,5"));
    EXPECT_EQ(j.lowText(), QStringLiteral("1,5.5"));
    ASSERT_EQ(w.shown.size(), 2u);
    EXPECT_EQ(w.shown[0], std::make_pair(LimitEdit::High, QStringLiteral("1,5")));
    EXPECT_TRUE(j.timerRunning(LimitEdit::High)) << "the rewrite counts as an edit";
    EXPECT_TRUE(j.timerRunning(LimitEdit::Low));

    // "1,5.5" is not a number: not judged.
    EXPECT_FALSE(judgeShown(j, QStringLiteral("1,2"), kComma));
    j.limitEdited(LimitEdit::Low, QStringLiteral("1,1"));
    EXPECT_TRUE(judgeShown(j, QStringLiteral("1,2"), kComma));
    EXPECT_EQ(j.verdict(), Verdict::Pass);
    EXPECT_TRUE(judgeShown(j, QStringLiteral("1,6"), kComma));
    EXPECT_EQ(j.verdict(), Verdict::Fail);

    // Already normal texts are left alone and do not count as edits.
    w.shown.clear();
    j.normaliseLimits(kComma);
    EXPECT_TRUE(w.shown.empty());
}

TEST(LimitJudgeChecks, BadLimitIsPutBackAfterTheDelay)
{
    LimitJudge j;
    WindowLog w;
    w.listen(j);

    j.limitEdited(LimitEdit::High, QStringLiteral("-999999"));
    EXPECT_TRUE(j.timerRunning(LimitEdit::High));
    EXPECT_FALSE(j.timerRunning(LimitEdit::Low));
    EXPECT_EQ(j.limitCeilingText(), QStringLiteral("6000")) << "only the check changes the accepted text";

    w.shown.clear();
    j.checkLimit(LimitEdit::High, kDot);
    EXPECT_EQ(j.highText(), QStringLiteral("6000"));
    ASSERT_EQ(w.shown.size(), 1u);
    EXPECT_EQ(w.shown[0], std::make_pair(LimitEdit::High, QStringLiteral("6000")));
    EXPECT_FALSE(j.timerRunning(LimitEdit::High)) << "the check runs once";
    ASSERT_FALSE(w.timers.empty());
    EXPECT_EQ(w.timers.back(), std::make_pair(LimitEdit::High, false));

    // A good text becomes the new accepted limit.
    j.limitEdited(LimitEdit::Low, QStringLiteral("-5"));
    w.shown.clear();
    j.checkLimit(LimitEdit::Low, kDot);
    EXPECT_TRUE(w.shown.empty());
    EXPECT_EQ(j.limitFloorText(), QStringLiteral("-5"));
    EXPECT_FALSE(j.timerRunning(LimitEdit::Low));

    // An emptied low limit goes back to that accepted text.
    j.limitEdited(LimitEdit::Low, QString());
    j.checkLimit(LimitEdit::Low, kDot);
    EXPECT_EQ(j.lowText(), QStringLiteral("-5"));
}

TEST(LimitJudgeChecks, CheckUsesTheLocaleSeparator)
{
    LimitJudge j;
    j.limitEdited(LimitEdit::High, QStringLiteral("2,5"));
    j.checkLimit(LimitEdit::High, kComma);
    EXPECT_EQ(j.limitCeilingText(), QStringLiteral("2,5"));
    j.limitEdited(LimitEdit::High, QStringLiteral("3,5"));
    j.checkLimit(LimitEdit::High, kDot);   // under a "." locale "3,5" is not a number
    EXPECT_EQ(j.highText(), QStringLiteral("2,5"));
}
