#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

// One message for the user outside the program's windows: an alarm, the missed alarms, or the day's
// dates. Title and body are plain text; the body may hold line breaks.
struct Notification
{
    QString title;
    QString body;
};

// Where notifications go: the desktop's notification service, or a small window. Each offers the
// actions "Otwórz" and "Przypomnij za 10 minut" and stays until the user acts.
class Notifier : public QObject
{
    Q_OBJECT
public:
    enum Action
    {
        Open,
        Snooze
    };
    using QObject::QObject;

    // Shows the notification; the answer names it in actionChosen, 0 when it could not be shown
    // (no service), so the caller can try another way. It never waits for a service: one that
    // answers later that it could not show it (or never answers) reports it by notShown.
    virtual quint32 show(const Notification &notification) = 0;

    static QString actionText(Action action)
    {
        return action == Open ? QStringLiteral("Otwórz") : QStringLiteral("Przypomnij za 10 minut");
    }

signals:
    void actionChosen(quint32 id, Notifier::Action action);
    // A notification show() took was not shown after all, or went before the user acted.
    void notShown(quint32 id, const Notification &notification);
};

// A timer to a moment of the wall clock. The plain one counts the time the computer is awake, so
// after a sleep it comes late; a system one may fire at the wall-clock moment and report clock
// changes, and the scheduler re-plans on either.
class WakeTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Replaces any moment armed before; wait is how long that is from now by the wall clock.
    virtual void arm(const QDateTime &at, qint64 waitMs) = 0;

signals:
    void fired();
    // The wall clock was set (by hand, by time sync): any planned moment may be wrong now.
    void clockChanged();
};
