#pragma once

#include "Appointment.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class DailyBackup;

namespace ClockText {
// "14:30", also "9:05"; an empty text is no time (all-day). *ok is false for any other text.
QTime parse(const QString &text, bool *ok);
// "14:30"; empty for an invalid time.
QString toText(const QTime &time);
} // namespace ClockText

// Times of day and alarms of stored appointments, kept in a file of their own beside
// "Morwinek.term" so that file keeps exactly its records. An entry is found by its appointment's
// record, the line as "Morwinek.term" holds it; an entry whose record is gone is ignored and left
// out at the next write. The file also remembers which alarms were shown and the last day whose
// dates were announced, so neither is shown twice.
//
// The file, code page 1250 with CR LF, one item a line, the record always last:
//   T|14:30|15:30|15|<record>        start, end (may be empty), alarm minutes before (-1: none)
//   S|2026-12-06T14:15|<record>      the alarm due at that moment was shown
//   D|06.12.2026                     that day's dates were announced
class AppointmentTimes
{
public:
    static constexpr const char *fileName = "Morwinek.godziny";

    // Reads the file of dataDir; a missing file gives no entries. False with the system's text
    // when it exists but cannot be read, and nothing is kept then.
    [[nodiscard]] bool load(const QString &dataDir, QString *error = nullptr);
    const QString &path() const { return m_path; }

    // The time of the record; an empty one (all-day, no alarm) when it has none.
    AppointmentTime time(const QString &record) const;
    // Sets or, with an empty time, removes the record's entry. In memory until save().
    void setTime(const QString &record, const AppointmentTime &time);
    // The record was replaced by another: its entry, if any, goes with it.
    void move(const QString &from, const QString &to);
    void remove(const QString &record) { m_times.remove(record); }
    // Records that have an entry.
    QStringList records() const { return m_times.keys(); }

    bool wasShown(const QString &record, const QDateTime &alarmAt) const;
    void markShown(const QString &record, const QDateTime &alarmAt);
    // The same with the moment as "yyyy-MM-ddTHH:mm".
    bool wasShown(const QString &record, const QString &moment) const;
    void markShown(const QString &record, const QString &moment);
    // The last day whose dates were announced; null when none was.
    QDate announcedDay() const { return m_announced; }
    void setAnnouncedDay(const QDate &day) { m_announced = day; }

    // Replaces the file with the entries of the records in live. The shown alarms and the
    // announced day another writer put in the file meanwhile are kept, so no alarm comes twice.
    [[nodiscard]] bool save(const QStringList &live, QString *error = nullptr);
    void setBackup(DailyBackup *backup) { m_backup = backup; }

private:
    struct Read
    {
        QHash<QString, AppointmentTime> times;
        QSet<QString> shown;
        QDate announced;
    };
    static bool read(const QString &path, Read *into, QString *error);

    QString m_path;
    QHash<QString, AppointmentTime> m_times;
    QSet<QString> m_shown; // "yyyy-MM-ddTHH:mm|record"
    QDate m_announced;
    DailyBackup *m_backup = nullptr;
};
