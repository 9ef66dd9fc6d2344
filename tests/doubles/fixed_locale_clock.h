#pragma once
// The locale and clock as a test sets them: a chosen locale (and decimal separator) and a
// time that stands still until the test moves it.
#include "reading/locale_clock.h"

#include <utility>

class FixedLocaleClock : public LocaleClock {
public:
    explicit FixedLocaleClock(QLocale locale = QLocale::c(), QTime time = QTime(10, 15, 30))
        : locale_(std::move(locale)), now_(QDate(2026, 1, 15), time, Qt::UTC) {}
    QLocale userLocale() const override { return locale_; }
    QString userDecimalSeparator() const override
    {
        return separator_.isEmpty() ? LocaleClock::userDecimalSeparator() : separator_;
    }
    QString systemDecimalSeparator() const override { return locale_.decimalPoint(); }
    QDateTime now() const override { return now_; }
    void setTime(QTime t) { now_.setTime(t); }
    void setNow(QDateTime at) { now_ = std::move(at); }
    void setLocale(QLocale l) { locale_ = std::move(l); }
    void setDecimalSeparator(QString s) { separator_ = std::move(s); }   // empty: the locale's

private:
    QLocale locale_;
    QString separator_;
    QDateTime now_;
};
