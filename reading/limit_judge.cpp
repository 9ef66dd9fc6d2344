#include "reading/limit_judge.h"

#include "decode/ascii_digit.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

}   // namespace

double parseLocaleNumber(const QString& text, const QString& decimalSeparator)
{
    const QChar sep = decimalSeparator.isEmpty() ? QLatin1Char('.') : decimalSeparator.at(0);
    int i = 0;
    const int n = text.size();
    while (i < n && isBlank(text.at(i)))
        ++i;
    std::string plain;   // the number rewritten with "." (every character checked is ASCII)
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        plain += char(text.at(i++).unicode());
    int digits = 0;
    while (i < n && isAsciiDigit(text.at(i))) {
        plain += char(text.at(i++).unicode());
        ++digits;
    }
    if (i < n && text.at(i) == sep) {
        plain += '.';
        ++i;
        while (i < n && isAsciiDigit(text.at(i))) {
            plain += char(text.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return kNotANumber;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            plain += char(text.at(i++).unicode());
        int expDigits = 0;
        while (i < n && isAsciiDigit(text.at(i))) {
            plain += char(text.at(i++).unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return kNotANumber;
    }
    while (i < n && isBlank(text.at(i)))
        ++i;
    if (i != n)
        return kNotANumber;
    double v = 0;
    const char* begin = plain.data() + (plain[0] == '+' ? 1 : 0);   // from_chars takes no plus sign
    const auto [end, error] = std::from_chars(begin, plain.data() + plain.size(), v);
    const bool ok = error == std::errc() && end == plain.data() + plain.size();
    return ok && std::isfinite(v) ? v : kNotANumber;
}

QString normaliseSeparator(const QString& text, const QString& localeSeparator)
{
    const QString other = localeSeparator == QLatin1String(".") ? QStringLiteral(",") : QStringLiteral(".");
    const int at = text.indexOf(other);
    if (at < 0)
        return text;
    QString out = text;
    out.replace(at, other.size(), localeSeparator);
    return out;
}

QChar limitKeyCharacter(QChar typed, bool keypadDecimalKey, const QString& localeSeparator)
{
    if (localeSeparator.isEmpty() || (!keypadDecimalKey && typed != QLatin1Char('.')))
        return typed;
    return localeSeparator.at(0);
}

bool acceptLimitKey(const QString& editText, const QString& selectedText, QChar key, QChar systemSeparator,
                    const QString& localeSeparator)
{
    // A second separator is refused; one that replaces the selected separator is not a second one.
    if (key == systemSeparator && editText.count(systemSeparator) > selectedText.count(systemSeparator))
        return false;
    // Backspace, apostrophe, sign characters, digits, grave accent and the locale's separator.
    static const QString allowed = QStringLiteral("\b'+-0123456789`");
    if (allowed.contains(key))
        return true;
    return !localeSeparator.isEmpty() && key == localeSeparator.at(0);
}

LimitJudge::LimitJudge() = default;

void LimitJudge::normaliseLimits(const QString& localeSeparator)
{
    for (LimitEdit e : {LimitEdit::High, LimitEdit::Low}) {
        const QString fixed = normaliseSeparator(textOf(e), localeSeparator);
        if (fixed != textOf(e))
            setTextFromModel(e, fixed);
    }
}

bool LimitJudge::judge(const Measurement& reading, const QString& valueText, const QString& localeSeparator)
{
    valueText_ = valueText;
    const double high = parseLocaleNumber(highText_, localeSeparator);
    if (high == kNotANumber)
        return false;
    const double low = parseLocaleNumber(lowText_, localeSeparator);
    if (low == kNotANumber)
        return false;
    // Limits are inclusive; a high limit below the low one fails every reading, and so does an overload.
    const bool pass = reading.isNumber() && reading.shown >= low && reading.shown <= high;
    verdict_ = pass ? Verdict::Pass : Verdict::Fail;
    return true;
}

QString LimitJudge::judgeCaption() const
{
    switch (verdict_) {
    case Verdict::Pass:
        return QStringLiteral("Pass");
    case Verdict::Fail:
        return QStringLiteral("Fail");
    case Verdict::None:
        break;
    }
    return QString();
}

void LimitJudge::limitEdited(LimitEdit e, const QString& text)
{
    textOf(e) = text;
    // Restarting makes the check run 500 ms after the last change.
    setTimer(e, false);
    setTimer(e, true);
}

void LimitJudge::setTextFromModel(LimitEdit e, const QString& text)
{
    // Stored before it is shown: whoever shows it looks at the pair of limits as it now is.
    limitEdited(e, text);
    emit textShown(e, text);
}

void LimitJudge::setTimer(LimitEdit e, bool running)
{
    (e == LimitEdit::High ? timer1_ : timer4_) = running;
    emit checkTimerSet(e, running);
}

void LimitJudge::checkLimit(LimitEdit e, const QString& localeSeparator)
{
    QString& accepted = e == LimitEdit::High ? ceilingText_ : floorText_;
    if (parseLocaleNumber(textOf(e), localeSeparator) == kNotANumber)
        setTextFromModel(e, accepted);
    accepted = textOf(e);
    setTimer(e, false);
}

bool LimitJudge::limitsCrossed(const QString& localeSeparator) const
{
    const double high = parseLocaleNumber(highText_, localeSeparator);
    const double low = parseLocaleNumber(lowText_, localeSeparator);
    return high != kNotANumber && low != kNotANumber && low > high;
}
