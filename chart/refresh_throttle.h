#pragma once
// Runs a view's refresh from the event loop: once however many requests came in between, and
// no sooner than a minimum gap after the previous run. A flood of readings then costs the
// window a bounded number of redraws per second instead of one per event-loop pass, while a
// request after a quiet spell is served at the next pass as before.
#include <QElapsedTimer>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <functional>

class RefreshThrottle {
public:
    // Requests pending when the throttle goes are dropped with it.
    RefreshThrottle(int minimumGapMs, std::function<void()> refresh)
        : gapMs_(minimumGapMs), refresh_(std::move(refresh))
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { run(); });
    }
    RefreshThrottle(const RefreshThrottle&) = delete;
    RefreshThrottle& operator=(const RefreshThrottle&) = delete;

    void request()
    {
        if (pending_)
            return;
        pending_ = true;
        const qint64 since = last_.isValid() ? last_.elapsed() : gapMs_;
        if (since >= gapMs_)
            QMetaObject::invokeMethod(&timer_, [this] { run(); }, Qt::QueuedConnection);
        else
            timer_.start(int(std::max<qint64>(1, gapMs_ - since)));
    }
    bool pending() const { return pending_; }

private:
    void run()
    {
        if (!pending_)
            return;
        pending_ = false;
        timer_.stop();
        last_.start();
        refresh_();
    }

    int gapMs_;
    std::function<void()> refresh_;
    QTimer timer_;
    QElapsedTimer last_;
    bool pending_ = false;
};
