// Any bytes as a CSV file of contacts. A file that cannot be read names a line of it and gives no
// contacts; every contact of a readable file is made fit for the data file (see ImportChecks.h),
// the rows taken straight in the data file's form give the same contacts as read the long way,
// and the prepared contacts written as CSV and read again come back the same.
#include "ImportChecks.h"

#include "core/exchange/ContactCsv.h"

namespace {

// Physical lines of the decoded text: CR LF, CR or LF ends one.
int physicalLines(QStringView text)
{
    int lines = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++lines;
        }
    }
    return lines;
}

bool isBlank(const ExchangeContact &item)
{
    for (const Contact::Column &column : Contact::columns()) {
        if (!(item.contact.*column.field).trimmed().isEmpty()) {
            return false;
        }
    }
    return item.notes.trimmed().isEmpty();
}

// Spreadsheet dates ("1980-03-08") read as the program's dates.
QString fromIsoDate(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    return date.isValid() && text.size() == 10 ? DateText::toText(date) : text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    QList<ExchangeContact> contacts;
    ExchangeError error;
    if (!ContactCsv::read(bytes, &contacts, &error)) {
        FUZZ_ASSERT(contacts.isEmpty());
        FUZZ_ASSERT(!error.message.isEmpty());
        FUZZ_ASSERT(error.line >= 1 && error.line <= physicalLines(Exchange::decodeText(bytes)));
        return 0;
    }
    const QList<ExchangeContact> prepared = ImportChecks::prepareAndCheck(contacts, contacts.size() <= 16);

    // Rows taken straight in the data file's form make the same contacts, marked the same way.
    ContactImport direct;
    direct.begin(ContactList());
    FUZZ_ASSERT(ContactCsv::read(
        bytes,
        [&](ExchangeContact &&item, QString *reason) {
            return direct.add(std::move(item), reason);
        },
        [&](PackedContact &&fields, QString &&notes, QString *reason) {
            return direct.addStored(std::move(fields), std::move(notes), reason);
        },
        &error));
    ContactImport longWay;
    longWay.prepare(ContactList(), contacts);
    FUZZ_ASSERT(direct.contacts() == longWay.contacts());
    FUZZ_ASSERT(direct.duplicates() == longWay.duplicates());

    QByteArray written;
    FUZZ_ASSERT(ContactCsv::write(prepared, &written));
    QList<ExchangeContact> back;
    FUZZ_ASSERT(ContactCsv::read(written, &back, &error));
    // A row of empty cells is no contact.
    QList<ExchangeContact> expected;
    for (ExchangeContact item : prepared) {
        item.notes = ImportChecks::exportedNotes(item.notes); // control characters are not exported
        if (!isBlank(item)) {
            item.contact.Urodziny = fromIsoDate(item.contact.Urodziny);
            item.contact.Slub = fromIsoDate(item.contact.Slub);
            expected.append(item);
        }
    }
    FUZZ_ASSERT(back.size() == expected.size());
    ContactImport again;
    again.prepare(ContactList(), back);
    FUZZ_ASSERT(again.contacts() == expected);
    return 0;
}
