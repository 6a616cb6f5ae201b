#pragma once

#include "core/appointments/Appointment.h"
#include "core/contacts/Contact.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>

// The calendar for phones and calendar programs: an iCalendar file of all-day events.
namespace ICalendar {
// Each stored appointment on its day, and each contact's birthday, name day and wedding
// anniversary as a yearly event. Every event's UID comes from what it is, not from when it was
// written, so a second export updates the events of the first. stamp is the time of writing.
QByteArray write(const QList<Appointment> &appointments, const QList<Contact> &contacts, const QDateTime &stamp);

// The same file in pieces, for one written as it is made: begin(), each appointment, then each
// contact, then end().
class Writer
{
public:
    explicit Writer(const QDateTime &stamp);

    static QByteArray begin();
    // Each appointment once, under the UID made of what it is.
    void appendAppointment(QByteArray &out, const Appointment &appointment);
    // The appointment under the given UID, even when written before.
    void appendAppointment(QByteArray &out, const Appointment &appointment, const QString &uid) const;
    void appendContact(QByteArray &out, const Contact &contact) const;
    static QByteArray end();

private:
    QString m_stamp;
    QSet<QString> m_written;            // UIDs of the appointments written
    mutable bool m_zoneWritten = false; // the time zone of timed events, written before the first
};

// --- one appointment as one event, for the export and the sync alike ---

// The UID of a stored appointment, made of what it is: "termin-<hash>@morwinek".
QString appointmentUid(const Appointment &appointment);
// "Person: description", either alone, or "Termin" for an appointment with neither.
QString appointmentSummary(const Appointment &appointment);
// A calendar object of one event: an all-day one on the appointment's day, or for a timed
// appointment DTSTART and DTEND in Europe/Warsaw with that zone's VTIMEZONE, and a VALARM for its
// alarm. SUMMARY as above, LOCATION the place, the person also in X-MORWINEK-OSOBA so that it
// comes back exactly.
QByteArray appointmentEvent(const Appointment &appointment, const QString &uid, const QDateTime &stamp);

enum class EventKind
{
    Usable,
    Recurring, // left alone and counted as skipped
    Invalid
};
// The first event of a calendar object as an appointment on its start day (a timed event on its
// local day), brought to the stored widths. Properties of an event's alarms are not the event's.
// A timed event (in a zone, in UTC or floating) gives its local start and end time of day, and its
// first alarm the minutes before the start; an all-day event gives no time.
EventKind readEvent(const QByteArray &text, Appointment *appointment, QString *uid);

// The event text with only what changed from the appointment it reads as to now replaced: SUMMARY
// and X-MORWINEK-OSOBA for the person or description, LOCATION for the place, for another day
// DTSTART and DTEND moved by whole days, keeping their time of day, zone and form; for another time
// of day DTSTART and DTEND set to it in their zone and form (an all-day event becomes one in
// Europe/Warsaw, a timed one without a time here an all-day one), and for another alarm the first
// VALARM's TRIGGER (a VALARM added, or all of them gone without an alarm here). Every other
// line (time zones, alarms, descriptions, other properties, line breaks) stays byte for byte.
// An empty or unreadable text gives a new event with the UID.
QByteArray patchEvent(const QByteArray &text, const Appointment &now, const QString &uid, const QDateTime &stamp);

// --- pieces of timed events ---

// The VTIMEZONE of Europe/Warsaw, the zone timed appointments are written in.
QByteArray warsawZone();
// A local moment as a value in Europe/Warsaw ("20261209T143000"), for DTSTART;TZID=Europe/Warsaw.
QByteArray warsawValue(const QDateTime &local);
// The local end of a timed appointment on that day: its end time, on the next day when not after
// the start; the start itself without an end time.
QDateTime endOf(const QDate &day, const AppointmentTime &time);
// A VALARM that shows the summary the given minutes before the start.
QByteArray alarmComponent(int minutesBefore, const QString &summary);
} // namespace ICalendar
