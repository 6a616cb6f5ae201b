#pragma once

#include "core/alarms/Notifier.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QSystemTrayIcon;

// The window an alarm comes in where the desktop has neither a notification service nor a tray:
// the text and the two actions as buttons.
class AlarmWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AlarmWindow(const Notification &notification, QWidget *parent = nullptr);

    QLabel *Label_Tresc = nullptr;

signals:
    void chosen(Notifier::Action action);
};

// Notifications the way the desktop allows: its notification service when one answers, else the
// tray icon's message (clicking it opens the appointments), else an AlarmWindow.
class DesktopNotifier final : public Notifier
{
    Q_OBJECT
public:
    // service may be null; tray gives the tray icon, or null while there is none.
    DesktopNotifier(Notifier *service, std::function<QSystemTrayIcon *()> tray, QObject *parent = nullptr);

    quint32 show(const Notification &notification) override;
    // The tray's message was clicked while the last one shown there was ours.
    void trayMessageClicked();

private:
    // The tray icon's message, else an AlarmWindow.
    void showWithoutService(quint32 id, const Notification &notification);

    Notifier *m_service;
    std::function<QSystemTrayIcon *()> m_tray;
    quint32 m_lastId = 0;
    quint32 m_trayId = 0;
    QHash<quint32, quint32> m_fromService; // the service's id -> ours
};
