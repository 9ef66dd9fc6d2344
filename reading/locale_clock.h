#pragma once
// Where the window, meter-read and the journal get decimal separators, the number format and
// the date and time: one clock for all of them. Tests set a "," separator, a fixed time or a
// 12-hour long time format.
#include "log/log_time_text.h"
#include "reading/local_now.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <utility>

class LocaleClock {
public:
    virtual ~LocaleClock() = default;
    virtual QLocale userLocale() const = 0;
    virtual QString userDecimalSeparator() const { return userLocale().decimalPoint(); }
    virtual QString systemDecimalSeparator() const = 0;
    virtual QDateTime now() const = 0;   // local date and time, with its offset from UTC
    // The user locale's time separator, as rows' times are written.
    virtual QString timeSeparator() const { return timeSeparatorOf(userLocale()); }
};

class SystemLocaleClock : public LocaleClock {
public:
    // `decimalSeparator`, when given, stands for the user locale's (meter-read's option).
    explicit SystemLocaleClock(QString decimalSeparator = QString())
        : separator_(std::move(decimalSeparator)), timeSeparator_(timeSeparatorOf(QLocale::system()))
    {
    }
    QLocale userLocale() const override { return QLocale::system(); }
    QString userDecimalSeparator() const override
    {
        return separator_.isEmpty() ? LocaleClock::userDecimalSeparator() : separator_;
    }
    QString systemDecimalSeparator() const override { return QLocale::system().decimalPoint(); }
    QDateTime now() const override { return now_(); }
    // Found once: it is read for every row.
    QString timeSeparator() const override { return timeSeparator_; }

private:
    QString separator_;
    QString timeSeparator_;
    mutable LocalNow now_;   // rows are stamped on the owner's thread only
};
