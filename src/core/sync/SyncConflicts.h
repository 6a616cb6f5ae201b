#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

class DailyBackup;

// The server's copies of items changed on both sides, kept in the folder "konflikty" of the data
// folder until the user decides: each file is named by the contact's name or the appointment's
// date and text and the time it was kept, and a small hidden index (".konflikty.lst", ASCII lines, one per
// conflict) says which item here it belongs to. This side's version is already in the book and
// was sent; keeping the server's puts it here, and the next sync sends it.
class SyncConflicts
{
public:
    static constexpr char folder[] = "konflikty";
    static constexpr char indexName[] = ".konflikty.lst";

    struct Entry
    {
        bool calendar = false;
        QString key;  // the contact's identifier, or the appointment's record when it was kept
        QString uid;  // of the server's item: finds the appointment after later edits
        QString file; // name of the server's copy in the folder
        QDateTime kept;
        QString title; // the contact's name, or the appointment's date and text
    };

    // One line of the side by side view: the field, this side's and the server's value.
    struct Field
    {
        QString label;
        QString here;
        QString server;
        bool differs() const { return here != server; }
    };

    explicit SyncConflicts(QString dataDir);

    // Keeps the server's text of the item with the local key; an earlier conflict of the same item
    // is replaced. False with the reason when the copy could not be written.
    [[nodiscard]] bool
    add(bool calendar, const QString &key, const QByteArray &serverText, const QDateTime &when, QString *error) const;
    // The conflicts waiting, oldest first; those whose file is gone are left out.
    QList<Entry> entries() const;
    QString filePath(const Entry &entry) const;

    // Both versions field by field; empty with the reason when either cannot be read (the item
    // was deleted here since, or the copy is unreadable).
    QList<Field> compare(const Entry &entry, QString *error) const;

    // The user keeps this side's version (already sent): the copy and its entry go.
    [[nodiscard]] bool keepHere(const Entry &entry, QString *error) const;
    // The user keeps the server's version: it replaces this side's item here (as an edit would,
    // so the next sync sends it), then the copy and its entry go. today bounds nothing: every
    // stored appointment is kept.
    [[nodiscard]] bool keepServer(const Entry &entry, DailyBackup *backup, const QDate &today, QString *error) const;

    // A name safe for a file on every system: letters, digits, blanks and a few marks, at most
    // 60 characters, never empty and never starting with a dot.
    static QString safeFileName(const QString &text);

private:
    [[nodiscard]] bool writeIndex(const QList<Entry> &entries, QString *error) const;
    QList<Entry> readIndex() const;
    [[nodiscard]] bool forget(const Entry &entry, QString *error) const;
    // The appointment's record here now: the one synced under the entry's UID, else the one kept.
    QString currentRecord(const Entry &entry) const;

    QString m_dataDir;
};
