#pragma once
// The limit judge: a high and a low limit typed by the user, the verdict on each reading, the
// 500 ms checks that put back the last good limit, and the key filter of the two limit edits.
// The window owns the edits, the disc and the timers; it forwards their events here and shows
// what this model says.
#include "decode/measurement.h"

#include <QObject>
#include <QString>

// Numbers typed by the user: a decimal number in the user locale's format, or this value
// when the text is not one. A text that reads as exactly this value counts as not a number.
constexpr double kNotANumber = -999999;

// Reads `text` as a decimal number with `decimalSeparator` (the first character counts):
// optional blanks around it, an optional sign, digits with at most one separator, an optional
// exponent. Anything else, including the other separator, gives kNotANumber.
double parseLocaleNumber(const QString& text, const QString& decimalSeparator);

// Replaces the first occurrence of the separator that is not the locale's ("," when the locale
// uses ".", "." otherwise) by the locale's separator.
QString normaliseSeparator(const QString& text, const QString& localeSeparator);

// The character a key types into a limit edit: "." and the keypad's decimal key stand for the
// locale's separator (a stored limit's "." is read the same way); any other key types itself.
QChar limitKeyCharacter(QChar typed, bool keypadDecimalKey, const QString& localeSeparator);

// Key filter of the limit edits: true keeps the typed character, false drops it.
// `selectedText` is the part of the edit that the character replaces (empty without selection).
bool acceptLimitKey(const QString& editText, const QString& selectedText, QChar key,
                    QChar systemSeparator, const QString& localeSeparator);

enum class LimitEdit { High, Low };   // T1HI with Timer1, T1LO with Timer4

class LimitJudge : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckDelayMs = 500;   // Timer1 and Timer4

    LimitJudge();

    // Decoder: limit normalisation before the frame is read.
    void normaliseLimits(const QString& localeSeparator);
    // Decoder: judge a reading, shown as `valueText`. Returns false when a limit is not a number
    // and the reading is not judged (verdict, JudgeText and colours keep their state).
    bool judge(const Measurement& reading, const QString& valueText, const QString& localeSeparator);

    // The text of a limit edit changed (T1HI, T1LO); its 500 ms check starts again.
    void limitEdited(LimitEdit e, const QString& text);
    // The 500 ms check of a limit (Timer1, Timer4): a text that is no number gets the last good one back.
    void checkLimit(LimitEdit e, const QString& localeSeparator);

    QString highText() const { return highText_; }         // T1HI
    QString lowText() const { return lowText_; }           // T1LO
    QString valueText() const { return valueText_; }       // T1VALUE
    QString limitCeilingText() const { return ceilingText_; }
    QString limitFloorText() const { return floorText_; }
    bool timerRunning(LimitEdit e) const { return e == LimitEdit::High ? timer1_ : timer4_; }

    // Both limits are numbers and the low one lies above the high one: every reading fails.
    bool limitsCrossed(const QString& localeSeparator) const;

    Verdict verdict() const { return verdict_; }             // None: nothing judged yet (tooltip colour, no caption)
    QString judgeCaption() const;                           // "Pass" / "Fail" / empty
    // Colour of T1VALUE, judge and Shape1 as 0xRRGGBB; only meaningful with a verdict.
    static constexpr unsigned kPassColour = 0x008000;
    static constexpr unsigned kFailColour = 0xFF0000;

signals:
    // The edit is to show `text`. Whoever shows it must not report it back as an edit (block
    // the edit's signals): the model already treats its own change as one.
    void textShown(LimitEdit e, const QString& text);
    // The edit's 500 ms check is to (re)start (true) or stop.
    void checkTimerSet(LimitEdit e, bool running);

private:
    QString& textOf(LimitEdit e) { return e == LimitEdit::High ? highText_ : lowText_; }
    void setTextFromModel(LimitEdit e, const QString& text);
    void setTimer(LimitEdit e, bool running);

    QString highText_ = QStringLiteral("6000");
    QString lowText_ = QStringLiteral("-6000");
    QString valueText_ = QStringLiteral("0");
    QString ceilingText_ = QStringLiteral("6000");
    QString floorText_ = QStringLiteral("-6000");
    bool timer1_ = false;
    bool timer4_ = false;
    Verdict verdict_ = Verdict::None;
};
