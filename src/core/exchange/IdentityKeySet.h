#pragma once

#include "PackedContact.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

struct Contact;

// The identity keys of the contacts met so far, which tell a duplicate: two contacts are one
// person when they have the same name (case ignored) and a telephone number (digits compared) or
// the e-mail address in common; of two contacts with neither, the name decides. Each key is kept
// as "name" + separator + kind + number or address, lower-cased as QString would lower-case it.
//
// The keys' bytes lie one after another, each behind its length, with an open-addressing table
// of their hashes, so that a key costs no allocation of its own and an insert tells whether it
// was there.
class IdentityKeySet
{
public:
    void clear();
    // Room for about as many keys (a contact has one to four).
    void reserve(qsizetype keys);
    qsizetype size() const { return static_cast<qsizetype>(m_count); }

    // Adds the keys of a contact as the data file stores it (a line of the file, or its fields);
    // true when one of them was there already.
    bool addLine(QByteArrayView line);
    bool addContact(const PackedContact &fields);

    // The keys of one contact.
    static QList<QByteArray> keysOf(const Contact &contact);
    // One telephone number written two ways ("+48 600-100-200", "600 100 200").
    static bool sameNumber(const QString &a, const QString &b);

private:
    // Eight bytes, so a large table stays small: the import's files are far below 4 GB. The
    // key's length is the byte before its characters.
    struct Slot
    {
        quint32 hash = 0; // 0: empty
        quint32 offset = 0;
    };

    // Adds the keys of a contact's stored name, numbers and address.
    bool add(QByteArrayView name, const QByteArrayView (&phones)[3], QByteArrayView email);
    // Adds the keys (at most four, all different); true when one of them was there already.
    bool insertAll(const QByteArrayView *keys, int count);
    void grow(size_t tableSize);
    // Adds the key (at most 255 bytes) of the hash, with room in the table; false when it was
    // there already.
    bool insert(QByteArrayView key, quint32 hash);

    std::vector<char> m_text;
    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
