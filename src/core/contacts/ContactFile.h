#pragma once

#include "ContactList.h"

#include <QString>

class DailyBackup;

// The address book on disk: "Morwinek.data" in the data folder and each contact's side files,
// "notes/<ID>.txt" and "foto/<ID>.jpg". Every change rewrites the data file whole and atomically;
// when a write fails the list in memory is left as it was before the change and the error text
// is handed back.
class ContactFile
{
public:
    static constexpr char fileName[] = "Morwinek.data";
    static constexpr char notesFolder[] = "notes";
    static constexpr char photoFolder[] = "foto";
    static constexpr int notesMaxLength = 4096;

    explicit ContactFile(QString dataDir);

    const QString &dataDir() const { return m_dataDir; }
    QString path() const;
    const ContactList &list() const { return m_list; }
    int count() const { return m_list.count(); }
    bool isEmpty() const { return m_list.isEmpty(); }

    // Reads the file; a missing file is an empty book. When the file is there but cannot be
    // read, the book stays empty and refuses every write, so the unread file is never replaced.
    [[nodiscard]] bool load(QString *error);
    [[nodiscard]] bool save(QString *error);

    // Appends the contact, removes any notes file its identifier left behind, and saves.
    [[nodiscard]] bool add(const Contact &contact, QString *error);
    // Puts the contact in place of the line at *position, sorts and saves, then writes (or removes)
    // its notes; *position follows the contact to its sorted place. A failed data save changes
    // nothing; failed notes leave the contact saved and the notes file as it was.
    [[nodiscard]] bool store(int *position, const Contact &contact, const QString &notes, QString *error);
    // Removes the line and saves; then the contact's notes and photo files go.
    [[nodiscard]] bool remove(int position, QString *error);
    // Appends the lines, sorts the whole list and saves, in one write of the file.
    [[nodiscard]] bool addSorted(const QList<QByteArray> &lines, QString *error);

    // Before each write of the data file the day's copy is taken, when one is given.
    void setBackup(DailyBackup *backup) { m_backup = backup; }

    // Side files are named by the trimmed identifier, and only an identifier of digits names
    // one, so that no data file can point a save or delete outside these folders.
    QString notesPath(const QString &id) const;
    QString photoPath(const QString &id) const;
    static bool isSafeIdentifier(const QString &id);

    // The notes of a contact; a missing file (or an identifier naming none) gives empty notes.
    [[nodiscard]] bool readNotes(const QString &id, QString *notes, QString *error) const;
    // Empty notes remove the file; otherwise its lines are written with CR LF.
    [[nodiscard]] bool writeNotes(const QString &id, const QString &notes, QString *error) const;

private:
    [[nodiscard]] bool saveOrRollBack(const QList<QByteArray> &before, QString *error);

    QString m_dataDir;
    ContactList m_list;
    QString m_readError; // set when the file could not be read
    DailyBackup *m_backup = nullptr;
};
