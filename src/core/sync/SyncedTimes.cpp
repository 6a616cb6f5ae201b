#include "SyncedTimes.h"

#include "core/common/Cp1250.h"

#include <QCryptographicHash>

bool SyncedTimes::load(const QString &dataDir, QString *error)
{
    m_changed = false;
    return m_times.load(dataDir, error);
}

Appointment SyncedTimes::appointment(const QString &record) const
{
    Appointment a = AppointmentRecord::decode(record);
    a.time = m_times.time(record);
    return a;
}

QByteArray SyncedTimes::hash(const QString &record) const
{
    QByteArray content = Cp1250::encode(record);
    if (const AppointmentTime t = m_times.time(record); !t.isEmpty()) {
        content += '|' + ClockText::toText(t.start).toLatin1() + '|' + ClockText::toText(t.end).toLatin1() + '|'
                   + QByteArray::number(t.alarmMinutes);
    }
    return QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex();
}

bool SyncedTimes::take(const QString &record, const AppointmentTime &time)
{
    if (m_times.time(record) == time) {
        return false;
    }
    m_times.setTime(record, time);
    m_changed = true;
    return true;
}

AppointmentTime SyncedTimes::merged(const AppointmentTime *base,
                                    const AppointmentTime &mine,
                                    const AppointmentTime &theirs,
                                    bool *conflict)
{
    if (mine == theirs || (base && *base == theirs)) {
        return mine;
    }
    // Never synced together (linked by content): a time missing on one side is not known there,
    // never taken away.
    if ((base && *base == mine) || (!base && mine.isEmpty())) {
        return theirs;
    }
    if (!base && theirs.isEmpty()) {
        return mine;
    }
    *conflict = true;
    return mine;
}

bool SyncedTimes::save(const QList<QByteArray> &before, const QList<QByteArray> &after, QString *error)
{
    if (!m_changed) {
        return true;
    }
    // Records on their way out keep their entry until the appointments list next writes the file,
    // so an interrupted write never leaves a record without its time.
    QStringList live;
    live.reserve(before.size() + after.size());
    for (const QList<QByteArray> *lines : {&before, &after}) {
        for (const QByteArray &line : *lines) {
            live.append(Cp1250::decode(line));
        }
    }
    if (!m_times.save(live, error)) {
        return false;
    }
    m_changed = false;
    return true;
}
