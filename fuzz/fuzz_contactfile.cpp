// The address book on disk: any bytes as "Morwinek.data", then a series of adds (with a new
// identifier), stores of edited contacts (fields and notes of any bytes) and removals. After every
// step the file on disk must hold exactly the book in memory, and every line nobody edited must
// still be there, byte for byte.
#include "FuzzSupport.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PolishCollation.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QByteArray bytesOf(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The lines as a sorted multiset, to compare contents whatever the order.
QList<QByteArray> sorted(QList<QByteArray> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

void checkOnDisk(const ContactFile &book, const QList<QByteArray> &expected)
{
    FUZZ_ASSERT(FuzzSupport::readFile(book.path()) == TextFile::joinLines(book.list().lines()));
    FUZZ_ASSERT(sorted(book.list().lines()) == expected);
    ContactFile again(book.dataDir());
    QString error;
    FUZZ_ASSERT(again.load(&error));
    FUZZ_ASSERT(again.list().lines() == book.list().lines());
}

bool isSortedByName(const QList<QByteArray> &lines)
{
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto name = [&](qsizetype k) {
            const QByteArray &l = lines.at(k);
            return l.size() > Contact::nameStart
                       ? QByteArrayView(l)
                             .sliced(Contact::nameStart)
                             .first(std::min<qsizetype>(Contact::nameWidth, l.size() - Contact::nameStart))
                       : QByteArrayView();
        };
        if (PolishCollation::PorownaniePL(name(i - 1), name(i)) > 0) {
            return false;
        }
    }
    return true;
}

Contact fuzzedContact(FuzzedDataProvider &input, const QString &id)
{
    Contact c;
    c.ID = id;
    const int fields = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < fields; ++i) {
        const auto &column = Contact::columns()[input.ConsumeIntegralInRange(1, Contact::fieldCount - 1)];
        c.*column.field = Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(90)));
    }
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int steps = input.ConsumeIntegralInRange(0, 6);
    const QByteArray file = bytesOf(input.ConsumeRandomLengthString(4096));

    const QString dir = FuzzSupport::freshDataDir();
    FUZZ_ASSERT(QDir(dir).mkdir(QLatin1String(ContactFile::notesFolder)));
    FuzzSupport::writeFile(QDir(dir).filePath(QLatin1String(ContactFile::fileName)), file);

    ContactFile book(dir);
    QString error;
    FUZZ_ASSERT(book.load(&error));
    const QList<QByteArray> lines = TextFile::splitLines(file);
    FUZZ_ASSERT(book.list().lines() == lines);
    for (const QByteArray &line : lines) {
        FUZZ_ASSERT(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
        // Decoding and encoding again is stable: the record keeps every field it read.
        const Contact contact = Contact::fromLine(line);
        const QByteArray encoded = contact.toLine();
        FUZZ_ASSERT(encoded.size() == Contact::lineLength);
        FUZZ_ASSERT(Contact::fromLine(encoded) == contact);
    }
    // Saving an untouched book gives the same lines, each ended by CR LF.
    FUZZ_ASSERT(book.save(&error));
    QList<QByteArray> expected = sorted(lines);
    checkOnDisk(book, expected);

    for (int step = 0; step < steps; ++step) {
        switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: { // add a contact with a new identifier
            QString id;
            if (!book.list().newIdentifier(&id, &error)) {
                break;
            }
            FUZZ_ASSERT(ContactFile::isSafeIdentifier(id) && id.size() <= Contact::idWidth);
            for (const QByteArray &line : book.list().lines()) {
                FUZZ_ASSERT(Contact::idOf(line) != id);
            }
            Contact c;
            c.ID = id;
            c.Nazwa = Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(40)));
            FUZZ_ASSERT(book.add(c, &error));
            expected.append(c.toLine());
            std::sort(expected.begin(), expected.end());
            FUZZ_ASSERT(book.list().lines().constLast() == c.toLine());
            break;
        }
        case 1: { // store an edited contact with its notes
            if (book.isEmpty()) {
                break;
            }
            int position = input.ConsumeIntegralInRange(0, book.count() - 1);
            const QByteArray old = book.list().line(position);
            const Contact edited = fuzzedContact(input, Contact::idOf(old));
            const QString notes = Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(200)));
            FUZZ_ASSERT(book.store(&position, edited, notes, &error));
            FUZZ_ASSERT(book.list().line(position) == edited.toLine());
            FUZZ_ASSERT(isSortedByName(book.list().lines()));
            expected.removeAt(expected.indexOf(old));
            expected.append(edited.toLine());
            std::sort(expected.begin(), expected.end());
            QString readBack;
            FUZZ_ASSERT(book.readNotes(edited.ID, &readBack, &error));
            // Notes are kept as lines: a CR or NUL in them is a line end or a blank on disk, and
            // a line break at the very end starts no further line.
            if (!notes.contains(u'\r') && !notes.contains(QChar(0)) && ContactFile::isSafeIdentifier(edited.ID)) {
                FUZZ_ASSERT(readBack == (notes.endsWith(u'\n') ? notes.chopped(1) : notes));
            }
            break;
        }
        default: { // remove a contact
            if (book.isEmpty()) {
                break;
            }
            const int position = input.ConsumeIntegralInRange(0, book.count() - 1);
            const QByteArray old = book.list().line(position);
            FUZZ_ASSERT(book.remove(position, &error));
            expected.removeAt(expected.indexOf(old));
            break;
        }
        }
        checkOnDisk(book, expected);
    }
    return 0;
}
