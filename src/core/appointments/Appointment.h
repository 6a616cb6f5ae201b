#pragma once

#include <QByteArray>
#include <QString>

// One entry of the appointments list: a stored appointment or a contact's name day, birthday or
// wedding anniversary. The date is the "dd.MM.yyyy" text.
struct Appointment
{
    QString date;
    QString person;
    QString place;
    QString description;

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

// The list's order: year, month and day of the date, then the person, compared as code page 1250
// bytes (no collation, case counts). -1 when a sorts before b, +1 otherwise, equal keys included.
int ListView1Compare(const Appointment &a, const Appointment &b);
QByteArray appointmentSortKey(const Appointment &appointment);
