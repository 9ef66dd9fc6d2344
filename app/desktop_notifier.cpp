#include "app/desktop_notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kShownMs = 10000;

bool hasService(const QDBusConnection& bus)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(kService);
    if (registered.isValid() && registered.value())
        return true;
    // A service the bus starts on the first call counts as well.
    const QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(kService);
}

} // namespace

DesktopNotifier::DesktopNotifier() : DesktopNotifier(QDBusConnection::sessionBus()) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus) : bus_(bus), available_(hasService(bus_)) {}

bool DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (!available_)
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));   // critical: an alarm
    call << QStringLiteral("meter-logger") << uint(0) << QStringLiteral("dialog-warning") << summary << body
         << QStringList() << hints << kShownMs;
    return bus_.send(call);
}
