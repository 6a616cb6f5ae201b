#pragma once

#include "ExchangeContact.h"

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
        int folded = 0;             // added contacts in which some character had to be replaced
        int photosRefused = 0;      // added contacts whose photo was left out: no readable JPEG within the limits
        QStringList sideFileErrors; // notes or photos that could not be written
    };

    void prepare(const ContactList &book, QList<ExchangeContact> contacts);

    const QList<ExchangeContact> &contacts() const { return m_contacts; }
    const QList<bool> &duplicates() const { return m_duplicate; }
    int readCount() const { return static_cast<int>(m_contacts.size()); }
    int duplicateCount() const { return m_duplicateCount; }

    // Adds every contact, or only those that are no duplicates, with new identifiers, in one
    // write of the data file, sorted as a save sorts, after their notes and photos are written.
    // False with the reason when nothing was added (the book and its file are then unchanged).
    [[nodiscard]] bool apply(ContactFile &book, bool onlyNew, Result *result, QString *error) const;

    // The text made storable; true when some character was replaced.
    static bool foldToCp1250(QString *text);
    // Digits of a telephone number as compared for duplicates: "+48 600-100-200" -> "600100200".
    static QString phoneKey(QStringView number);

private:
    QList<ExchangeContact> m_contacts;
    QList<bool> m_duplicate;
    QList<bool> m_folded;
    QList<bool> m_photoRefused;
    int m_duplicateCount = 0;
};
