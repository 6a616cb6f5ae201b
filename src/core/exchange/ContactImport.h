#pragma once

#include "ExchangeContact.h"
#include "IdentityKeySet.h"
#include "ImportWrite.h"
#include "PackedContact.h"

#include <QStringList>

class ContactFile;
class ContactList;

// Contacts read from another program, made fit for the address book and added to it.
//
// prepare() brings every contact to what the data file can hold (characters code page 1250 has
// no place for become their letter without the accent, or '?'; values are cut to their widths;
// line breaks inside a field become blanks) and marks the duplicates: contacts with the same name
// (case ignored) and the same telephone number (digits compared) or e-mail address as a contact
// of the book or one met earlier in the same file; of two contacts with neither, the name decides.
class ContactImport
{
public:
    struct Result
    {
        int read = 0;
        int added = 0;
        int skipped = 0;            // duplicates left out
        int groups = 0;             // group cards left out: a phone's lists of contacts, no contacts
        int folded = 0;             // added contacts in which some character had to be replaced
        int photosRefused = 0;      // added contacts whose photo was left out: no readable JPEG within the limits
        QStringList sideFileErrors; // notes or photos that could not be written
    };

    void prepare(const ContactList &book, QList<ExchangeContact> contacts);

    // The same one contact at a time, as a file is read: begin() with the book, then add() each.
    // add() refuses (false, with the reason) as soon as the contacts that are no duplicates
    // outnumber the book's free identifiers. Once the file holds more contacts than there are
    // free identifiers only the new ones can be added, and the duplicates are no longer kept
    // (they are still counted), so memory stays bounded by what can be imported.
    void begin(const ContactList &book);
    [[nodiscard]] bool add(ExchangeContact item, QString *error);
    // The same for a contact read in the data file's form already (every field storable, trimmed
    // and within its width, no identifier), with its notes as read.
    [[nodiscard]] bool addStored(PackedContact fields, QString notes, QString *error);
    // After begin(): about how many contacts will be added, so the tables grow once. Never more
    // than the book's free identifiers are made room for.
    void expect(qsizetype contacts);

    // The contacts kept, as made fit for the book (without identifiers), each with its duplicate mark.
    QList<ExchangeContact> contacts() const;
    const QList<bool> &duplicates() const { return m_duplicate; }
    int readCount() const { return m_readCount; }
    int duplicateCount() const { return m_duplicateCount; }
    int groupCount() const { return m_groupCount; }

    // Adds every contact, or only those that are no duplicates, with new identifiers, in one
    // write of the data file, sorted as a save sorts, after their notes and photos are written.
    // False with the reason when nothing was added (the book and its file are then unchanged).
    // written hears how far the writing is (see ImportWrite::add()).
    [[nodiscard]] bool apply(ContactFile &book,
                             bool onlyNew,
                             Result *result,
                             QString *error,
                             const std::function<void(qsizetype done, qsizetype total)> &written = {}) const;
    // The same for a caller done with the book afterwards: the contacts go to the data file as it
    // is written, without ever being held as lines, and the book must be loaded again to show
    // them (see ContactFile::writeAdded()).
    [[nodiscard]] bool applyToFile(ContactFile &book, bool onlyNew, Result *result, QString *error) const;

    // The text made storable; true when some character was replaced.
    static bool foldToCp1250(QString *text);
    // What marks two contacts as one person (the same name and a telephone number or the e-mail
    // address in common; a name alone for a contact with neither): one key each.
    static QList<QByteArray> identityKeys(const Contact &contact);
    // One telephone number written two ways ("+48 600-100-200", "600 100 200"), as duplicates are found.
    static bool sameNumber(const QString &a, const QString &b);

private:
    // A contact as the import keeps it until apply().
    using Kept = ImportedContact;

    [[nodiscard]] bool addTo(ContactFile &book,
                             bool onlyNew,
                             bool listed,
                             Result *result,
                             QString *error,
                             const std::function<void(qsizetype done, qsizetype total)> &written = {}) const;
    void foldForStorage(ExchangeContact *item, bool *folded) const;
    // Notes as the notes file keeps them: line breaks as LF, storable, within their length.
    static void foldNotes(QString *notes, bool *folded);
    // Keeps a contact made fit for the book; see add().
    [[nodiscard]] bool keep(Kept item, bool folded, bool photoRefused, QString *error);

    QList<Kept> m_contacts;
    QList<bool> m_duplicate;
    QList<bool> m_folded;
    QList<bool> m_photoRefused;
    IdentityKeySet m_known; // the keys of the book and of the contacts met so far
    int m_readCount = 0;
    int m_duplicateCount = 0;
    int m_groupCount = 0;         // group cards met, never kept
    int m_free = 0;               // identifiers free in the book
    bool m_duplicatesKept = true; // false once the file cannot be imported whole
};
