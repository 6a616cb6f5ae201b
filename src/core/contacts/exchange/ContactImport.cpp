#include "ContactImport.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QHash>

#include <optional>
#include <vector>

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
bool flattenControls(QString *text)
{
    bool changed = false;
    for (QChar &ch : *text) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7F) {
            ch = u' ';
            changed = true;
        }
    }
    return changed;
}

std::optional<int> identifierValue(QStringView id)
{
    if (id.isEmpty() || id.size() > Contact::idWidth) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar ch : id) {
        if (ch < u'0' || ch > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (ch.unicode() - u'0');
    }
    return value;
}

// count new identifiers as adding them one by one would give: from one above the last line's,
// stepping over those in use, on from the lowest free one after 99999. False when too few are free.
bool allocateIdentifiers(const ContactList &book, int count, QStringList *ids)
{
    constexpr int first = ContactList::firstIdentifier;
    constexpr int last = ContactList::lastIdentifier;
    std::vector<bool> used(last + 1, false);
    int highest = first - 1;
    int free = last - first + 1;
    for (const QByteArray &line : book.lines()) {
        if (const auto value = identifierValue(Contact::idOf(line)); value && !used[*value]) {
            used[*value] = true;
            highest = std::max(highest, *value);
            if (*value >= first) {
                --free;
            }
        }
    }
    if (count > free) {
        return false;
    }
    int candidate = first;
    if (!book.isEmpty()) {
        const auto lastValue = identifierValue(Contact::idOf(book.lines().constLast()));
        candidate = (lastValue ? *lastValue : highest) + 1;
    }
    ids->clear();
    ids->reserve(count);
    while (ids->size() < count) {
        if (candidate > last || candidate < first) {
            candidate = first;
        }
        if (!used[candidate]) {
            used[candidate] = true;
            ids->append(QString::number(candidate));
        }
        ++candidate;
    }
    return true;
}

struct Known
{
    QStringList phones;
    QString email;
};

QString nameKey(const QString &name)
{
    return name.trimmed().toLower();
}

bool matches(const Known &a, const Known &b)
{
    if (!a.email.isEmpty() && a.email == b.email) {
        return true;
    }
    for (const QString &phone : a.phones) {
        if (b.phones.contains(phone)) {
            return true;
        }
    }
    return false;
}

Known knownOf(const Contact &c)
{
    Known known;
    for (const QString *phone : {&c.TelDom, &c.TelKom, &c.TelSlu}) {
        const QString key = ContactImport::phoneKey(*phone);
        if (!key.isEmpty()) {
            known.phones.append(key);
        }
    }
    known.email = c.Email.trimmed().toLower();
    return known;
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

QString ContactImport::phoneKey(QStringView number)
{
    QString digits;
    for (const QChar ch : number) {
        if (ch.isDigit()) {
            digits.append(ch);
        }
    }
    if (digits.startsWith(u"00")) {
        digits.remove(0, 2);
    }
    if (digits.size() == 11 && digits.startsWith(u"48")) {
        digits.remove(0, 2); // a Polish number with its country code
    }
    return digits;
}

void ContactImport::prepare(const ContactList &book, QList<ExchangeContact> contacts)
{
    m_contacts = std::move(contacts);
    m_duplicate.fill(false, m_contacts.size());
    m_folded.fill(false, m_contacts.size());
    m_duplicateCount = 0;

    QHash<QString, QList<Known>> known;
    known.reserve(book.count() + m_contacts.size());
    for (const QByteArray &line : book.lines()) {
        const Contact c = Contact::fromLine(line);
        known[nameKey(c.Nazwa)].append(knownOf(c));
    }

    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        ExchangeContact &item = m_contacts[i];
        bool folded = false;
        for (const Contact::Column &column : Contact::columns()) {
            QString &value = item.contact.*column.field;
            folded = foldToCp1250(&value) || folded;
            flattenControls(&value);
        }
        item.contact.ID.clear();
        // What the data file keeps: trimmed, cut to the width.
        item.contact = Contact::fromLine(item.contact.toLine());
        item.notes.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        folded = foldToCp1250(&item.notes) || folded;
        item.notes.truncate(ContactFile::notesMaxLength);
        while (item.notes.endsWith(u'\n')) {
            item.notes.chop(1);
        }
        if (!item.photo.isEmpty() && !Exchange::isJpeg(item.photo)) {
            item.photo.clear();
        }
        m_folded[i] = folded;

        const Known mine = knownOf(item.contact);
        QList<Known> &sameName = known[nameKey(item.contact.Nazwa)];
        for (const Known &other : sameName) {
            if (matches(mine, other)) {
                m_duplicate[i] = true;
                ++m_duplicateCount;
                break;
            }
        }
        sameName.append(mine);
    }
}

bool ContactImport::apply(ContactFile &book, bool onlyNew, Result *result, QString *error) const
{
    Result r;
    r.read = readCount();
    QList<qsizetype> chosen;
    chosen.reserve(m_contacts.size());
    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        if (onlyNew && m_duplicate[i]) {
            ++r.skipped;
        } else {
            chosen.append(i);
        }
    }
    QStringList ids;
    if (!allocateIdentifiers(book.list(), static_cast<int>(chosen.size()), &ids)) {
        if (error) {
            *error = u"Nie można zaimportować %1 kontaktów: w książce adresowej brakuje wolnych identyfikatorów "
                     u"(najwyższy to %2)."_s.arg(chosen.size())
                         .arg(ContactList::lastIdentifier);
        }
        return false;
    }
    QList<QByteArray> lines;
    lines.reserve(chosen.size());
    for (qsizetype k = 0; k < chosen.size(); ++k) {
        Contact contact = m_contacts[chosen[k]].contact;
        contact.ID = ids[k];
        lines.append(contact.toLine());
    }
    if (!chosen.isEmpty() && !book.addSorted(lines, error)) {
        return false;
    }
    r.added = static_cast<int>(chosen.size());

    // The data file holds the contacts now; their side files follow, replacing whatever an
    // earlier holder of the identifier left behind.
    QDir dir(book.dataDir());
    (void)dir.mkpath(QLatin1String(ContactFile::notesFolder));
    (void)dir.mkpath(QLatin1String(ContactFile::photoFolder));
    for (qsizetype k = 0; k < chosen.size(); ++k) {
        const ExchangeContact &item = m_contacts[chosen[k]];
        if (m_folded[chosen[k]]) {
            ++r.folded;
        }
        QString sideError;
        if (!book.writeNotes(ids[k], item.notes, &sideError)) {
            r.sideFileErrors.append(book.notesPath(ids[k]) + u": "_s + sideError);
        }
        const QString photo = book.photoPath(ids[k]);
        const bool photoDone = item.photo.isEmpty() ? TextFile::removeIfExists(photo, &sideError)
                                                    : TextFile::writeAtomically(photo, item.photo, &sideError);
        if (!photoDone) {
            r.sideFileErrors.append(photo + u": "_s + sideError);
        }
    }
    if (result) {
        *result = r;
    }
    return true;
}
