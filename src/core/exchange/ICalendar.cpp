#include "ICalendar.h"

#include "ContentLines.h"
#include "ExchangeContact.h"

#include "core/common/DateText.h"

#include <QSet>
#include <QTimeZone>

namespace {

using namespace Qt::StringLiterals;

QString dateValue(const QDate &date)
{
    return date.toString(u"yyyyMMdd"_s);
}

void appendEvent(QByteArray &out,
                 const QString &uid,
                 const QString &stamp,
                 const QDate &day,
                 const QString &summary,
                 const QString &location,
                 const QString &rule,
                 const QString &person = {},
                 const AppointmentTime *time = nullptr)
{
    out.append("BEGIN:VEVENT\r\n");
    ContentLines::append(out, u"UID:"_s + uid);
    ContentLines::append(out, u"DTSTAMP:"_s + stamp);
    if (time && time->isTimed()) {
        out += "DTSTART;TZID=Europe/Warsaw:" + ICalendar::warsawValue(QDateTime(day, time->start)) + "\r\n";
        out += "DTEND;TZID=Europe/Warsaw:" + ICalendar::warsawValue(ICalendar::endOf(day, *time)) + "\r\n";
    } else {
        ContentLines::append(out, u"DTSTART;VALUE=DATE:"_s + dateValue(day));
        ContentLines::append(out, u"DTEND;VALUE=DATE:"_s + dateValue(day.addDays(1)));
    }
    if (!rule.isEmpty()) {
        ContentLines::append(out, u"RRULE:"_s + rule);
        out.append("TRANSP:TRANSPARENT\r\n");
    }
    ContentLines::append(out, u"SUMMARY:"_s + ContentLines::escape(summary));
    if (!location.isEmpty()) {
        ContentLines::append(out, u"LOCATION:"_s + ContentLines::escape(location));
    }
    if (!person.isEmpty()) {
        ContentLines::append(out, u"X-MORWINEK-OSOBA:"_s + ContentLines::escape(person));
    }
    if (time && time->hasAlarm()) {
        out += ICalendar::alarmComponent(time->alarmMinutes, summary);
    }
    out.append("END:VEVENT\r\n");
}

// Text for a summary: without control characters and without blanks at its end, which calendar
// programs refuse.
QString summaryPart(const QString &text)
{
    QString clean = Exchange::withoutControls(text, false);
    while (!clean.isEmpty() && clean.back().isSpace()) {
        clean.chop(1);
    }
    return clean;
}

// "Urodziny: Nowak Jan", or the label alone for a contact without a name.
QString contactSummary(const QString &label, const QString &name)
{
    const QString shown = summaryPart(name);
    return shown.trimmed().isEmpty() ? label : label + u": "_s + shown;
}

// A yearly event from its first day; a 29 February falls on the last day of February in other years.
QString yearlyRule(const QDate &first)
{
    if (first.month() == 2 && first.day() == 29) {
        return u"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"_s;
    }
    return u"FREQ=YEARLY"_s;
}

} // namespace

namespace ICalendar {

QByteArray write(const QList<Appointment> &appointments, const QList<Contact> &contacts, const QDateTime &stamp)
{
    QByteArray out;
    out.reserve(1024 + (appointments.size() + contacts.size()) * 300);
    Writer writer(stamp);
    out.append(Writer::begin());
    for (const Appointment &a : appointments) {
        writer.appendAppointment(out, a);
    }
    for (const Contact &c : contacts) {
        writer.appendContact(out, c);
    }
    out.append(Writer::end());
    return out;
}

Writer::Writer(const QDateTime &stamp)
    : m_stamp(stamp.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s))
{}

QByteArray Writer::begin()
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Morwinek//Morwinek//PL\r\nCALSCALE:GREGORIAN\r\n";
}

void Writer::appendAppointment(QByteArray &out, const Appointment &a)
{
    if (!DateText::parseDate(a.date).isValid()) {
        return;
    }
    const QString uid = appointmentUid(a);
    if (m_written.contains(uid)) {
        return; // the same appointment twice is one event
    }
    m_written.insert(uid);
    appendAppointment(out, a, uid);
}

void Writer::appendAppointment(QByteArray &out, const Appointment &a, const QString &uid) const
{
    const QDate day = DateText::parseDate(a.date);
    if (!day.isValid()) {
        return;
    }
    if (a.time.isTimed() && !m_zoneWritten) {
        out += warsawZone();
        m_zoneWritten = true;
    }
    appendEvent(out, uid, m_stamp, day, appointmentSummary(a), a.place, {}, a.person, &a.time);
}

QByteArray warsawZone()
{
    return "BEGIN:VTIMEZONE\r\nTZID:Europe/Warsaw\r\n"
           "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
           "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
           "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\n"
           "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
           "END:VTIMEZONE\r\n";
}

QByteArray warsawValue(const QDateTime &local)
{
    static const QTimeZone warsaw("Europe/Warsaw");
    return local.toTimeZone(warsaw).toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1();
}

QDateTime endOf(const QDate &day, const AppointmentTime &time)
{
    const QDateTime start(day, time.start);
    if (!time.end.isValid()) {
        return start;
    }
    const QDateTime end(day, time.end);
    return end > start ? end : end.addDays(1);
}

QByteArray alarmComponent(int minutesBefore, const QString &summary)
{
    QByteArray trigger = "PT0S";
    if (minutesBefore > 0) {
        trigger = minutesBefore % 1440 == 0 ? "-P" + QByteArray::number(minutesBefore / 1440) + "D"
                  : minutesBefore % 60 == 0 ? "-PT" + QByteArray::number(minutesBefore / 60) + "H"
                                            : "-PT" + QByteArray::number(minutesBefore) + "M";
    }
    QByteArray out = "BEGIN:VALARM\r\nACTION:DISPLAY\r\n";
    ContentLines::append(out, u"DESCRIPTION:"_s + ContentLines::escape(summary));
    out += "TRIGGER:" + trigger + "\r\nEND:VALARM\r\n";
    return out;
}

QString appointmentSummary(const Appointment &a)
{
    const QString person = summaryPart(a.person);
    QString summary = summaryPart(a.description);
    if (!person.trimmed().isEmpty()) {
        summary = summary.trimmed().isEmpty() ? person : person + u": "_s + summary;
    }
    if (summary.trimmed().isEmpty()) {
        summary = u"Termin"_s; // an appointment with neither person nor description
    }
    return summary;
}

void Writer::appendContact(QByteArray &out, const Contact &c) const
{
    const QString id = c.ID.trimmed();
    if (id.isEmpty()) {
        return;
    }
    const QString uidEnd = u'-' + id + u"@morwinek"_s;
    // A birthday without its year repeats from a leap year, as a name day does.
    const QString birthday =
        DateText::isWithoutYear(c.Urodziny) ? DateText::withoutYear(c.Urodziny) + u".2000"_s : c.Urodziny;
    if (const QDate born = DateText::parseDate(birthday); born.isValid()) {
        appendEvent(
            out, u"urodziny"_s + uidEnd, m_stamp, born, contactSummary(u"Urodziny"_s, c.Nazwa), {}, yearlyRule(born));
    }
    // A name day has no year; the series starts in a leap year so that 29.02 exists.
    if (const QDate nameDay = DateText::parseDate(c.Imieniny.trimmed() + u".2000"_s); nameDay.isValid()) {
        appendEvent(out,
                    u"imieniny"_s + uidEnd,
                    m_stamp,
                    nameDay,
                    contactSummary(u"Imieniny"_s, c.Nazwa),
                    {},
                    yearlyRule(nameDay));
    }
    if (const QDate wedding = DateText::parseDate(c.Slub); wedding.isValid()) {
        appendEvent(out,
                    u"slub"_s + uidEnd,
                    m_stamp,
                    wedding,
                    contactSummary(u"Rocznica ślubu"_s, c.Nazwa),
                    {},
                    yearlyRule(wedding));
    }
}

QByteArray Writer::end()
{
    return "END:VCALENDAR\r\n";
}

} // namespace ICalendar
