#pragma once
// Runs the event loop until a condition holds, for tests whose events come from other
// threads or from the system; false when the time is up.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

template <typename Pred>
bool waitFor(Pred done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
