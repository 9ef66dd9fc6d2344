#pragma once
// Where the window gets decimal separators, the number format and the date and time.
// Tests set a "," separator, a fixed time or a 12-hour long time format.
#include "pipeline/local_now.h"

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
    QDateTime now() const override { return now_(); }

private:
    mutable LocalNow now_;   // the window stamps rows on its own thread only
};
