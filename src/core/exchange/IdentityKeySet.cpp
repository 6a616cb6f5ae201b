#include "IdentityKeySet.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

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

// What makes two contacts of one name the same person: a telephone number or the e-mail address,
// each kept as "name" + separator + kind + number or address. A key met before makes a duplicate;
// one number in two fields of a contact must not make it a duplicate of itself, so a number
// repeated within the contact counts once.
struct IdentityKeys
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

} // namespace

void IdentityKeySet::clear()
{
    m_text.clear();
    m_slots.clear();
    m_count = 0;
}

void IdentityKeySet::reserve(qsizetype keys)
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

void IdentityKeySet::grow(size_t tableSize)
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

bool IdentityKeySet::insertAll(const QByteArrayView *keys, int count)
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

bool IdentityKeySet::insert(QByteArrayView key, quint32 hash)
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

bool IdentityKeySet::add(QByteArrayView name, const QByteArrayView (&phones)[3], QByteArrayView email)
{
    const IdentityKeys keys(name, phones, email);
    return insertAll(keys.found, keys.count);
}

bool IdentityKeySet::addLine(QByteArrayView line)
{
    const KeyColumns &keys = keyColumns();
    const auto &columns = Contact::columns();
    const auto field = [&](int column) {
        return Contact::rawField(line, columns[column]);
    };
    const QByteArrayView phones[3] = {field(keys.phones[0]), field(keys.phones[1]), field(keys.phones[2])};
    return add(field(keys.name), phones, field(keys.email));
}

bool IdentityKeySet::addContact(const PackedContact &fields)
{
    const KeyColumns &keys = keyColumns();
    const QByteArrayView phones[3] = {
        fields.field(keys.phones[0]), fields.field(keys.phones[1]), fields.field(keys.phones[2])};
    return add(fields.field(keys.name), phones, fields.field(keys.email));
}

bool IdentityKeySet::sameNumber(const QString &a, const QString &b)
{
    const QByteArray x = Cp1250::encode(a).left(64);
    const QByteArray y = Cp1250::encode(b).left(64);
    char dx[64];
    char dy[64];
    const QByteArrayView digitsX = phoneDigits(x, dx);
    return !digitsX.isEmpty() && digitsX == phoneDigits(y, dy);
}

QList<QByteArray> IdentityKeySet::keysOf(const Contact &contact)
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
