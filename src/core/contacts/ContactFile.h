#pragma once

#include "ContactList.h"

#include <QString>

#include <functional>

class DailyBackup;

// The address book on disk: "Morwinek.data" in the data folder and each contact's side files,
// "notes/<ID>.txt" and "foto/<ID>.jpg". Every change rewrites the data file whole and atomically;
// when a write fails the list in memory is left as it was before the change and the error text
// is handed back. Side files are written before the data file that names their contact, so a
// program that dies between the two leaves only files of identifiers the data file does not hold,
// and those are cleared whenever an identifier is given out again.
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

    // Removes the notes and photo an earlier holder of the identifier left behind, then appends
    // the contact and saves. When a leftover cannot be removed nothing is added.
    [[nodiscard]] bool add(const Contact &contact, QString *error);
    // Writes (or removes) the contact's notes, then puts the contact in place of the line at
    // *position, sorts and saves; *position follows the contact to its sorted place. When either
    // step fails nothing has changed: notes written before a failed save are put back.
    [[nodiscard]] bool store(int *position, const Contact &contact, const QString &notes, QString *error);
    // Removes the line and saves; then the contact's notes and photo files go.
    [[nodiscard]] bool remove(int position, QString *error);
    // Appends the lines, sorts the whole list and saves, in one write of the file.
    [[nodiscard]] bool addSorted(const QList<QByteArray> &lines, QString *error);
    // Writes the file as addSorted() would with count lines added, each made only as it is
    // written: lineOf(k, line) fills the k-th added line, nameOf(k) gives its stored name for the
    // order. For a caller done with the book afterwards (an import from the command line), which
    // so never holds all the added contacts as lines. The list is not given them: after the write
    // it is emptied, and the book refuses every write until it is loaded again. When the write
    // fails nothing has changed.
    [[nodiscard]] bool writeAdded(qsizetype count,
                                  const std::function<QByteArrayView(qsizetype k)> &nameOf,
                                  const std::function<void(qsizetype k, QByteArray *line)> &lineOf,
                                  QString *error);

    // Before each write of the data file the day's copy is taken, when one is given.
    void setBackup(DailyBackup *backup) { m_backup = backup; }
    // Identifiers held elsewhere for this data folder (the sync's record of contacts the server
    // knows): read at each load, never given to a new contact.
    using IdentifierReserve = std::function<QSet<int>(const QString &dataDir)>;
    void setIdentifierReserve(IdentifierReserve reserve) { m_reserve = std::move(reserve); }

    // Side files are named by the trimmed identifier, and only an identifier of digits names
    // one, so that no data file can point a save or delete outside these folders.
    // The folders of the contacts' notes and photos, which the day's copy takes with the data file.
    static QStringList sideFolders() { return {QLatin1String(notesFolder), QLatin1String(photoFolder)}; }
    QString notesPath(const QString &id) const;
    QString photoPath(const QString &id) const;
    static bool isSafeIdentifier(const QString &id);

    // The notes of a contact; a missing file (or an identifier naming none) gives empty notes.
    [[nodiscard]] bool readNotes(const QString &id, QString *notes, QString *error) const;
    // Empty notes remove the file; otherwise its lines are written with CR LF.
    [[nodiscard]] bool writeNotes(const QString &id, const QString &notes, QString *error) const;
    // Empty bytes remove the photo file; otherwise it is replaced whole.
    [[nodiscard]] bool writePhoto(const QString &id, const QByteArray &bytes, QString *error) const;

    // Fault injection for tests: asked before each file of the book is written or removed; when it
    // answers false that step fails as if the program had died just before it.
    using WriteGate = std::function<bool(const QString &path)>;
    void setWriteGate(WriteGate gate) { m_writeGate = std::move(gate); }

private:
    [[nodiscard]] bool saveOrRollBack(const QList<QByteArray> &before, QString *error);
    // Before the data file is replaced: false with the reason when it must not be (it could not be
    // read, or the write gate refuses); else the day's copy is taken.
    [[nodiscard]] bool readyToReplace(QString *error);
    [[nodiscard]] bool mayWrite(const QString &file, QString *error) const;
    [[nodiscard]] bool removeSideFile(const QString &file, QString *error) const;

    QString m_dataDir;
    ContactList m_list;
    QString m_readError; // set when the file could not be read
    DailyBackup *m_backup = nullptr;
    WriteGate m_writeGate;
    IdentifierReserve m_reserve;
};
