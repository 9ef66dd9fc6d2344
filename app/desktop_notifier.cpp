#include "app/desktop_notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
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

// The session's bus when it has one. Without an address or the usual socket nothing is
// launched: a bus started for one notification would have nobody showing it.
QDBusConnection sessionBusIfAny()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus"))))
        return QDBusConnection(QStringLiteral("no session bus"));
    return QDBusConnection::sessionBus();
}

} // namespace

DesktopNotifier::DesktopNotifier() : DesktopNotifier(sessionBusIfAny()) {}

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
