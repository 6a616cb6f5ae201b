#pragma once

#include "core/alarms/Notifier.h"

#include <QDBusConnection>
#include <QHash>

// Notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), with the actions "Otwórz" (also a click on it) and "Przypomnij za 10 minut". They
// stay until the user acts; one the service lets expire all the same is reported by notShown.
class DBusNotifier final : public Notifier
{
    Q_OBJECT
public:
    explicit DBusNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    // 0 when there is no bus. The service is asked without waiting for it: when it refuses, or
    // does not answer within a few seconds, notShown follows.
    quint32 show(const Notification &notification) override;

private slots:
    void ActionInvoked(uint id, const QString &key);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    quint32 m_lastId = 0;
    struct Shown
    {
        quint32 id = 0; // the one show() gave
        Notification notification;
    };
    QHash<uint, Shown> m_ours;    // by the service's id
    int m_waiting = 0;            // calls whose answer has not come
    QHash<uint, QString> m_early; // actions that came before the answer naming their notification
};
