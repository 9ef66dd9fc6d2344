#pragma once
// The window's locale and clock as a test sets them: a chosen locale and a time that stands
// still until the test moves it.
#include "app/locale_clock.h"

#include <utility>

class FixedLocaleClock : public LocaleClock {
public:
    explicit FixedLocaleClock(QLocale locale = QLocale::c(), QTime time = QTime(10, 15, 30))
        : locale_(std::move(locale)), now_(QDate(2026, 1, 15), time, Qt::UTC) {}
    QLocale userLocale() const override { return locale_; }
    QString systemDecimalSeparator() const override { return locale_.decimalPoint(); }
    QDateTime now() const override { return now_; }
    void setTime(QTime t) { now_.setTime(t); }
    void setNow(QDateTime at) { now_ = std::move(at); }
    void setLocale(QLocale l) { locale_ = std::move(l); }

private:
    QLocale locale_;
    QDateTime now_;
};
