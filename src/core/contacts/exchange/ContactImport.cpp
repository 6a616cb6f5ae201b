#include "ContactImport.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoStore.h"

#include <QDir>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
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

// What makes two contacts of one name the same person: a telephone number or the e-mail address,
// each kept as "name" + separator + number or address.
using IdentityKeys = QVarLengthArray<QString, 4>;

IdentityKeys identityKeys(const Contact &c)
{
    const QString name = c.Nazwa.trimmed().toLower();
    IdentityKeys keys;
    // One allocation a key: this runs for every contact of the book and of the file.
    const auto add = [&name, &keys](QChar kind, QStringView value) {
        QString key;
        key.reserve(name.size() + 2 + value.size());
        key.append(name).append(u'\x1f').append(kind).append(value);
        keys.append(std::move(key));
    };
    for (const QString *phone : {&c.TelDom, &c.TelKom, &c.TelSlu}) {
        const QString key = ContactImport::phoneKey(*phone);
        if (!key.isEmpty()) {
            add(u't', key);
        }
    }
    const QString email = c.Email.trimmed().toLower();
    if (!email.isEmpty()) {
        add(u'e', email);
    }
    if (keys.isEmpty()) {
        add(u'-', {}); // no number and no address: the same as another such of that name
    }
    return keys;
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
    if (number.isEmpty()) {
        return digits;
    }
    digits.reserve(number.size());
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
    m_photoRefused.fill(false, m_contacts.size());
    m_duplicateCount = 0;

    QSet<QString> known;
    known.reserve(3 * (book.count() + m_contacts.size()));
    for (const QByteArray &line : book.lines()) {
        Contact c;
        for (QString Contact::*field :
             {&Contact::Nazwa, &Contact::TelDom, &Contact::TelKom, &Contact::TelSlu, &Contact::Email}) {
            for (const Contact::Column &column : Contact::columns()) {
                if (column.field == field) {
                    c.*field = Cp1250::decode(FixedText::trimmedBytes(Contact::rawField(line, column)));
                }
            }
        }
        for (const QString &key : identityKeys(c)) {
            known.insert(key);
        }
    }

    for (qsizetype i = 0; i < m_contacts.size(); ++i) {
        ExchangeContact &item = m_contacts[i];
        bool folded = false;
        item.contact.ID.clear();
        for (const Contact::Column &column : Contact::columns()) {
            QString &value = item.contact.*column.field;
            folded = foldToCp1250(&value) || folded;
            flattenControls(&value);
            // What the data file keeps: trimmed, cut to the width (one byte a character by now).
            value = FixedText::trimmed(value);
            if (value.size() > column.width) {
                value = FixedText::trimmed(value.left(column.width));
            }
        }
        if (!item.notes.isEmpty()) {
            item.notes.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        }
        folded = foldToCp1250(&item.notes) || folded;
        item.notes.truncate(ContactFile::notesMaxLength);
        while (item.notes.endsWith(u'\n')) {
            item.notes.chop(1);
        }
        if (!item.photo.isEmpty() && !PhotoStore::check(item.photo, nullptr)) {
            item.photo.clear(); // the contact is added without it
            m_photoRefused[i] = true;
        }
        m_folded[i] = folded;

        // All keys are looked up before any is added: one number in two fields of a contact
        // would otherwise make it a duplicate of itself.
        const IdentityKeys keys = identityKeys(item.contact);
        const bool duplicate = std::any_of(keys.cbegin(), keys.cend(), [&known](const QString &key) {
            return known.contains(key);
        });
        for (const QString &key : keys) {
            known.insert(key);
        }
        m_duplicate[i] = duplicate;
        m_duplicateCount += duplicate ? 1 : 0;
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
    if (!book.list().newIdentifiers(static_cast<int>(chosen.size()), &ids, nullptr)) {
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
        // Every value is trimmed, cut and storable already, so it is copied to its columns.
        QByteArray line(Contact::lineLength, ' ');
        const Contact &contact = m_contacts[chosen[k]].contact;
        for (const Contact::Column &column : Contact::columns()) {
            const QByteArray bytes = Cp1250::encode(column.field == &Contact::ID ? ids[k] : contact.*column.field);
            line.replace(column.start, bytes.size(), bytes);
        }
        lines.append(line);
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
        const ExchangeContact &item = m_contacts[chosen[k]];
        if (m_folded[chosen[k]]) {
            ++r.folded;
        }
        if (m_photoRefused[chosen[k]]) {
            ++r.photosRefused;
        }
        QString sideError;
        if ((!item.notes.isEmpty() || notesThere.contains(ids[k] + u".txt"_s))
            && !book.writeNotes(ids[k], item.notes, &sideError)) {
            r.sideFileErrors.append(sideError); // names the file
        }
        if ((!item.photo.isEmpty() || photosThere.contains(ids[k] + u".jpg"_s))
            && !book.writePhoto(ids[k], item.photo, &sideError)) {
            r.sideFileErrors.append(sideError);
        }
    }
    if (!chosen.isEmpty() && !book.addSorted(lines, error)) {
        for (const QString &id : std::as_const(ids)) {
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
