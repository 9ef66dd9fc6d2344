#pragma once
// What the top bar says about the link in use: that no frames arrive and since when, that its
// port was lost and is waited for, and how many bytes were dropped as an overrun. Plain
// state: the window tells it what happened and shows its text.
#include <QDateTime>
#include <QString>

class LinkStatus {
public:
    enum class Change { None, Opened, Closed };
    // The link `source` ("COM1", "the USB cable": named within a sentence) began or stopped
    // receiving, or stayed as it was. One link is open at a time: the close of one that is not
    // the open one changes nothing. `droppedSoFar` is the overrun count at this moment; the
    // text counts from here.
    Change receiving(const QString& source, bool receiving, const QDateTime& at, long long droppedSoFar = 0);

    // A frame arrived. True when that ends a silence: the text changes.
    bool frameArrived(const QDateTime& at);
    // The watchdog found no frames.
    void silent() { silent_ = open_; }
    void lost(const QDateTime& at);
    void regained(const QDateTime& at);
    // The overrun count now; true when the text changes.
    bool droppedBytes(long long total);

    // Empty while there is nothing to say. Times are hh:mm:ss with `timeSeparator`.
    QString text(const QString& timeSeparator) const;

private:
    QString source_;
    bool open_ = false;
    bool silent_ = false;
    bool lost_ = false;
    QDateTime lastData_;   // the last frame, or when the link was opened or regained
    QDateTime lostAt_;
    long long droppedBase_ = 0;
    long long dropped_ = 0;
};
