#pragma once
// Where the window gets decimal separators, the number format and the time of day.
// Tests set a "," separator, a fixed time or a 12-hour long time format.
#include <QLocale>
#include <QString>
#include <QTime>

class LocaleClock {
public:
    virtual ~LocaleClock() = default;
    virtual QLocale userLocale() const = 0;
    virtual QString userDecimalSeparator() const { return userLocale().decimalPoint(); }
    virtual QString systemDecimalSeparator() const = 0;
    virtual QTime now() const = 0;
};

class SystemLocaleClock : public LocaleClock {
public:
    QLocale userLocale() const override { return QLocale::system(); }
    QString systemDecimalSeparator() const override { return QLocale::system().decimalPoint(); }
    QTime now() const override { return QTime::currentTime(); }
};

class FixedLocaleClock : public LocaleClock {
public:
    explicit FixedLocaleClock(QLocale locale = QLocale::c(), QTime time = QTime(10, 15, 30))
        : locale_(std::move(locale)), time_(time) {}
    QLocale userLocale() const override { return locale_; }
    QString systemDecimalSeparator() const override { return locale_.decimalPoint(); }
    QTime now() const override { return time_; }
    void setTime(QTime t) { time_ = t; }
    void setLocale(QLocale l) { locale_ = std::move(l); }

private:
    QLocale locale_;
    QTime time_;
};
