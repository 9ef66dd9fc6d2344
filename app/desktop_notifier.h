#pragma once
// A desktop notification through the freedesktop notification service on the session bus. A
// desktop without that service (or a session without a bus) shows nothing, and nothing is
// said about it: the banner in the window shows the alarm all the same.
#include <QDBusConnection>
#include <QString>

class DesktopNotifier {
public:
    // The session bus of this desktop.
    DesktopNotifier();
    // Any bus, for tests.
    explicit DesktopNotifier(const QDBusConnection& bus);

    // Whether the bus has the service, as found when the notifier was made.
    bool available() const { return available_; }
    // Sends the notification without waiting for an answer; false when nothing was sent.
    bool notify(const QString& summary, const QString& body);

private:
    QDBusConnection bus_;
    bool available_ = false;
};
