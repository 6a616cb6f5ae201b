#include "ContactImport.h"

#include "StoredValue.h"

#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoStore.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

bool ContactImport::foldToCp1250(QString *text)
{
    return StoredValue::foldToCp1250(text);
}

void ContactImport::prepare(const ContactList &book, QList<ExchangeContact> contacts)
{
    begin(book);
    m_free = std::numeric_limits<int>::max(); // everything given is kept, as the caller holds it anyway
    m_known.reserve(4 * (book.count() + contacts.size()));
    m_contacts.reserve(contacts.size());
    m_duplicate.reserve(contacts.size());
    m_folded.reserve(contacts.size());
    m_photoRefused.reserve(contacts.size());
    for (ExchangeContact &item : contacts) {
        (void)add(std::move(item), nullptr);
    }
}

void ContactImport::begin(const ContactList &book)
{
    m_contacts.clear();
    m_duplicate.clear();
    m_folded.clear();
    m_photoRefused.clear();
    m_readCount = 0;
    m_duplicateCount = 0;
    m_groupCount = 0;
    m_duplicatesKept = true;

    // Identifiers in use, as newIdentifiers() counts them.
    std::vector<bool> used(ContactList::lastIdentifier + 1, false);
    int inUse = 0;
    for (const QByteArray &line : book.lines()) {
        const std::optional<int> id = ContactList::identifierValue(Contact::idOf(line));
        if (id && *id >= ContactList::firstIdentifier && !used[static_cast<size_t>(*id)]) {
            used[static_cast<size_t>(*id)] = true;
            ++inUse;
        }
    }
    m_free = ContactList::lastIdentifier - ContactList::firstIdentifier + 1 - inUse;

    m_known.clear();
    m_known.reserve(4 * book.count());
    for (const QByteArray &line : book.lines()) {
        (void)m_known.addLine(line);
    }
}

void ContactImport::expect(qsizetype contacts)
{
    const qsizetype n = std::clamp<qsizetype>(contacts, 0, m_free);
    m_known.reserve(m_known.size() + 4 * n); // a name with up to three numbers and an address
    m_contacts.reserve(n);
    m_duplicate.reserve(n);
    m_folded.reserve(n);
    m_photoRefused.reserve(n);
}

void ContactImport::foldForStorage(ExchangeContact *item, bool *folded) const
{
    item->contact.ID.clear();
    for (const Contact::Column &column : Contact::columns()) {
        QString &value = item->contact.*column.field;
        if (!StoredValue::isStorable(value, column.width)) {
            value = StoredValue::storable(std::move(value), column.width, folded);
        }
    }
    foldNotes(&item->notes, folded);
}

void ContactImport::foldNotes(QString *notes, bool *folded)
{
    if (!notes->isEmpty()) {
        notes->replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    }
    *folded = StoredValue::foldToCp1250(notes) || *folded;
    notes->truncate(ContactFile::notesMaxLength);
    while (notes->endsWith(u'\n')) {
        notes->chop(1);
    }
}

bool ContactImport::sameNumber(const QString &a, const QString &b)
{
    return IdentityKeySet::sameNumber(a, b);
}

QList<QByteArray> ContactImport::identityKeys(const Contact &contact)
{
    return IdentityKeySet::keysOf(contact);
}

bool ContactImport::add(ExchangeContact item, QString *error)
{
    if (item.group) {
        ++m_groupCount; // a list of other cards: nothing for the book to hold
        return true;
    }
    bool folded = false;
    foldForStorage(&item, &folded);
    // A photo is checked as a chosen one is; a contact whose photo fails is added without it.
    const bool photoRefused = !item.photo.isEmpty() && !PhotoStore::check(item.photo, nullptr);
    if (photoRefused) {
        item.photo.clear();
    }
    return keep(
        {PackedContact::fromContact(item.contact), std::move(item.notes), std::move(item.photo), std::move(item.uid)},
        folded,
        photoRefused,
        error);
}

bool ContactImport::addStored(PackedContact fields, QString notes, QString *error)
{
    bool folded = false;
    foldNotes(&notes, &folded);
    return keep({std::move(fields), std::move(notes), {}, {}}, folded, false, error);
}

bool ContactImport::keep(Kept item, bool folded, bool photoRefused, QString *error)
{
    const bool duplicate = m_known.addContact(item.fields);
    ++m_readCount;
    m_duplicateCount += duplicate ? 1 : 0;
    if (m_readCount - m_duplicateCount > m_free) {
        if (error) {
            *error = u"Nie można zaimportować kontaktów: nowych (niebędących duplikatami) jest w pliku więcej, niż "
                     u"w książce adresowej jest wolnych identyfikatorów (%1)."_s.arg(m_free);
        }
        return false;
    }
    if (m_duplicatesKept && m_readCount > m_free) {
        // Adding all of them is out of reach now; only the new ones can still be added.
        m_duplicatesKept = false;
        qsizetype kept = 0;
        for (qsizetype i = 0; i < m_contacts.size(); ++i) {
            if (!m_duplicate[i]) {
                m_contacts[kept] = std::move(m_contacts[i]);
                m_folded[kept] = m_folded[i];
                m_photoRefused[kept] = m_photoRefused[i];
                ++kept;
            }
        }
        m_contacts.resize(kept);
        m_folded.resize(kept);
        m_photoRefused.resize(kept);
        m_duplicate.fill(false, kept);
        m_contacts.squeeze();
    }
    if (duplicate && !m_duplicatesKept) {
        return true;
    }
    m_contacts.append(std::move(item));
    m_duplicate.append(duplicate);
    m_folded.append(folded);
    m_photoRefused.append(photoRefused);
    return true;
}

QList<ExchangeContact> ContactImport::contacts() const
{
    QList<ExchangeContact> result;
    result.reserve(m_contacts.size());
    for (const Kept &kept : m_contacts) {
        result.append({Contact::fromLine(kept.fields.line()), kept.notes, kept.photo, kept.uid});
    }
    return result;
}

bool ContactImport::apply(ContactFile &book,
                          bool onlyNew,
                          Result *result,
                          QString *error,
                          const std::function<void(qsizetype done, qsizetype total)> &written) const
{
    return addTo(book, onlyNew, true, result, error, written);
}

bool ContactImport::applyToFile(ContactFile &book, bool onlyNew, Result *result, QString *error) const
{
    return addTo(book, onlyNew, false, result, error);
}

bool ContactImport::addTo(ContactFile &book,
                          bool onlyNew,
                          bool listed,
                          Result *result,
                          QString *error,
                          const std::function<void(qsizetype done, qsizetype total)> &written) const
{
    Result r;
    r.read = readCount();
    r.groups = m_groupCount;
    // Duplicates left out while reading cannot be added, so all of them cannot be either.
    if (!onlyNew && !m_duplicatesKept) {
        if (error) {
            *error = u"Nie można zaimportować %1 kontaktów: w książce adresowej brakuje wolnych identyfikatorów "
                     u"(najwyższy to %2)."_s.arg(r.read)
                         .arg(ContactList::lastIdentifier);
        }
        return false;
    }
    QList<const Kept *> chosen;
    chosen.reserve(m_contacts.size());
    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        if (onlyNew && m_duplicate[i]) {
            continue;
        }
        chosen.append(&m_contacts[i]);
        r.folded += m_folded[i] ? 1 : 0;
        r.photosRefused += m_photoRefused[i] ? 1 : 0;
    }
    if (onlyNew) {
        r.skipped = m_duplicateCount; // counting those no longer kept
    }
    if (!ImportWrite::add(book, chosen, listed, &r.sideFileErrors, error, written)) {
        return false;
    }
    r.added = static_cast<int>(chosen.size());
    if (result) {
        *result = r;
    }
    return true;
}
