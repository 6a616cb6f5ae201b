#pragma once

#include "Appointment.h"
#include "AppointmentTimes.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class AppointmentEdits;
class AppointmentRange;
class DailyBackup;

// What the appointments window shows and keeps: the list of coming appointments mixed with the
// contacts' name days, birthdays and wedding anniversaries near today, the person list for its
// person editor, and the store, the lines of "Morwinek.term" that the file is rewritten from.
//
// Store changes are all or nothing: the file is written first, and memory changes only when the
// write succeeded, so a failed save leaves both the file and the store as they were.
class AppointmentList
{
public:
    static constexpr const char *contactsFileName = "Morwinek.data";
    static constexpr const char *fileName = "Morwinek.term";

    // Whether build() keeps every contact's name for the person list; the start-up reminder only
    // needs the dates.
    enum class Persons
    {
        Kept,
        Skipped
    };

    // Builds everything from the two files in dataDir. Contact dates are those of the current
    // year within range days of today; stored appointments are kept when not more than range
    // days old, the other lines leave the store (and the file at its next save).
    // False with the system's error text when a file exists but cannot be read; the rest is built.
    [[nodiscard]] bool build(const QString &dataDir,
                             const QDate &today,
                             int range,
                             QString *error = nullptr,
                             Persons persons = Persons::Kept);

    // Today as "dd.MM.yyyy", as the window's date label shows it.
    const QString &todayText() const { return m_todayText; }
    // The entries, sorted by ListView1Compare.
    const QList<Appointment> &entries() const { return m_entries; }
    // Every contact's name, trimmed, in the order of the contacts file.
    const QStringList &persons() const { return m_persons; }
    // The store: the kept lines of the appointments file, in file order.
    const QStringList &store() const { return m_store; }
    const QString &path() const { return m_path; }

    // The index of the first store line equal to record, character for character; -1 when none is.
    int Pozycja(const QString &record) const;

    // Rewrites the file from the store.
    [[nodiscard]] bool TerminyZapisz(QString *error) const;
    // Removes the store line at replaced (when it is a valid index), appends record at the end,
    // and rewrites the file.
    [[nodiscard]] bool saveRecord(const QString &record, int replaced, QString *error);
    // Removes the store line at index (when it is a valid index) and rewrites the file.
    [[nodiscard]] bool removeRecord(int index, QString *error);

    // Before each write of the file the day's copy is taken, when one is given.
    void setBackup(DailyBackup *backup)
    {
        m_backup = backup;
        m_times.setBackup(backup);
    }

    // The time of day and alarm of a stored appointment, by its record; empty when it has none.
    AppointmentTime timeOf(const QString &record) const { return m_times.time(record); }
    // Gives the record (a store line) its time and rewrites the side file; an empty time makes it
    // an all-day appointment again. The entries of the list are not changed.
    [[nodiscard]] bool setTime(const QString &record, const AppointmentTime &time, QString *error);
    // False when the side file could not be read at build(): its times are then unknown here.
    bool timesReadable() const { return m_timesError.isEmpty(); }
    // Each replaced or removed record is told to the sync's record of edits, when one is given.
    void setEdits(const AppointmentEdits *edits) { m_edits = edits; }

    // Sorts entries in place by ListView1Compare, stable for equal keys.
    static void sort(QList<Appointment> &entries);

private:
    void addContactDates(QByteArrayView line, int year, const AppointmentRange &range, Persons persons);
    void TerminyCzytaj(const AppointmentRange &range, QString *error, bool *readable);
    [[nodiscard]] bool writeStore(const QStringList &store, QString *error) const;
    void attachTimes(const QString &dataDir);
    // After a store write: the time of the line at replaced (-1: none) goes to record (empty: none).
    void carryTime(int replaced, const QString &record, const QStringList &store);

    QString m_todayText;
    QString m_path;
    QList<Appointment> m_entries;
    QStringList m_persons;
    QStringList m_store;
    // Set when the appointments file exists but could not be read: writing the store over it would
    // lose every appointment the file holds, so saves are refused with this text.
    QString m_readError;
    DailyBackup *m_backup = nullptr;
    const AppointmentEdits *m_edits = nullptr;
    AppointmentTimes m_times;
    QString m_timesError;
};
