// One stored appointment as one calendar event: written, read and patched in one place, so the
// export and the sync never differ.
#include "ContactImport.h"
#include "ContentLines.h"
#include "ExchangeContact.h"
#include "ICalendar.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <QCryptographicHash>
#include <QTimeZone>

namespace {

using namespace Qt::StringLiterals;

// A value as the appointments file can keep it: in code page 1250, one line, within its width.
QString storable(QString text, int width)
{
    ContactImport::foldToCp1250(&text);
    for (QChar &ch : text) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) {
            ch = u' ';
        }
    }
    text = FixedText::trimmed(text);
    return text.size() > width ? FixedText::trimmed(text.left(width)) : text;
}

// Where an event's own properties stand: the lines of its first VEVENT, not of the components
// inside it (alarms) nor of the time zones before it.
struct EventLines
{
    QList<ContentLines::Line> lines;
    qsizetype begin = -1; // the BEGIN:VEVENT line
    qsizetype end = -1;   // its END:VEVENT line
    qsizetype inner = -1; // the first line of a component inside it (an alarm), or its end
    QList<qsizetype> own; // lines of the event itself

    explicit EventLines(const QByteArray &text)
        : lines(ContentLines::split(text))
    {
        int depth = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray name = ContentLines::name(lines[i].logical);
            const QByteArray value = ContentLines::value(lines[i].logical).trimmed().toByteArray().toUpper();
            if (begin < 0) {
                if (name == "BEGIN" && value == "VEVENT") {
                    begin = i;
                    depth = 1;
                }
                continue;
            }
            if (name == "BEGIN") {
                inner = depth == 1 && inner < 0 ? i : inner;
                ++depth;
            } else if (name == "END") {
                if (--depth == 0) {
                    end = i;
                    inner = inner < 0 ? i : inner;
                    return;
                }
            } else if (depth == 1) {
                own.append(i);
            }
        }
    }
    bool found() const { return begin >= 0 && end > begin; }
    // The first of the event's own lines with that name, or -1.
    qsizetype find(QByteArrayView name) const
    {
        for (const qsizetype i : own) {
            if (ContentLines::name(lines[i].logical) == name) {
                return i;
            }
        }
        return -1;
    }
};

struct Start
{
    QByteArray value;
    QString tzid;
    bool dateOnly = false;
};

Start startOf(const ContentLines::Line &line)
{
    Start s;
    s.value = ContentLines::value(line.logical).trimmed().toByteArray();
    const QString head = QString::fromUtf8(ContentLines::head(line.logical));
    const QStringList params = head.split(u';').mid(1);
    for (const QString &param : params) {
        if (param.startsWith(u"VALUE=", Qt::CaseInsensitive)) {
            s.dateOnly = param.mid(6).compare(u"DATE", Qt::CaseInsensitive) == 0;
        } else if (param.startsWith(u"TZID=", Qt::CaseInsensitive)) {
            s.tzid = param.mid(5);
            s.tzid.remove(u'"');
        }
    }
    return s;
}

// The local day a start value falls on.
QDate dayOf(const Start &s)
{
    if (s.dateOnly || s.value.size() == 8) {
        return QDate::fromString(QString::fromLatin1(s.value.left(8)), u"yyyyMMdd"_s);
    }
    const QDateTime moment = QDateTime::fromString(QString::fromLatin1(s.value.left(15)), u"yyyyMMdd'T'HHmmss"_s);
    if (!moment.isValid()) {
        return {};
    }
    if (s.value.endsWith('Z')) {
        return QDateTime(moment.date(), moment.time(), Qt::UTC).toLocalTime().date();
    }
    if (const QTimeZone zone(s.tzid.toUtf8()); !s.tzid.isEmpty() && zone.isValid()) {
        return QDateTime(moment.date(), moment.time(), zone).toLocalTime().date();
    }
    return moment.date(); // floating time: the same wall clock everywhere
}

// A date or date-time value moved by whole days: the date part of a local or zoned time, the local
// day of a UTC time (so its local time of day stays across a change of summer time).
QByteArray shifted(const QByteArray &value, qint64 days)
{
    const QDate date = QDate::fromString(QString::fromLatin1(value.left(8)), u"yyyyMMdd"_s);
    if (!date.isValid()) {
        return value;
    }
    if (value.size() >= 16 && value.endsWith('Z')) {
        const QDateTime moment =
            QDateTime::fromString(QString::fromLatin1(value.left(15)), u"yyyyMMdd'T'HHmmss"_s);
        if (moment.isValid()) {
            const QDateTime local = QDateTime(moment.date(), moment.time(), Qt::UTC).toLocalTime();
            return local.addDays(days).toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1();
        }
    }
    return date.addDays(days).toString(u"yyyyMMdd"_s).toLatin1() + value.mid(8);
}

// The property line again with another value, its name and parameters as they were.
QByteArray withValue(const ContentLines::Line &line, const QByteArray &value)
{
    QByteArray out;
    ContentLines::append(out, QString::fromUtf8(ContentLines::head(line.logical)) + u':' + QString::fromUtf8(value));
    return out;
}

QByteArray property(const QString &name, const QString &text)
{
    QByteArray out;
    if (!text.isEmpty()) {
        ContentLines::append(out, name + u':' + ContentLines::escape(text));
    }
    return out;
}

} // namespace

namespace ICalendar {

QString appointmentUid(const Appointment &a)
{
    const QByteArray record = Cp1250::encode(AppointmentRecord::encode(a));
    const QByteArray hash = QCryptographicHash::hash(record, QCryptographicHash::Sha1).toHex().left(20);
    return u"termin-"_s + QString::fromLatin1(hash) + u"@morwinek"_s;
}

QByteArray appointmentEvent(const Appointment &a, const QString &uid, const QDateTime &stamp)
{
    Writer writer(stamp);
    QByteArray out = Writer::begin();
    writer.appendAppointment(out, a, uid);
    out += Writer::end();
    return out;
}

EventKind readEvent(const QByteArray &text, Appointment *appointment, QString *uid)
{
    const EventLines event(text);
    QString eventUid;
    bool recurring = false;
    Start start;
    bool hasStart = false;
    QString summary;
    QString location;
    QString person;
    bool hasPerson = false;
    for (const qsizetype i : event.own) {
        const ContentLines::Line &line = event.lines[i];
        const QByteArray name = ContentLines::name(line.logical);
        const QString value = QString::fromUtf8(ContentLines::value(line.logical));
        if (name == "RRULE" || name == "RDATE" || name == "RECURRENCE-ID") {
            recurring = true;
        } else if (name == "UID") {
            eventUid = value.trimmed();
        } else if (name == "DTSTART") {
            start = startOf(line);
            hasStart = true;
        } else if (name == "SUMMARY") {
            summary = ContentLines::unescape(value);
        } else if (name == "LOCATION") {
            location = ContentLines::unescape(value);
        } else if (name == "X-MORWINEK-OSOBA") {
            person = ContentLines::unescape(value);
            hasPerson = true;
        }
    }
    if (uid) {
        *uid = eventUid;
    }
    if (!event.found()) {
        return EventKind::Invalid;
    }
    if (recurring) {
        return EventKind::Recurring;
    }
    const QDate day = hasStart ? dayOf(start) : QDate();
    if (!day.isValid()) {
        return EventKind::Invalid;
    }
    QString description = summary;
    if (hasPerson && !person.isEmpty()) {
        if (summary == person) {
            description.clear();
        } else if (summary.startsWith(person + u": "_s)) {
            description = summary.mid(person.size() + 2);
        }
    }
    appointment->date = DateText::toText(day);
    appointment->person = storable(person, AppointmentRecord::personWidth);
    appointment->place = storable(location, AppointmentRecord::placeWidth);
    appointment->description = storable(description, AppointmentRecord::descriptionWidth);
    return EventKind::Usable;
}

QByteArray patchEvent(const QByteArray &text, const Appointment &now, const QString &uid, const QDateTime &stamp)
{
    Appointment was;
    const EventLines event(text);
    if (text.isEmpty() || readEvent(text, &was, nullptr) != EventKind::Usable) {
        return appointmentEvent(now, uid, stamp);
    }
    if (AppointmentRecord::encode(was) == AppointmentRecord::encode(now)) {
        return text;
    }
    QHash<qsizetype, QByteArray> replaced; // line -> what stands there instead
    QByteArray added;                      // new properties, before the event's alarms
    const auto set = [&](QByteArrayView name, const QByteArray &line) {
        if (const qsizetype i = event.find(name); i >= 0) {
            replaced.insert(i, line);
        } else {
            added += line;
        }
    };
    if (was.person != now.person || was.description != now.description) {
        set("SUMMARY", property(u"SUMMARY"_s, appointmentSummary(now)));
        set("X-MORWINEK-OSOBA", property(u"X-MORWINEK-OSOBA"_s, now.person));
    }
    if (was.place != now.place) {
        set("LOCATION", property(u"LOCATION"_s, now.place));
    }
    const QDate from = DateText::parseDate(was.date);
    const QDate to = DateText::parseDate(now.date);
    if (from.isValid() && to.isValid() && from != to) {
        const qint64 days = from.daysTo(to);
        for (const char *name : {"DTSTART", "DTEND"}) {
            if (const qsizetype i = event.find(name); i >= 0) {
                const QByteArray value = ContentLines::value(event.lines[i].logical).trimmed().toByteArray();
                replaced.insert(i, withValue(event.lines[i], shifted(value, days)));
            }
        }
    }
    QByteArray out;
    out.reserve(text.size() + added.size() + 256);
    for (qsizetype i = 0; i < event.lines.size(); ++i) {
        if (i == event.inner) {
            out += added;
        }
        const auto it = replaced.constFind(i);
        out += it == replaced.cend() ? event.lines[i].raw : *it;
    }
    return out;
}

} // namespace ICalendar
