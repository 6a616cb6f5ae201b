// One stored appointment as one calendar event: written, read and patched in one place, so the
// export and the sync never differ.
#include "ContentLines.h"
#include "ExchangeContact.h"
#include "ICalendar.h"
#include "StoredValue.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <QCryptographicHash>
#include <QTimeZone>

#include <algorithm>
#include <optional>

namespace {

using namespace Qt::StringLiterals;

// Where an event's own properties stand: the lines of its first VEVENT, not of the components
// inside it (alarms) nor of the time zones before it.
struct EventLines
{
    QList<ContentLines::Line> lines;
    qsizetype begin = -1; // the BEGIN:VEVENT line
    qsizetype end = -1;   // its END:VEVENT line
    qsizetype inner = -1; // the first line of a component inside it (an alarm), or its end
    QList<qsizetype> own; // lines of the event itself
    QList<std::pair<qsizetype, qsizetype>> alarms; // BEGIN:VALARM and END:VALARM lines inside it

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
                if (depth == 1 && value == "VALARM") {
                    alarms.append({i, -1});
                }
                ++depth;
            } else if (name == "END") {
                if (--depth == 0) {
                    end = i;
                    inner = inner < 0 ? i : inner;
                    return;
                }
                if (depth == 1 && !alarms.isEmpty() && alarms.last().second < 0) {
                    alarms.last().second = i;
                }
            } else if (depth == 1) {
                own.append(i);
            }
        }
    }
    bool found() const { return begin >= 0 && end > begin; }
    // The first line with that name inside the lines from..to, or -1.
    qsizetype findIn(QByteArrayView name, qsizetype from, qsizetype to) const
    {
        for (qsizetype i = from; i >= 0 && i <= to; ++i) {
            if (ContentLines::name(lines[i].logical) == name) {
                return i;
            }
        }
        return -1;
    }
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

bool isTimed(const Start &s)
{
    return !s.dateOnly && s.value.size() >= 15;
}

// The local moment a date-time value stands for: a UTC or zoned one in the local time, a floating
// one as its wall clock. Invalid for a date.
QDateTime momentOf(const Start &s)
{
    if (!isTimed(s)) {
        return {};
    }
    const QDateTime wall = QDateTime::fromString(QString::fromLatin1(s.value.left(15)), u"yyyyMMdd'T'HHmmss"_s);
    if (!wall.isValid()) {
        return {};
    }
    if (s.value.endsWith('Z')) {
        return QDateTime(wall.date(), wall.time(), Qt::UTC).toLocalTime();
    }
    if (const QTimeZone zone(s.tzid.toUtf8()); !s.tzid.isEmpty() && zone.isValid()) {
        return QDateTime(wall.date(), wall.time(), zone).toLocalTime();
    }
    return wall; // floating time: the same wall clock everywhere
}

// The local day a start value falls on.
QDate dayOf(const Start &s)
{
    if (s.dateOnly || s.value.size() == 8) {
        return QDate::fromString(QString::fromLatin1(s.value.left(8)), u"yyyyMMdd"_s);
    }
    return momentOf(s).date();
}

// A moment in the form of a value that stood there: UTC, in its zone, or floating. Null for a
// date (the caller writes a zoned value instead).
QByteArray valueLike(const Start &form, const QDateTime &local)
{
    if (!isTimed(form)) {
        return {};
    }
    if (form.value.endsWith('Z')) {
        return local.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1();
    }
    if (const QTimeZone zone(form.tzid.toUtf8()); !form.tzid.isEmpty() && zone.isValid()) {
        return local.toTimeZone(zone).toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1();
    }
    return local.toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1();
}

// An iCalendar duration ("-PT15M", "P1DT2H", "PT0S") in seconds; nullopt when it is none.
std::optional<qint64> durationOf(QByteArrayView text)
{
    text = text.trimmed();
    qint64 sign = 1;
    if (!text.isEmpty() && (text.front() == '-' || text.front() == '+')) {
        sign = text.front() == '-' ? -1 : 1;
        text = text.sliced(1);
    }
    if (text.isEmpty() || (text.front() != 'P' && text.front() != 'p')) {
        return std::nullopt;
    }
    qint64 seconds = 0;
    qint64 number = -1;
    bool time = false;
    bool any = false;
    for (const char ch : text.sliced(1)) {
        if (ch >= '0' && ch <= '9') {
            number = (number < 0 ? 0 : number) * 10 + (ch - '0');
            if (number > 100000000) {
                return std::nullopt;
            }
            continue;
        }
        const char unit = char(ch & ~0x20);
        if (unit == 'T' && number < 0) {
            time = true;
            continue;
        }
        if (number < 0) {
            return std::nullopt;
        }
        const qint64 scale = !time && unit == 'W'   ? 604800
                             : !time && unit == 'D' ? 86400
                             : time && unit == 'H'  ? 3600
                             : time && unit == 'M'  ? 60
                             : time && unit == 'S'  ? 1
                                                    : 0;
        if (scale == 0) {
            return std::nullopt;
        }
        seconds += number * scale;
        if (seconds > 100LL * 366 * 86400) {
            return std::nullopt; // beyond any calendar's use, and kept far from overflowing
        }
        number = -1;
        any = true;
    }
    return any && number < 0 ? std::optional<qint64>(sign * seconds) : std::nullopt;
}

// The minutes before the start an alarm's TRIGGER stands for: relative to the start or (RELATED=END)
// to the end, or a UTC moment. Never negative: an alarm after the start comes at the start.
std::optional<int> minutesBefore(const ContentLines::Line &trigger, const QDateTime &start, const QDateTime &end)
{
    const QByteArray head = ContentLines::head(trigger.logical).toByteArray().toUpper();
    const QByteArray value = ContentLines::value(trigger.logical).trimmed().toByteArray();
    qint64 seconds = 0;
    if (head.contains("VALUE=DATE-TIME")) {
        const QDateTime at = momentOf(Start{value, {}, false});
        if (!at.isValid()) {
            return std::nullopt;
        }
        seconds = at.secsTo(start);
    } else if (const auto offset = durationOf(value)) {
        const QDateTime from = head.contains("RELATED=END") && end.isValid() ? end : start;
        seconds = -(start.secsTo(from) + *offset);
    } else {
        return std::nullopt;
    }
    return int(std::clamp<qint64>(seconds / 60, 0, 366 * 1440));
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

// The text holds the VTIMEZONE of Europe/Warsaw.
bool hasWarsawZone(const EventLines &event)
{
    for (const ContentLines::Line &line : event.lines) {
        if (ContentLines::name(line.logical) == "TZID"
            && ContentLines::value(line.logical).trimmed().compare("Europe/Warsaw", Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// The local time of day of a timed event's start and end, and its first alarm; none for an
// all-day event. An end at the start is no end.
AppointmentTime timeOf(const EventLines &event, const Start &start, QDateTime end, std::optional<qint64> duration)
{
    AppointmentTime time;
    const QDateTime from = momentOf(start);
    if (!from.isValid()) {
        return time;
    }
    time.start = QTime(from.time().hour(), from.time().minute());
    if (!end.isValid() && duration) {
        end = from.addSecs(*duration);
    }
    if (end.isValid() && end > from) {
        time.end = QTime(end.time().hour(), end.time().minute());
        if (time.end == time.start) {
            time.end = QTime();
        }
    }
    for (const auto &[begin, last] : event.alarms) {
        if (const qsizetype i = event.findIn("TRIGGER", begin + 1, last - 1); i >= 0) {
            if (const auto minutes = minutesBefore(event.lines[i], from, end)) {
                time.alarmMinutes = *minutes;
                break;
            }
        }
    }
    return time;
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
    Start end;
    bool hasEnd = false;
    std::optional<qint64> duration;
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
        } else if (name == "DTEND") {
            end = startOf(line);
            hasEnd = true;
        } else if (name == "DURATION") {
            duration = durationOf(ContentLines::value(line.logical));
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
    appointment->person = StoredValue::storable(person, AppointmentRecord::personWidth);
    appointment->place = StoredValue::storable(location, AppointmentRecord::placeWidth);
    appointment->description = StoredValue::storable(description, AppointmentRecord::descriptionWidth);
    appointment->time = timeOf(event, start, hasEnd ? momentOf(end) : QDateTime(), duration);
    return EventKind::Usable;
}

QByteArray patchEvent(const QByteArray &text, const Appointment &now, const QString &uid, const QDateTime &stamp)
{
    Appointment was;
    const EventLines event(text);
    if (text.isEmpty() || readEvent(text, &was, nullptr) != EventKind::Usable) {
        return appointmentEvent(now, uid, stamp);
    }
    if (AppointmentRecord::encode(was) == AppointmentRecord::encode(now) && was.time == now.time) {
        return text;
    }
    QHash<qsizetype, QByteArray> replaced; // line -> what stands there instead
    QByteArray added;                      // new properties, before the event's alarms
    QByteArray addedAtEnd;                 // new components, before the event's end
    QByteArray addedBefore;                // new components, before the event
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
    const bool newTimes = was.time.start != now.time.start || was.time.end != now.time.end;
    if (!newTimes && from.isValid() && to.isValid() && from != to) {
        const qint64 days = from.daysTo(to);
        for (const char *name : {"DTSTART", "DTEND"}) {
            if (const qsizetype i = event.find(name); i >= 0) {
                const QByteArray value = ContentLines::value(event.lines[i].logical).trimmed().toByteArray();
                replaced.insert(i, withValue(event.lines[i], shifted(value, days)));
            }
        }
    } else if (newTimes && to.isValid()) {
        const qsizetype startLine = event.find("DTSTART");
        const qsizetype endLine = event.find("DTEND");
        if (const qsizetype i = event.find("DURATION"); i >= 0) {
            replaced.insert(i, {}); // DTEND takes its place
        }
        if (!now.time.isTimed()) {
            set("DTSTART", "DTSTART;VALUE=DATE:" + to.toString(u"yyyyMMdd"_s).toLatin1() + "\r\n");
            set("DTEND", "DTEND;VALUE=DATE:" + to.addDays(1).toString(u"yyyyMMdd"_s).toLatin1() + "\r\n");
        } else {
            const QDateTime startAt(to, now.time.start);
            const QDateTime endAt = endOf(to, now.time);
            const Start startForm = startLine >= 0 ? startOf(event.lines[startLine]) : Start{};
            const Start endForm =
                endLine >= 0 && isTimed(startOf(event.lines[endLine])) ? startOf(event.lines[endLine]) : startForm;
            const auto line = [&](const char *name, qsizetype i, const Start &form, const QDateTime &at) {
                if (const QByteArray value = valueLike(form, at); !value.isEmpty()) {
                    return i >= 0 && isTimed(startOf(event.lines[i]))
                               ? withValue(event.lines[i], value)
                               : QByteArray(name)
                                     + ContentLines::head(event.lines[startLine].logical).sliced(7).toByteArray() + ':'
                                     + value + "\r\n";
                }
                return QByteArray(name) + ";TZID=Europe/Warsaw:" + warsawValue(at) + "\r\n";
            };
            set("DTSTART", line("DTSTART", startLine, startForm, startAt));
            set("DTEND", line("DTEND", endLine, endForm, endAt));
            if (!isTimed(startForm) && !hasWarsawZone(event)) {
                addedBefore = warsawZone();
            }
        }
    }
    const int alarm = now.time.hasAlarm() ? now.time.alarmMinutes : AppointmentTime::noAlarm;
    if (alarm != (was.time.hasAlarm() ? was.time.alarmMinutes : AppointmentTime::noAlarm)) {
        const auto trigger = [&] {
            for (const auto &[begin, last] : event.alarms) {
                if (const qsizetype i = event.findIn("TRIGGER", begin + 1, last - 1); i >= 0) {
                    return i;
                }
            }
            return qsizetype(-1);
        }();
        if (alarm == AppointmentTime::noAlarm) {
            for (const auto &[begin, last] : event.alarms) {
                for (qsizetype i = begin; i <= last && last >= 0; ++i) {
                    replaced.insert(i, {});
                }
            }
        } else if (trigger >= 0) {
            const QByteArray component = alarmComponent(alarm, {});
            const qsizetype at = component.indexOf("TRIGGER:");
            replaced.insert(trigger, component.mid(at, component.indexOf('\n', at) + 1 - at));
        } else {
            addedAtEnd = alarmComponent(alarm, appointmentSummary(now));
        }
    }
    QByteArray out;
    out.reserve(text.size() + added.size() + addedAtEnd.size() + addedBefore.size() + 256);
    for (qsizetype i = 0; i < event.lines.size(); ++i) {
        if (i == event.begin) {
            out += addedBefore;
        }
        if (i == event.inner) {
            out += added;
        }
        if (i == event.end) {
            out += addedAtEnd;
        }
        const auto it = replaced.constFind(i);
        out += it == replaced.cend() ? event.lines[i].raw : *it;
    }
    return out;
}

} // namespace ICalendar
