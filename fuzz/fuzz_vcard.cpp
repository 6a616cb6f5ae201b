// Any bytes as a vCard file. A file that cannot be read names a line of it and gives no contacts;
// every contact of a readable file is made fit for the data file (see ImportChecks.h), and the
// prepared contacts written as vCard and read again come back the same, but for what the format
// does not carry.
#include "ImportChecks.h"

#include "core/exchange/VCard.h"

namespace {

// Physical lines as the reader counts them: CR LF, CR or LF ends one.
int physicalLines(QByteArrayView bytes)
{
    int lines = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++lines;
        }
    }
    return lines;
}

// Values as compared after the trip: the reader trims every kind of blank at the ends of a value
// (a no-break space too), the data file only the ASCII ones.
ExchangeContact trimmedFields(ExchangeContact item)
{
    for (const Contact::Column &column : Contact::columns()) {
        item.contact.*column.field = (item.contact.*column.field).trimmed();
    }
    return item;
}

// What a contact should read back as: the reserved fields and the notes' control characters are
// not exported, a contact without a name is named by its firm, and dates come back in the one
// date form.
ExchangeContact expectedBack(ExchangeContact item)
{
    Contact &c = item.contact;
    item.notes = ImportChecks::exportedNotes(item.notes);
    c.Parametry.clear();
    c.Rocznica.clear();
    if (c.Nazwa.isEmpty()) {
        c.Nazwa = FixedText::trimmed(c.Firma.left(Contact::nameWidth));
    }
    c.Urodziny = ImportChecks::asDate(c.Urodziny);
    c.Slub = ImportChecks::asDate(c.Slub);
    return trimmedFields(item);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    QList<ExchangeContact> contacts;
    ExchangeError error;
    if (!VCard::read(bytes, &contacts, &error)) {
        FUZZ_ASSERT(contacts.isEmpty());
        FUZZ_ASSERT(!error.message.isEmpty());
        FUZZ_ASSERT(error.line >= 1 && error.line <= physicalLines(bytes));
        return 0;
    }
    // Group cards (lists of other cards) are left out of an import: the checks are about people.
    contacts.removeIf([](const ExchangeContact &c) {
        return c.group;
    });
    const QList<ExchangeContact> prepared = ImportChecks::prepareAndCheck(contacts, contacts.size() <= 16);

    QByteArray written;
    FUZZ_ASSERT(VCard::write(prepared, &written));
    FUZZ_ASSERT(prepared.isEmpty() || VCard::looksLikeVCard(written));
    QList<ExchangeContact> back;
    FUZZ_ASSERT(VCard::read(written, &back, &error));
    FUZZ_ASSERT(back.size() == prepared.size());
    ContactImport again;
    again.prepare(ContactList(), back);
    for (qsizetype i = 0; i < prepared.size(); ++i) {
        FUZZ_ASSERT(trimmedFields(again.contacts().at(i)) == expectedBack(prepared.at(i)));
    }
    return 0;
}
