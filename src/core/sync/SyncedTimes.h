#pragma once

#include "core/appointments/AppointmentTimes.h"

#include <QByteArray>
#include <QList>

// The times of day and alarms of the appointments a calendar sync reads and writes. They travel
// with their records: part of what a record sends and of the content hash that tells whether it
// changed here, taken from the server's events, and written to the side file with the records.
class SyncedTimes
{
public:
    // Reads the side file of dataDir (a missing one holds no times).
    [[nodiscard]] bool load(const QString &dataDir, QString *error);

    AppointmentTime time(const QString &record) const { return m_times.time(record); }
    // The record's fields with its time: what goes to the server.
    Appointment appointment(const QString &record) const;
    // What the sync compares: the record's hash as before for an all-day appointment, the record
    // with its time and alarm for a timed one.
    QByteArray hash(const QString &record) const;

    // The record's time as the server's event or a merge gives it; true when that changed it.
    bool take(const QString &record, const AppointmentTime &time);
    // The time after a merge against the last synced one (base, null when unknown): changed on one
    // side only, that side's; on both to different times, this side's, with *conflict set. Without
    // a base, a time on one side only is taken.
    static AppointmentTime
    merged(const AppointmentTime *base, const AppointmentTime &mine, const AppointmentTime &theirs, bool *conflict);

    bool changed() const { return m_changed; }
    // Writes the side file when a time changed, keeping the entries of the records in the
    // appointments file before and after the sync.
    [[nodiscard]] bool save(const QList<QByteArray> &before, const QList<QByteArray> &after, QString *error);

private:
    AppointmentTimes m_times;
    bool m_changed = false;
};
