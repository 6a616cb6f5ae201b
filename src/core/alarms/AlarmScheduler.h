#pragma once

#include "Notifier.h"

#include "core/appointments/Appointment.h"
#include "core/appointments/AppointmentTimes.h"

#include <QDateTime>
#include <QHash>
#include <QList>

#include <functional>
#include <memory>

class Clock;

// An alarm of a stored appointment: its record (the identity the side file keys it by), the
// appointment with its time, and the moment it is due.
struct PlannedAlarm
{
    QString record;
    Appointment appointment;
    // The moment as minutes of the wall clock (day number * 1440 + minute of the day): compared in
    // thousands, local date-times would each ask the system for the time zone.
    qint64 minute = 0;

    QDateTime at() const;
    // "yyyy-MM-ddTHH:mm", as the side file remembers a shown alarm.
    QString moment() const;
};

namespace Alarms {
qint64 wallMinute(const QDateTime &at);
// The alarms of the appointments file of dataDir that build() would keep for today and range,
// sorted by their moment; times holds the side file afterwards. False with the system's text when
// a file exists but cannot be read.
[[nodiscard]] bool read(const QString &dataDir,
                        const QDate &today,
                        int range,
                        QList<PlannedAlarm> *alarms,
                        AppointmentTimes *times,
                        QString *error);
// The first alarm after the moment that was not shown; null when there is none.
const PlannedAlarm *nextAfter(const QList<PlannedAlarm> &alarms, const AppointmentTimes &times, const QDateTime &after);
// "24.12.2026 14:30-15:15 Dentysta", then "Jan Kowalski - Kraków" where there is a person or place.
QString describe(const Appointment &appointment);
// The notification of the day's dates as the start-up reminder's list holds them; empty when there
// are none. Long lists are cut with a count of the rest.
Notification dayNotification(const QList<Appointment> &entries);
} // namespace Alarms

// Brings alarms and the day's dates to the user while the organiser runs. One timer stands at the
// next moment anything is due (an alarm, a snoozed alarm, midnight); nothing polls. When it fires
// later than it should by the wall clock (the computer slept) or the clock was set, everything
// due meanwhile is shown together, once. Shown alarms and the announced day are kept in the side
// file, so no alarm and no day comes twice, whatever restarts come between.
class AlarmScheduler : public QObject
{
    Q_OBJECT
public:
    // wakeTimer may be null: a plain timer is used then. The range is read at each plan.
    AlarmScheduler(const Clock &clock,
                   QString dataDir,
                   std::function<int()> range,
                   Notifier &notifier,
                   WakeTimer *wakeTimer = nullptr,
                   QObject *parent = nullptr);
    ~AlarmScheduler() override;

    // The start of the program: the start-up reminder stands for today's announcement, alarms missed
    // while the program was not running are shown together, and the timer is set.
    void start();
    // The timer's moment came, or the files were changed: reads them again, shows what is due and
    // sets the timer anew. With wake true the computer woke or the clock was set: whatever is due
    // is shown together, as missed, and the day's dates are announced if not yet.
    void check(bool wake = false);
    // The monotonic time in milliseconds; a test sets its own so a sleep can be played.
    void setMonotonic(std::function<qint64()> monotonic) { m_monotonic = std::move(monotonic); }

    // Where the timer stands; null when nothing is planned.
    QDateTime nextDue() const { return m_nextDue; }
    // A read or write of the files failed; the text of the last failure.
    const QString &lastError() const { return m_error; }

signals:
    // The user chose "Otwórz" on a notification.
    void openRequested();

private:
    void timerFired();
    void load();
    void showDue(bool wake);
    void announceDay();
    // One write of the side file for what was marked, then the notifications.
    void showPending();
    void arm();
    void onAction(quint32 id, Notifier::Action action);
    void save();

    const Clock &m_clock;
    QString m_dataDir;
    std::function<int()> m_range;
    Notifier &m_notifier;
    std::unique_ptr<WakeTimer> m_ownTimer;
    WakeTimer *m_timer;
    std::function<qint64()> m_monotonic;

    QList<PlannedAlarm> m_alarms;
    AppointmentTimes m_times;
    QDate m_announcedHere; // the day the start-up reminder or an announcement stood for
    QList<std::pair<QDateTime, Notification>> m_snoozed;
    QHash<quint32, Notification> m_shownNotes;
    QDateTime m_nextDue;
    QDateTime m_plannedWall;
    qint64 m_plannedMonotonic = 0;
    QString m_error;
    QList<Notification> m_pending;
    bool m_marked = false;
};
