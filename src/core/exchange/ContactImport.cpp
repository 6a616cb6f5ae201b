#include "ContactImport.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoStore.h"

#include <QDir>
#include <QSet>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

namespace {

using namespace Qt::StringLiterals;

// The letter a character is built on, when code page 1250 holds it: "ñ" -> "n", "ø" -> "o".
std::optional<QChar> baseLetter(char32_t ch)
{
    switch (ch) {
    case U'ø':
        return QChar(u'o');
    case U'Ø':
        return QChar(u'O');
    case U'ı':
        return QChar(u'i');
    case U'ħ':
        return QChar(u'h');
    case U'Ħ':
        return QChar(u'H');
    case U'ŧ':
        return QChar(u't');
    case U'Ŧ':
        return QChar(u'T');
    default:
        break;
    }
    const QString decomposed = QChar::decomposition(ch);
    if (decomposed.isEmpty()) {
        return std::nullopt;
    }
    const QChar first = decomposed.at(0);
    if (first.isLetterOrNumber() && Cp1250::encodeChar(first) >= 0) {
        return first;
    }
    return std::nullopt;
}

// Field text as one line: every control character (a line break too) becomes a blank.
void flattenControls(QString *text)
{
    const auto isControl = [](QChar ch) {
        return ch.unicode() < 0x20 || ch.unicode() == 0x7F;
    };
    if (std::none_of(text->cbegin(), text->cend(), isControl)) {
        return; // the common case, without a copy
    }
    std::replace_if(text->begin(), text->end(), isControl, QChar(u' '));
}

} // namespace

bool ContactImport::foldToCp1250(QString *text)
{
    if (Cp1250::canEncode(*text)) {
        return false;
    }
    QString result;
    result.reserve(text->size());
    bool replaced = false;
    for (qsizetype i = 0; i < text->size(); ++i) {
        const QChar ch = text->at(i);
        if (Cp1250::encodeChar(ch) >= 0) {
            result.append(ch);
            continue;
        }
        replaced = true;
        char32_t code = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < text->size() && text->at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(ch, text->at(i + 1));
            ++i;
        }
        const std::optional<QChar> base = baseLetter(code);
        result.append(base ? *base : QChar(u'?'));
    }
    *text = result;
    return replaced;
}

namespace {

// What the identity keys compare, byte by byte of code page 1250, as QString would on the decoded
// text: which bytes QChar::isSpace() and QChar::isDigit() call so, and each byte's lower case.
struct KeyBytes
{
    std::array<char, 256> lower{};
    std::array<bool, 256> space{};
    std::array<bool, 256> digit{};
};

const KeyBytes &keyBytes()
{
    static const KeyBytes table = [] {
        KeyBytes t;
        for (int b = 0; b < 256; ++b) {
            const QChar ch = Cp1250::decodeByte(static_cast<unsigned char>(b));
            const int lower = Cp1250::encodeChar(ch.toLower());
            t.lower[b] = static_cast<char>(lower < 0 ? b : lower); // every letter's lower case is there
            t.space[b] = ch.isSpace();
            t.digit[b] = ch.isDigit();
        }
        return t;
    }();
    return table;
}

// A stored field as the keys take it: without the blanks QString::trimmed() would take off.
QByteArrayView keyTrimmed(QByteArrayView field)
{
    const KeyBytes &t = keyBytes();
    field = FixedText::trimmedBytes(field);
    while (!field.isEmpty() && t.space[static_cast<unsigned char>(field.front())]) {
        field = field.sliced(1);
    }
    while (!field.isEmpty() && t.space[static_cast<unsigned char>(field.back())]) {
        field.chop(1);
    }
    return field;
}

// The digits of a telephone number as compared for duplicates: "+48 600-100-200" -> "600100200".
// digits has room for as many as the number has bytes.
QByteArrayView phoneDigits(QByteArrayView number, char *digits)
{
    const KeyBytes &t = keyBytes();
    qsizetype n = 0;
    for (const char ch : number) {
        if (t.digit[static_cast<unsigned char>(ch)]) {
            digits[n++] = ch;
        }
    }
    qsizetype skip = 0;
    if (n >= 2 && digits[0] == '0' && digits[1] == '0') {
        skip = 2;
    }
    if (n - skip == 11 && digits[skip] == '4' && digits[skip + 1] == '8') {
        skip += 2; // a Polish number with its country code
    }
    return QByteArrayView(digits + skip, n - skip);
}

// Writes the text lower-cased to out and gives the end.
char *copyLower(QByteArrayView text, char *out)
{
    const KeyBytes &t = keyBytes();
    for (const char ch : text) {
        *out++ = t.lower[static_cast<unsigned char>(ch)];
    }
    return out;
}

// A hash of a key eight bytes at a time; the keys are short and made by this program.
quint32 keyHash(QByteArrayView key)
{
    const char *p = key.data();
    qsizetype n = key.size();
    quint64 h = 0x9E3779B97F4A7C15ULL ^ static_cast<quint64>(n);
    while (n >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xFF51AFD7ED558CCDULL;
        h ^= h >> 32;
        p += 8;
        n -= 8;
    }
    quint64 rest = 0;
    std::memcpy(&rest, p, static_cast<size_t>(n));
    h = (h ^ rest) * 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 29;
    return static_cast<quint32>(h);
}

// The columns the identity keys are made of, by their index in Contact::columns().
struct KeyColumns
{
    int name = 0;
    int phones[3] = {};
    int email = 0;
};

const KeyColumns &keyColumns()
{
    static const KeyColumns found = [] {
        const auto index = Contact::columnIndex;
        KeyColumns k;
        k.name = index(&Contact::Nazwa);
        k.phones[0] = index(&Contact::TelDom);
        k.phones[1] = index(&Contact::TelKom);
        k.phones[2] = index(&Contact::TelSlu);
        k.email = index(&Contact::Email);
        return k;
    }();
    return found;
}

} // namespace

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
    const KeyColumns &keys = keyColumns();
    const auto &columns = Contact::columns();
    for (const QByteArray &line : book.lines()) {
        const auto field = [&](int column) {
            return Contact::rawField(line, columns[column]);
        };
        const QByteArrayView phones[3] = {field(keys.phones[0]), field(keys.phones[1]), field(keys.phones[2])};
        (void)addKeys(field(keys.name), phones, field(keys.email));
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
        // Most fields are empty or plain printable ASCII that needs neither folding nor trimming.
        const bool plain = value.isEmpty()
                           || (value.size() <= column.width && value.front() != u' ' && value.back() != u' '
                               && std::all_of(value.cbegin(), value.cend(), [](QChar ch) {
                                      return ch.unicode() >= 0x20 && ch.unicode() < 0x7F;
                                  }));
        if (plain) {
            continue;
        }
        *folded = foldToCp1250(&value) || *folded;
        flattenControls(&value);
        // What the data file keeps: trimmed, cut to the width (one byte a character by now).
        value = FixedText::trimmed(value);
        if (value.size() > column.width) {
            value = FixedText::trimmed(value.left(column.width));
        }
    }
    foldNotes(&item->notes, folded);
}

void ContactImport::foldNotes(QString *notes, bool *folded)
{
    if (!notes->isEmpty()) {
        notes->replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    }
    *folded = foldToCp1250(notes) || *folded;
    notes->truncate(ContactFile::notesMaxLength);
    while (notes->endsWith(u'\n')) {
        notes->chop(1);
    }
}

void ContactImport::KeySet::clear()
{
    m_text.clear();
    m_slots.clear();
    m_count = 0;
}

void ContactImport::KeySet::reserve(qsizetype keys)
{
    m_text.reserve(static_cast<size_t>(keys) * 40);
    size_t tableSize = 16;
    while (10 * static_cast<size_t>(keys) > 7 * tableSize) {
        tableSize *= 2;
    }
    if (tableSize > m_slots.size()) {
        grow(tableSize);
    }
}

void ContactImport::KeySet::grow(size_t tableSize)
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(tableSize, Slot());
    for (const Slot &slot : old) {
        if (slot.hash != 0) {
            size_t i = slot.hash & (tableSize - 1);
            while (m_slots[i].hash != 0) {
                i = (i + 1) & (tableSize - 1);
            }
            m_slots[i] = slot;
        }
    }
}

bool ContactImport::KeySet::insertAll(const QByteArrayView *keys, int count)
{
    while (10 * (m_count + static_cast<size_t>(count)) > 7 * m_slots.size()) {
        grow(std::max<size_t>(16, 2 * m_slots.size()));
    }
    // The slots of a contact's keys are far apart in a large table: they are asked for together,
    // so that the memory fetches overlap instead of following one another.
    quint32 hashes[4];
    const size_t mask = m_slots.size() - 1;
    QByteArrayView cut[4]; // a key is far shorter than 255 bytes: a name, a separator, a kind and an address
    for (int k = 0; k < count; ++k) {
        cut[k] = keys[k].first(std::min<qsizetype>(keys[k].size(), 255));
        hashes[k] = std::max<quint32>(1, keyHash(cut[k]));
#if defined(__GNUC__)
        __builtin_prefetch(&m_slots[hashes[k] & mask]);
#endif
    }
    bool known = false;
    for (int k = 0; k < count; ++k) {
        known = !insert(cut[k], hashes[k]) || known;
    }
    return known;
}

bool ContactImport::KeySet::insert(QByteArrayView key, quint32 hash)
{
    const auto length = static_cast<unsigned char>(key.size());
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    for (; m_slots[i].hash != 0; i = (i + 1) & mask) {
        const Slot &slot = m_slots[i];
        if (slot.hash == hash && static_cast<unsigned char>(m_text[slot.offset]) == length
            && std::memcmp(key.data(), m_text.data() + slot.offset + 1, length) == 0) {
            return false;
        }
    }
    const size_t at = m_text.size();
    if (at + 1 + length > std::numeric_limits<quint32>::max()) {
        return true; // beyond any file the import takes (1 GB gives well under 4 GB of keys)
    }
    m_slots[i] = {hash, static_cast<quint32>(at)};
    m_text.resize(at + 1 + length);
    m_text[at] = static_cast<char>(length);
    std::memcpy(m_text.data() + at + 1, key.data(), length);
    ++m_count;
    return true;
}

// What makes two contacts of one name the same person: a telephone number or the e-mail address,
// each kept as "name" + separator + kind + number or address. A key met before makes a duplicate;
// one number in two fields of a contact must not make it a duplicate of itself, so a number
// repeated within the contact counts once.
struct ContactImport::IdentityKeys
{
    // Stored fields are within their widths, so a key fits: name, separator, kind, address.
    char made[4][2 + Contact::nameWidth + 64];
    QByteArrayView found[4];
    int count = 0;

    IdentityKeys(QByteArrayView name, const QByteArrayView (&phones)[3], QByteArrayView email)
    {
        const auto &columns = Contact::columns();
        const KeyColumns &keys = keyColumns();
        const auto within = [](QByteArrayView field, qsizetype width) {
            return field.first(std::min(field.size(), width));
        };
        name = within(keyTrimmed(name), columns[keys.name].width);
        email = within(keyTrimmed(email), columns[keys.email].width);
        // The next key with the name in front; its kind and value follow at the end given back.
        const auto next = [&](char kind) {
            char *const kindAt = copyLower(name, made[count]);
            kindAt[0] = '\x1f';
            kindAt[1] = kind;
            return kindAt + 2;
        };
        const auto take = [&](char *end) {
            found[count] = QByteArrayView(made[count], end - made[count]);
            ++count;
        };
        char digits[3][64];
        QByteArrayView numbers[3];
        int numberCount = 0;
        for (const QByteArrayView phone : phones) {
            const QByteArrayView these = phoneDigits(within(phone, 64), digits[numberCount]);
            if (!these.isEmpty() && std::find(numbers, numbers + numberCount, these) == numbers + numberCount) {
                numbers[numberCount++] = these;
                take(std::copy(these.begin(), these.end(), next('t')));
            }
        }
        if (!email.isEmpty()) {
            take(copyLower(email, next('e')));
        }
        if (count == 0) {
            take(next('-')); // no number and no address: the same as another such of that name
        }
    }
};

bool ContactImport::addKeys(QByteArrayView name, const QByteArrayView (&phones)[3], QByteArrayView email)
{
    const IdentityKeys keys(name, phones, email);
    return m_known.insertAll(keys.found, keys.count);
}

bool ContactImport::sameNumber(const QString &a, const QString &b)
{
    const QByteArray x = Cp1250::encode(a).left(64);
    const QByteArray y = Cp1250::encode(b).left(64);
    char dx[64];
    char dy[64];
    const QByteArrayView digitsX = phoneDigits(x, dx);
    return !digitsX.isEmpty() && digitsX == phoneDigits(y, dy);
}

QList<QByteArray> ContactImport::identityKeys(const Contact &contact)
{
    const KeyColumns &columns = keyColumns();
    const PackedContact fields = PackedContact::fromContact(contact);
    const QByteArrayView phones[3] = {
        fields.field(columns.phones[0]), fields.field(columns.phones[1]), fields.field(columns.phones[2])};
    const IdentityKeys keys(fields.field(columns.name), phones, fields.field(columns.email));
    QList<QByteArray> result;
    for (int i = 0; i < keys.count; ++i) {
        result.append(keys.found[i].toByteArray());
    }
    return result;
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
    return keep({PackedContact::fromContact(item.contact), std::move(item.notes), std::move(item.photo),
                 std::move(item.uid)},
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
    const KeyColumns &keys = keyColumns();
    const PackedContact &fields = item.fields;
    const QByteArrayView phones[3] = {
        fields.field(keys.phones[0]), fields.field(keys.phones[1]), fields.field(keys.phones[2])};
    const bool duplicate = addKeys(fields.field(keys.name), phones, fields.field(keys.email));
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

bool ContactImport::apply(ContactFile &book, bool onlyNew, Result *result, QString *error) const
{
    return addTo(book, onlyNew, true, result, error);
}

bool ContactImport::applyToFile(ContactFile &book, bool onlyNew, Result *result, QString *error) const
{
    return addTo(book, onlyNew, false, result, error);
}

bool ContactImport::addTo(ContactFile &book, bool onlyNew, bool listed, Result *result, QString *error) const
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
    QList<qsizetype> chosen;
    chosen.reserve(m_contacts.size());
    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        if (onlyNew && m_duplicate[i]) {
            ++r.skipped;
        } else {
            chosen.append(i);
        }
    }
    if (onlyNew) {
        r.skipped = m_duplicateCount; // counting those no longer kept
    }
    std::vector<int> ids;
    if (!book.list().newIdentifierValues(static_cast<int>(chosen.size()), &ids, nullptr)) {
        if (error) {
            *error = u"Nie można zaimportować %1 kontaktów: w książce adresowej brakuje wolnych identyfikatorów "
                     u"(najwyższy to %2)."_s.arg(chosen.size())
                         .arg(ContactList::lastIdentifier);
        }
        return false;
    }
    static const Contact::Column &idColumn = Contact::columns()[0];
    const auto lineOf = [&](qsizetype k, QByteArray *line) {
        m_contacts[chosen[k]].fields.fillLine(line);
        char digits[16];
        const auto [end, failed] = std::to_chars(digits, digits + sizeof(digits), ids[k]);
        Q_UNUSED(failed);
        std::memcpy(line->data() + idColumn.start, digits, std::min<size_t>(end - digits, idColumn.width));
    };
    QList<QByteArray> lines;
    try {
        if (listed) {
            lines.resize(chosen.size());
            for (qsizetype k = 0; k < chosen.size(); ++k) {
                lineOf(k, &lines[k]);
            }
        }
    } catch (const std::bad_alloc &) {
        if (error) {
            *error = u"Za mało pamięci, by zaimportować %1 kontaktów. Nie dodano żadnego."_s.arg(chosen.size());
        }
        return false;
    }
    // The side files first, the data file last: until it is replaced no line names these
    // identifiers, so an import that dies leaves only files that the next holder of an
    // identifier clears, and never a contact without its notes or photo.
    QDir dir(book.dataDir());
    (void)dir.mkpath(QLatin1String(ContactFile::notesFolder));
    (void)dir.mkpath(QLatin1String(ContactFile::photoFolder));
    // One look at each folder instead of one per contact.
    const auto present = [&dir](const char *folder) {
        const QStringList names = QDir(dir.filePath(QLatin1String(folder))).entryList(QDir::Files);
        return QSet<QString>(names.begin(), names.end());
    };
    const QSet<QString> notesThere = present(ContactFile::notesFolder);
    const QSet<QString> photosThere = present(ContactFile::photoFolder);
    for (qsizetype k = 0; k < chosen.size(); ++k) {
        const Kept &item = m_contacts[chosen[k]];
        if (m_folded[chosen[k]]) {
            ++r.folded;
        }
        if (m_photoRefused[chosen[k]]) {
            ++r.photosRefused;
        }
        QString sideError;
        const QString id = QString::number(ids[k]);
        if ((!item.notes.isEmpty() || (!notesThere.isEmpty() && notesThere.contains(id + u".txt"_s)))
            && !book.writeNotes(id, item.notes, &sideError)) {
            r.sideFileErrors.append(sideError); // names the file
        }
        if ((!item.photo.isEmpty() || (!photosThere.isEmpty() && photosThere.contains(id + u".jpg"_s)))
            && !book.writePhoto(id, item.photo, &sideError)) {
            r.sideFileErrors.append(sideError);
        }
    }
    const auto nameOf = [&](qsizetype k) {
        return m_contacts[chosen[k]].fields.field(keyColumns().name);
    };
    if (!chosen.isEmpty() && !(listed ? book.addSorted(lines, error) : book.writeAdded(chosen.size(), nameOf, lineOf, error))) {
        for (const int value : ids) {
            const QString id = QString::number(value);
            (void)book.writeNotes(id, {}, nullptr); // no contact holds them; tidied where possible
            (void)book.writePhoto(id, {}, nullptr);
        }
        return false;
    }
    r.added = static_cast<int>(chosen.size());
    if (result) {
        *result = r;
    }
    return true;
}
