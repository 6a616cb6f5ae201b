#pragma once

#include "core/sync/SyncedTimes.h"
#include "core/sync/local/LocalCollection.h"

#include <QDate>
#include <QSet>
#include <QStringList>

class SyncItemIndex;

// The appointments of a data folder as the sync sees them: each record with a date, by the record
// itself. Appointments older than the range are kept off the server's list and never deleted
// there for being gone here. The window's record of edits lets the state follow an appointment to
// what it became.
class AppointmentCollection final : public LocalCollection
{
public:
    explicit AppointmentCollection(QString dataDir)
        : m_dataDir(std::move(dataDir))
    {}

    void setRange(const QDate &today, int days)
    {
        m_today = today;
        m_range = days;
    }

    [[nodiscard]] bool load(QString *error) override;
    bool exists(const QString &key) const override { return m_records.contains(key); }
    QByteArray hash(const QString &key) const override;
    QList<QByteArray> identity(const QString &key) const override;
    qsizetype count() const override { return m_records.size(); }
    bool isOld(const QString &record) const override;
    SyncPlanner::LocalSnapshot snapshot(const SyncCollectionState &state) const override;
    void removeDeleted(const QString &record) override;
    bool changed() const override { return !m_removed.isEmpty() || !m_added.isEmpty() || m_times.changed(); }
    void deleted(QList<QByteArray> *lines, QStringList *records) const override;
    void deletedKept() override { m_deletedOnServer.clear(); }
    [[nodiscard]] bool write(DailyBackup *backup, QString *error) override;
    QByteArray textToSend(const QString &key,
                          const SyncItem *item,
                          const QString &uid,
                          bool smallPhoto,
                          const QDateTime &nowUtc) const override;

    enum class Taken
    {
        Invalid,
        Recurring, // a series: known, never brought here
        Known,
        Retimed, // known, its time of day or alarm changed
        Added
    };
    // The server's event replaces key's appointment (or comes as a new one); entry gets its record.
    Taken take(const QString &key, SyncItem &entry, const QByteArray &remote);
    // The server's event merged into key's appointment, against what was last synced (known).
    Merged merge(const QString &key, const SyncItem *known, SyncItem &entry, const QByteArray &remote);

    // The record's fields with its time of day and alarm: what goes to the server.
    Appointment appointment(const QString &record) const { return m_times.appointment(record); }

    void add(const QString &record);
    void remove(const QString &record);
    // The edits the window recorded since the last sync, followed in the state's entries.
    void followEdits(SyncItemIndex &index);
    // Records the window removed: never paired as an edit.
    const QSet<QString> &removedByUser() const { return m_removedByUser; }
    // Appointments synced while their times stayed on the server only (by an older version): the
    // time of the event as last synced is taken here, when nothing changed here since; their
    // entries' hashes follow, so this is no change to send.
    void adoptStoredTimes(SyncCollectionState &state);
    // The edits followed are taken from the window's record; those made during the sync stay.
    void consumeEdits();

    // What an appointment is: its date with its description, or all its texts.
    static QList<QByteArray> identityOf(const QString &record);

private:
    QString m_dataDir;
    QDate m_today;
    int m_range = 3;
    QList<QByteArray> m_lines; // of the file
    QSet<QString> m_records;
    QSet<QString> m_removed;
    QStringList m_added;
    QSet<QString> m_deletedOnServer; // kept in "kopie"
    QSet<QString> m_removedByUser;
    qsizetype m_editsTaken = 0;
    SyncedTimes m_times; // their times of day and alarms
};
