#include "ImportWrite.h"

#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QSet>

#include <charconv>
#include <cstring>
#include <new>
#include <vector>

using namespace Qt::StringLiterals;

namespace ImportWrite {

bool add(ContactFile &book,
         const QList<const ImportedContact *> &contacts,
         bool listed,
         QStringList *sideFileErrors,
         QString *error,
         const std::function<void(qsizetype done, qsizetype total)> &written)
{
    std::vector<int> ids;
    if (!book.list().newIdentifierValues(static_cast<int>(contacts.size()), &ids, nullptr)) {
        if (error) {
            *error = u"Nie można zaimportować %1 kontaktów: w książce adresowej brakuje wolnych identyfikatorów "
                     u"(najwyższy to %2)."_s.arg(contacts.size())
                         .arg(ContactList::lastIdentifier);
        }
        return false;
    }
    static const Contact::Column &idColumn = Contact::columns()[0];
    const auto lineOf = [&](qsizetype k, QByteArray *line) {
        contacts[k]->fields.fillLine(line);
        char digits[16];
        const auto [end, failed] = std::to_chars(digits, digits + sizeof(digits), ids[k]);
        Q_UNUSED(failed);
        std::memcpy(line->data() + idColumn.start, digits, std::min<size_t>(end - digits, idColumn.width));
    };
    QList<QByteArray> lines;
    try {
        if (listed) {
            lines.resize(contacts.size());
            for (qsizetype k = 0; k < contacts.size(); ++k) {
                lineOf(k, &lines[k]);
            }
        }
    } catch (const std::bad_alloc &) {
        if (error) {
            *error = u"Za mało pamięci, by zaimportować %1 kontaktów. Nie dodano żadnego."_s.arg(contacts.size());
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
    for (qsizetype k = 0; k < contacts.size(); ++k) {
        if (written && k % 64 == 0) {
            written(k, contacts.size());
        }
        const ImportedContact &item = *contacts[k];
        QString sideError;
        const QString id = QString::number(ids[k]);
        if ((!item.notes.isEmpty() || (!notesThere.isEmpty() && notesThere.contains(id + u".txt"_s)))
            && !book.writeNotes(id, item.notes, &sideError)) {
            sideFileErrors->append(sideError); // names the file
        }
        if ((!item.photo.isEmpty() || (!photosThere.isEmpty() && photosThere.contains(id + u".jpg"_s)))
            && !book.writePhoto(id, item.photo, &sideError)) {
            sideFileErrors->append(sideError);
        }
    }
    if (written) {
        written(contacts.size(), contacts.size()); // the data file is left
    }
    static const int nameColumn = Contact::columnIndex(&Contact::Nazwa);
    const auto nameOf = [&](qsizetype k) {
        return contacts[k]->fields.field(nameColumn);
    };
    if (!contacts.isEmpty()
        && !(listed ? book.addSorted(lines, error) : book.writeAdded(contacts.size(), nameOf, lineOf, error))) {
        for (const int value : ids) {
            const QString id = QString::number(value);
            (void)book.writeNotes(id, {}, nullptr); // no contact holds them; tidied where possible
            (void)book.writePhoto(id, {}, nullptr);
        }
        return false;
    }
    return true;
}

} // namespace ImportWrite
