#pragma once

// Checks shared by the targets that read other programs' files: what the import makes of the
// contacts read must fit the data file exactly, duplicates must be found, and adding them to a
// book must store what was prepared.
#include "FuzzSupport.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoStore.h"
#include "core/exchange/ContactImport.h"

#include <algorithm>

namespace ImportChecks {

inline bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar ch) {
        return ch.unicode() < 0x20 || ch.unicode() == 0x7F;
    });
}

// Notes as an export carries them: the control characters of damaged notes are left out, the tab
// and the line breaks kept.
inline QString exportedNotes(const QString &notes)
{
    QString kept;
    for (const QChar ch : notes) {
        if (ch == u'\t' || ch == u'\n' || (ch.unicode() >= 0x20 && ch.unicode() != 0x7F)) {
            kept.append(ch);
        }
    }
    return kept;
}

// A field that needs no replacement, no flattening and no cut is stored as it was read, trimmed.
inline void checkField(const QString &prepared, const QString &read, int width)
{
    FUZZ_ASSERT(Cp1250::canEncode(prepared));
    FUZZ_ASSERT(!hasControl(prepared));
    FUZZ_ASSERT(FixedText::trimmed(prepared) == prepared);
    FUZZ_ASSERT(prepared.size() <= width);
    FUZZ_ASSERT(Cp1250::encode(prepared).size() == prepared.size());
    const QString readTrimmed = FixedText::trimmed(read);
    if (Cp1250::canEncode(read) && !hasControl(readTrimmed) && readTrimmed.size() <= width) {
        FUZZ_ASSERT(prepared == readTrimmed);
    }
}

inline void checkPrepared(const ExchangeContact &prepared, const ExchangeContact &read)
{
    FUZZ_ASSERT(prepared.contact.ID.isEmpty()); // the book gives new identifiers
    for (const Contact::Column &column : Contact::columns()) {
        if (column.field == &Contact::ID) {
            continue;
        }
        checkField(prepared.contact.*column.field, read.contact.*column.field, column.width);
    }
    // The record line: always 690 bytes, one file line, and it reads back as the same contact.
    const QByteArray line = prepared.contact.toLine();
    FUZZ_ASSERT(line.size() == Contact::lineLength);
    FUZZ_ASSERT(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
    FUZZ_ASSERT(Contact::fromLine(line) == prepared.contact);

    FUZZ_ASSERT(Cp1250::canEncode(prepared.notes));
    FUZZ_ASSERT(!prepared.notes.contains(u'\r') && !prepared.notes.endsWith(u'\n'));
    FUZZ_ASSERT(prepared.notes.size() <= ContactFile::notesMaxLength);
    if (!read.notes.contains(u'\r') && Cp1250::canEncode(read.notes) && !read.notes.endsWith(u'\n')
        && read.notes.size() <= ContactFile::notesMaxLength) {
        FUZZ_ASSERT(prepared.notes == read.notes);
    }
    // A photo is kept byte for byte when it passes the checks of a chosen one, else left out.
    FUZZ_ASSERT(prepared.photo.isEmpty() || prepared.photo == read.photo);
    FUZZ_ASSERT(prepared.photo.isEmpty() == (read.photo.isEmpty() || !PhotoStore::check(read.photo, nullptr)));
}

// Adds every prepared contact to an empty book on disk: the file then holds exactly them, each
// under a new identifier, with their notes and photos.
inline void checkApply(const ContactImport &import)
{
    ContactFile book(FuzzSupport::freshDataDir());
    QString error;
    FUZZ_ASSERT(book.load(&error));
    ContactImport::Result result;
    FUZZ_ASSERT(import.apply(book, false, &result, &error));
    FUZZ_ASSERT(result.added == import.readCount() && result.skipped == 0 && result.sideFileErrors.isEmpty());

    ContactFile again(book.dataDir());
    FUZZ_ASSERT(again.load(&error));
    FUZZ_ASSERT(again.list().lines() == book.list().lines());
    QList<QByteArray> stored;
    QStringList ids;
    for (const QByteArray &line : again.list().lines()) {
        FUZZ_ASSERT(line.size() == Contact::lineLength);
        Contact c = Contact::fromLine(line);
        FUZZ_ASSERT(ContactFile::isSafeIdentifier(c.ID) && !ids.contains(c.ID));
        ids.append(c.ID);
        QString notes;
        FUZZ_ASSERT(again.readNotes(c.ID, &notes, &error));
        const QByteArray photo = FuzzSupport::readFile(again.photoPath(c.ID));
        c.ID.clear();
        stored.append(c.toLine() + Cp1250::encode(notes) + '\0' + photo);
    }
    QList<QByteArray> expected;
    for (const ExchangeContact &item : import.contacts()) {
        // Notes are kept as lines of text, where a NUL reads as a blank.
        expected.append(item.contact.toLine() + Cp1250::encode(item.notes).replace('\0', ' ') + '\0' + item.photo);
    }
    std::sort(stored.begin(), stored.end());
    std::sort(expected.begin(), expected.end());
    FUZZ_ASSERT(stored == expected);
}

// The contacts as the import makes them fit for the book, after checking every one of them and
// the duplicates: a second copy of the file, or a book already holding them, is all duplicates.
inline QList<ExchangeContact> prepareAndCheck(const QList<ExchangeContact> &read, bool apply)
{
    ContactImport import;
    import.prepare(ContactList(), read);
    FUZZ_ASSERT(import.readCount() == read.size());
    FUZZ_ASSERT(import.duplicateCount() == import.duplicates().count(true));
    if (!read.isEmpty()) {
        FUZZ_ASSERT(!import.duplicates().constFirst());
    }
    for (qsizetype i = 0; i < read.size(); ++i) {
        checkPrepared(import.contacts().at(i), read.at(i));
    }
    const QList<ExchangeContact> prepared = import.contacts();

    ContactImport twice;
    twice.prepare(ContactList(), read + read);
    for (qsizetype i = 0; i < read.size(); ++i) {
        FUZZ_ASSERT(twice.contacts().at(i) == prepared.at(i) && twice.contacts().at(i + read.size()) == prepared.at(i));
        FUZZ_ASSERT(twice.duplicates().at(i) == import.duplicates().at(i));
        FUZZ_ASSERT(twice.duplicates().at(i + read.size()));
    }

    ContactList book;
    for (qsizetype i = 0; i < prepared.size(); ++i) {
        Contact c = prepared.at(i).contact;
        c.ID = QString::number(ContactList::firstIdentifier + i);
        book.append(c.toLine());
    }
    ContactImport again;
    again.prepare(book, read);
    FUZZ_ASSERT(again.duplicateCount() == read.size());

    if (apply) {
        checkApply(import);
    }
    return prepared;
}

// Date fields are written as dates where they hold one, so they read back in the one date form.
inline QString asDate(const QString &text)
{
    const QDate date = DateText::parseDate(text);
    return date.isValid() ? DateText::toText(date) : text;
}

} // namespace ImportChecks
