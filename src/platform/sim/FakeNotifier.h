#pragma once

#include "core/alarms/Notifier.h"

#include <QDateTime>
#include <QList>

// Keeps what it was asked to show; the test plays the user's choice with choose().
class FakeNotifier final : public Notifier
{
public:
    QList<Notification> shown;
    bool answering = true; // false plays a desktop where no notification service answers

    quint32 show(const Notification &notification) override
    {
        if (!answering) {
            return 0;
        }
        shown.append(notification);
        return static_cast<quint32>(shown.size());
    }
    void choose(quint32 id, Action action) { emit actionChosen(id, action); }
    // Plays a service that took the notification and then did not show it.
    void refuse(quint32 id) { emit notShown(id, shown.at(id - 1)); }
};

// A timer that fires only when the test says so; it remembers where it was armed.
class FakeWakeTimer final : public WakeTimer
{
public:
    QDateTime armedAt;
    void arm(const QDateTime &at, qint64) override { armedAt = at; }
    void fire() { emit fired(); }
    void setClock() { emit clockChanged(); }
};
