#include "DBusNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString openKey = QStringLiteral("open");
const QString snoozeKey = QStringLiteral("snooze");
constexpr int callTimeoutMs = 5000;

} // namespace

DBusNotifier::DBusNotifier(QDBusConnection bus, QObject *parent)
    : Notifier(parent)
    , m_bus(std::move(bus))
{
    if (m_bus.isConnected()) {
        m_bus.connect(
            service, path, interface, QStringLiteral("ActionInvoked"), this, SLOT(ActionInvoked(uint, QString)));
        m_bus.connect(
            service, path, interface, QStringLiteral("NotificationClosed"), this, SLOT(NotificationClosed(uint, uint)));
    }
}

quint32 DBusNotifier::show(const Notification &notification)
{
    if (!m_bus.isConnected()) {
        return 0;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    // "default" is what a click on the notification itself invokes.
    const QStringList actions{
        QStringLiteral("default"), actionText(Open), openKey, actionText(Open), snoozeKey, actionText(Snooze)};
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.example.morwinek"));
    call << QStringLiteral("Morwinek") << uint(0) << QStringLiteral("appointment-soon") << notification.title
         << notification.body << actions << hints << int(-1);
    if (++m_lastId == 0) {
        ++m_lastId; // 0 is no notification
    }
    const quint32 id = m_lastId;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, id, notification](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() || reply.value() == 0) {
            emit notShown(id, notification);
            return;
        }
        m_ours.insert(reply.value(), id);
    });
    return id;
}

void DBusNotifier::ActionInvoked(uint id, const QString &key)
{
    // The service tells every program about every notification; only ours are answered.
    const quint32 ours = m_ours.value(id);
    if (ours == 0) {
        return;
    }
    if (key == openKey || key == QLatin1String("default")) {
        emit actionChosen(ours, Open);
    } else if (key == snoozeKey) {
        emit actionChosen(ours, Snooze);
    }
}

void DBusNotifier::NotificationClosed(uint id, uint)
{
    m_ours.remove(id);
}
