#pragma once

#include "core/alarms/Notifier.h"

#include <QHash>
#include <QWidget>

class QLabel;

// The window an alarm comes in where the desktop has no notification service (or it let the
// notification go before the user acted): the text and the two actions as buttons. It stays
// until the user closes it or chooses one.
class AlarmWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AlarmWindow(const Notification &notification, QWidget *parent = nullptr);

    QLabel *Label_Tresc = nullptr;

signals:
    void chosen(Notifier::Action action);
};

// Notifications the way the desktop allows: its notification service when one answers, else an
// AlarmWindow. The tray icon's message is no place for them: it goes after a few seconds and has
// no buttons.
class DesktopNotifier final : public Notifier
{
    Q_OBJECT
public:
    // service may be null.
    explicit DesktopNotifier(Notifier *service, QObject *parent = nullptr);

    quint32 show(const Notification &notification) override;

private:
    void showWindow(quint32 id, const Notification &notification);

    Notifier *m_service;
    quint32 m_lastId = 0;
    QHash<quint32, quint32> m_fromService; // the service's id -> ours
};
