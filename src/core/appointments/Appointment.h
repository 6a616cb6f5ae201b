#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTime>

// A stored appointment's time of day and alarm. Without a start time the appointment is an
// all-day one. The alarm is given in minutes before the start; noAlarm when there is none.
struct AppointmentTime
{
    static constexpr int noAlarm = -1;

    QTime start;
    QTime end;
    int alarmMinutes = noAlarm;

    bool isTimed() const { return start.isValid(); }
    bool isEmpty() const { return !start.isValid() && !end.isValid() && alarmMinutes == noAlarm; }
    bool hasAlarm() const { return start.isValid() && alarmMinutes >= 0; }
    // The moment the alarm is due on the given day; invalid when there is no alarm.
    QDateTime alarmAt(const QDate &day) const
    {
        return hasAlarm() ? QDateTime(day, start).addSecs(-60LL * alarmMinutes) : QDateTime();
    }
    bool operator==(const AppointmentTime &) const = default;
};

// One entry of the appointments list: a stored appointment or a contact's name day, birthday or
// wedding anniversary. The date is the "dd.MM.yyyy" text.
struct Appointment
{
    QString date;
    QString person;
    QString place;
    QString description;
    // Kept beside the record, never in it; empty for contact dates.
    AppointmentTime time = {};

    bool operator==(const Appointment &) const = default;
};

// The 190-character line of "Morwinek.term": date, person, place and description, each padded
// with blanks to its width and cut to it, without separators.
namespace AppointmentRecord {
inline constexpr int dateWidth = 10;
inline constexpr int personWidth = 30;
inline constexpr int placeWidth = 50;
inline constexpr int descriptionWidth = 100;
inline constexpr int width = dateWidth + personWidth + placeWidth + descriptionWidth;

// The texts are taken as they stand, not trimmed; line breaks and NULs become blanks.
QString encode(const Appointment &appointment);
// Each field trimmed; fields past the end of a short line are empty.
Appointment decode(const QString &line);
} // namespace AppointmentRecord

// The list's order: year, month and day of the date, then all-day before timed entries and
// timed ones by their start, then the person, compared as code page 1250
// bytes (no collation, case counts). -1 when a sorts before b, +1 otherwise, equal keys included.
int ListView1Compare(const Appointment &a, const Appointment &b);
QByteArray appointmentSortKey(const Appointment &appointment);
