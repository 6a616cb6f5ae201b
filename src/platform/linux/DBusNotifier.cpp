#include "DBusNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <utility>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// A click on the notification itself invokes "default"; servers show it as a button (or a line
// of their menu, as dunst does) only where there is no such click, so "Otwórz" is offered once.
const QString openKey = QStringLiteral("default");
const QString snoozeKey = QStringLiteral("snooze");
constexpr int callTimeoutMs = 5000;
// Actions of notifications not known yet, kept while answers are awaited (other programs' too).
constexpr qsizetype maxEarly = 64;
// The reasons NotificationClosed gives.
constexpr uint closedExpired = 1;
// A reminder stays until the user acts: it never expires, and its urgency is the one whose
// notifications servers keep on screen even where they ignore the timeout.
constexpr int neverExpires = 0;
constexpr uchar urgencyCritical = 2;

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
    const QStringList actions{openKey, actionText(Open), snoozeKey, actionText(Snooze)};
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgencyCritical));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.example.morwinek"));
    call << QStringLiteral("Morwinek") << uint(0) << QStringLiteral("appointment-soon") << notification.title
         << notification.body << actions << hints << neverExpires;
    if (++m_lastId == 0) {
        ++m_lastId; // 0 is no notification
    }
    const quint32 id = m_lastId;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    ++m_waiting;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, id, notification](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        const QHash<uint, QString> early = --m_waiting == 0 ? std::exchange(m_early, {}) : m_early;
        if (reply.isError() || reply.value() == 0) {
            emit notShown(id, notification);
            return;
        }
        m_ours.insert(reply.value(), {id, notification});
        if (early.contains(reply.value())) {
            m_early.remove(reply.value());
            ActionInvoked(reply.value(), early.value(reply.value()));
        }
    });
    return id;
}

void DBusNotifier::ActionInvoked(uint id, const QString &key)
{
    // The service tells every program about every notification; only ours are answered.
    const quint32 chosen = m_ours.take(id).id;
    if (chosen == 0) {
        // The signal may come before the answer that names the notification (a click at once):
        // while answers are awaited, it is kept for them.
        if (m_waiting > 0 && m_early.size() < maxEarly) {
            m_early.insert(id, key);
        }
        return;
    }
    // The user acted, so the reminder goes; a service that keeps a notification after its action
    // (dunst's menu, a keyboard shortcut) is asked to close it.
    QDBusMessage close = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CloseNotification"));
    close << id;
    m_bus.send(close);
    if (key == openKey) {
        emit actionChosen(chosen, Open);
    } else if (key == snoozeKey) {
        emit actionChosen(chosen, Snooze);
    }
}

void DBusNotifier::NotificationClosed(uint id, uint reason)
{
    const Shown shown = m_ours.take(id);
    // A server that lets it expire all the same took it away before the user acted.
    if (shown.id != 0 && reason == closedExpired) {
        emit notShown(shown.id, shown.notification);
    }
}
