#pragma once

#include "core/appointments/Appointment.h"
#include "core/contacts/Contact.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

// The calendar for phones and calendar programs: an iCalendar file of all-day events.
namespace ICalendar {
// Each stored appointment on its day, and each contact's birthday, name day and wedding
// anniversary as a yearly event. Every event's UID comes from what it is, not from when it was
// written, so a second export updates the events of the first. stamp is the time of writing.
QByteArray write(const QList<Appointment> &appointments, const QList<Contact> &contacts, const QDateTime &stamp);
} // namespace ICalendar
