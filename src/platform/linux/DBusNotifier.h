#pragma once

#include "core/alarms/Notifier.h"

#include <QDBusConnection>
#include <QHash>

// Notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), with the actions "Otwórz" and "Przypomnij za 10 minut".
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
    QHash<uint, quint32> m_ours; // the service's id -> the one show() gave
};
