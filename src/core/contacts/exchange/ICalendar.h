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
    void appendAppointment(QByteArray &out, const Appointment &appointment);
    void appendContact(QByteArray &out, const Contact &contact) const;
    static QByteArray end();

private:
    QString m_stamp;
    QSet<QByteArray> m_written; // hashes of the appointments written
};
} // namespace ICalendar
