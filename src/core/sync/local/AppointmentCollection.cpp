#include "core/sync/local/AppointmentCollection.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentList.h"
#include "core/appointments/AppointmentRange.h"
#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/exchange/ICalendar.h"
#include "core/sync/SyncItemIndex.h"
#include "core/sync/plan/SyncRules.h"

#include <QDir>

using namespace Qt::StringLiterals;

bool AppointmentCollection::load(QString *error)
{
    m_lines.clear();
    m_records.clear();
    m_removed.clear();
    m_added.clear();
    m_deletedOnServer.clear();
    m_removedByUser.clear();
    m_editsTaken = 0;
    const QString path = QDir(m_dataDir).filePath(QLatin1String(AppointmentList::fileName));
    if (!TextFile::readLines(path, &m_lines, nullptr, error)) {
        *error = path + u": "_s + *error;
        return false;
    }
    if (!m_times.load(m_dataDir, error)) {
        return false;
    }
    for (const QByteArray &line : std::as_const(m_lines)) {
        const QString record = Cp1250::decode(line);
        if (DateText::parseDate(AppointmentRecord::decode(record).date).isValid()) {
            m_records.insert(record);
        }
    }
    return true;
}

QByteArray AppointmentCollection::hash(const QString &key) const
{
    return m_times.hash(key);
}

QList<QByteArray> AppointmentCollection::identityOf(const QString &record)
{
    const Appointment a = AppointmentRecord::decode(record);
    return {Cp1250::encode(a.date + u'\x1f' + a.description), Cp1250::encode(record)};
}

QList<QByteArray> AppointmentCollection::identity(const QString &key) const
{
    return identityOf(key);
}

bool AppointmentCollection::isOld(const QString &record) const
{
    const int day = DateText::parse(AppointmentRecord::decode(record).date);
    return !AppointmentRange(DateText::toDay(m_today), m_range).keeps(day);
}

SyncPlanner::LocalSnapshot AppointmentCollection::snapshot(const SyncCollectionState &state) const
{
    SyncPlanner::LocalSnapshot local;
    local.hashes.reserve(m_records.size());
    for (const QString &record : m_records) {
        local.hashes.insert(record, hash(record));
    }
    for (const SyncItem &item : state.items) {
        if (!item.key.isEmpty() && !m_records.contains(item.key) && isOld(item.key)) {
            local.old.insert(item.key);
        }
    }
    return local;
}

void AppointmentCollection::add(const QString &record)
{
    m_added.append(record);
    m_records.insert(record);
}

void AppointmentCollection::remove(const QString &record)
{
    m_records.remove(record);
    m_removed.insert(record);
}

void AppointmentCollection::removeDeleted(const QString &record)
{
    remove(record);
    m_deletedOnServer.insert(record);
}

void AppointmentCollection::deleted(QList<QByteArray> *, QStringList *records) const
{
    records->append(QStringList(m_deletedOnServer.cbegin(), m_deletedOnServer.cend()));
}

void AppointmentCollection::followEdits(SyncItemIndex &index)
{
    const QList<AppointmentEdits::Edit> edits = AppointmentEdits::read(m_dataDir);
    m_editsTaken = edits.size();
    for (const AppointmentEdits::Edit &edit : edits) {
        if (edit.after.isEmpty()) {
            m_removedByUser.insert(edit.before);
            continue;
        }
        m_removedByUser.remove(edit.after);
        SyncItem *item = index.find(edit.before);
        if (!item || item->skipped || index.find(edit.after)) {
            continue;
        }
        item->key = edit.after;
        item->hash.clear(); // changed here
        index.rebuild();
    }
}

void AppointmentCollection::adoptStoredTimes(SyncCollectionState &state)
{
    for (SyncItem &item : state.items) {
        if (item.key.isEmpty() || item.skipped || item.serverText.isEmpty() || !exists(item.key)
            || !m_times.time(item.key).isEmpty()) {
            continue;
        }
        const QByteArray before = hash(item.key); // of the record alone, as it has no time
        Appointment event;
        if (item.hash != before
            || SyncRules::readEvent(item.serverText, &event, nullptr) != SyncRules::EventKind::Usable
            || event.time.isEmpty() || AppointmentRecord::encode(event) != item.key) {
            continue;
        }
        (void)m_times.take(item.key, event.time);
        item.hash = hash(item.key);
    }
}

void AppointmentCollection::consumeEdits()
{
    (void)AppointmentEdits::consume(m_dataDir, m_editsTaken, nullptr);
    m_editsTaken = 0;
}

bool AppointmentCollection::write(DailyBackup *backup, QString *error)
{
    QList<QByteArray> lines;
    lines.reserve(m_lines.size() + m_added.size());
    for (const QByteArray &line : std::as_const(m_lines)) {
        if (!m_removed.contains(Cp1250::decode(line))) {
            lines.append(line);
        }
    }
    for (const QString &record : std::as_const(m_added)) {
        lines.append(Cp1250::encode(record));
    }
    const QString path = QDir(m_dataDir).filePath(QLatin1String(AppointmentList::fileName));
    if (!m_times.save(m_lines, lines, error)) {
        return false;
    }
    if (backup) {
        backup->beforeWrite(path);
    }
    if (!TextFile::writeLines(path, lines, error)) {
        return false;
    }
    m_lines = lines;
    m_removed.clear();
    m_added.clear();
    return true;
}

AppointmentCollection::Taken AppointmentCollection::take(const QString &key, SyncItem &entry, const QByteArray &remote)
{
    Appointment appointment;
    switch (SyncRules::readEvent(remote, &appointment, &entry.uid)) {
    case SyncRules::EventKind::Invalid:
        return Taken::Invalid;
    case SyncRules::EventKind::Recurring:
        return Taken::Recurring;
    case SyncRules::EventKind::Usable:
        break;
    }
    const QString record = AppointmentRecord::encode(appointment);
    const bool retimed = m_times.take(record, appointment.time);
    entry.key = record;
    entry.hash = hash(record);
    if (!key.isEmpty() && key != record && exists(key)) {
        remove(key);
    }
    if (exists(record) || isOld(record)) {
        return retimed && exists(record) ? Taken::Retimed : Taken::Known;
    }
    add(record);
    entry.pending = true;
    return Taken::Added;
}

LocalCollection::Merged
AppointmentCollection::merge(const QString &key, const SyncItem *known, SyncItem &entry, const QByteArray &remote)
{
    Merged result;
    Appointment theirs;
    QString uid;
    const SyncRules::EventKind kind = SyncRules::readEvent(remote, &theirs, &uid);
    if (!uid.isEmpty()) {
        entry.uid = uid;
    }
    entry.hash = hash(key);
    if (kind != SyncRules::EventKind::Usable) {
        // Became a series or unreadable there: this side's appointment stays, the server's is kept aside.
        result.conflict = true;
        result.upload = true;
        return result;
    }
    const Appointment mine = m_times.appointment(key);
    std::optional<Appointment> base;
    if (Appointment b; known && SyncRules::readEvent(known->serverText, &b, nullptr) == SyncRules::EventKind::Usable) {
        base = b;
    }
    Appointment merged = mine;
    for (QString Appointment::*field :
         {&Appointment::date, &Appointment::person, &Appointment::place, &Appointment::description}) {
        if (mine.*field == theirs.*field) {
            continue;
        }
        if (base && (*base).*field == mine.*field) {
            merged.*field = theirs.*field;
        } else if (!base || (*base).*field != theirs.*field) {
            result.conflict = true;
        }
    }
    merged.time = SyncedTimes::merged(base ? &base->time : nullptr, mine.time, theirs.time, &result.conflict);
    const QString record = AppointmentRecord::encode(merged);
    if (m_times.take(record, merged.time) && record == key) {
        entry.hash = hash(key);
        result.received = true;
    }
    if (record != key) {
        remove(key);
        add(record);
        entry.key = record;
        entry.hash = hash(record);
        entry.pending = true;
        result.received = true;
    }
    result.upload = record != AppointmentRecord::encode(theirs) || merged.time != theirs.time;
    if (result.upload) {
        entry.hash.clear(); // sent after the files are written
    }
    return result;
}

QByteArray AppointmentCollection::textToSend(
    const QString &key, const SyncItem *item, const QString &uid, bool, const QDateTime &nowUtc) const
{
    // The server's event changed only where this side's appointment differs from it.
    return ICalendar::patchEvent(item ? item->serverText : QByteArray(), appointment(key), uid, nowUtc);
}
