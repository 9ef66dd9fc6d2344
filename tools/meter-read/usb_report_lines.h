#pragma once
// USB input reports written as hex lines, one report a line (report ID first), taken from
// blocks of text as they are read: blank lines and lines starting with '#' are skipped, a line
// that is no report or longer than any report can be is said on standard error and skipped.
#include <QByteArray>
#include <QByteArrayView>

#include <functional>

class UsbReportLines {
public:
    using Report = std::function<void(quint8 reportId, const quint8* data, quint16 size)>;
    explicit UsbReportLines(Report report) : report_(std::move(report)) {}

    void take(const char* data, qint64 size);
    // The input ended: a last line without an ending is taken too.
    void finish();

private:
    void takeLine(QByteArrayView raw);

    Report report_;
    QByteArray pending_;
    bool skippingLongLine_ = false;
    long long lineNo_ = 0;
};
