#pragma once
// Where the window gets decimal separators, the number format and the date and time.
// Tests set a "," separator, a fixed time or a 12-hour long time format.
#include <QDateTime>
#include <QLocale>
#include <QString>

class LocaleClock {
public:
    virtual ~LocaleClock() = default;
    virtual QLocale userLocale() const = 0;
    virtual QString userDecimalSeparator() const { return userLocale().decimalPoint(); }
    virtual QString systemDecimalSeparator() const = 0;
    virtual QDateTime now() const = 0;   // local date and time, with its offset from UTC
};

class SystemLocaleClock : public LocaleClock {
public:
    QLocale userLocale() const override { return QLocale::system(); }
    QString systemDecimalSeparator() const override { return QLocale::system().decimalPoint(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

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
