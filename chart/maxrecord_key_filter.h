#pragma once
// Key filter for the page-size box Maxrecord: typed characters other than the digits and
// backspace are dropped silently. Keys that type nothing (arrows, Home, End, Delete) pass.
#include <QObject>

class MaxrecordKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
