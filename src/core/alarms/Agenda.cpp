#include "Agenda.h"

#include "AlarmScheduler.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/DateText.h"

#include <QSet>

namespace {

const char *const weekdays[] = {"pon.", "wt.", "śr.", "czw.", "pt.", "sob.", "niedz."};

QString line(const Appointment &e, const QDate &date)
{
    QString text = e.date + u' ' + QString::fromUtf8(weekdays[date.dayOfWeek() - 1]);
    if (e.time.isTimed()) {
        text += u' ' + ClockText::toText(e.time.start);
        if (e.time.end.isValid()) {
            text += u'-' + ClockText::toText(e.time.end);
        }
    }
    QStringList parts;
    for (const QString &p : {e.description, e.person, e.place}) {
        if (!p.isEmpty()) {
            parts.append(p);
        }
    }
    return parts.isEmpty() ? text : text + u' ' + parts.join(QStringLiteral(" - "));
}

} // namespace

namespace Agenda {

bool lines(const QString &dataDir, const QDate &today, int days, QStringList *out, QString *error)
{
    out->clear();
    days = std::clamp(days, 1, maxDays);
    const QDate last = today.addDays(days - 1);
    // The list holds the contact dates of one calendar year; a span over New Year asks the next too.
    QList<QDate> starts{today};
    if (last.year() != today.year()) {
        starts.append(QDate(last.year(), 1, 1));
    }
    QList<Appointment> entries;
    QSet<QString> seen;
    bool ok = true;
    for (const QDate &from : starts) {
        AppointmentList list;
        if (!list.build(dataDir, from, days, error, AppointmentList::Persons::Skipped)) {
            ok = false;
        }
        for (const Appointment &e : list.entries()) {
            const QDate date = DateText::parseDate(e.date);
            if (date < today || date > last) {
                continue;
            }
            // A stored appointment comes in both lists: once is enough.
            const QString key = line(e, date);
            if (!seen.contains(key)) {
                seen.insert(key);
                entries.append(e);
            }
        }
    }
    AppointmentList::sort(entries);
    for (const Appointment &e : entries) {
        out->append(line(e, DateText::parseDate(e.date)));
    }
    return ok;
}

} // namespace Agenda
