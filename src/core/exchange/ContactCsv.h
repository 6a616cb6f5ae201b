#pragma once

#include "ExchangeContact.h"
#include "PackedContact.h"

// Contacts as a spreadsheet table: a header row of the field names, one contact per row.
namespace ContactCsv {
// The column of the notes after the record's fields.
inline constexpr char notesColumn[] = "Notatki";

// UTF-8 with a byte-order mark, comma separated, CR LF, quoted where a value needs it. A value
// a spreadsheet would run as a formula ("=2*3", "@SUM(A1)", "+x") gets an apostrophe before it.
// False when progress asked to stop.
[[nodiscard]] bool
write(const QList<ExchangeContact> &contacts, QByteArray *out, const ExchangeProgress &progress = {});
// The pieces of what write() gives, for a file written as it is made: the byte-order mark and
// the header row, then one row per contact.
QByteArray header();
void appendRow(QByteArray &out, const ExchangeContact &item);
// UTF-8 (with or without a byte-order mark) or code page 1250, separated by ',' or ';' as the
// header row shows. Columns are found by their names, or by the names that the exports of mail
// programs give theirs (Thunderbird in English and Polish, Google Contacts, Outlook: "First Name",
// "Primary Email", "Phone 1 - Value" with its "Phone 1 - Label", "Birth Year", ...); unknown ones
// are left out, and named in a ColumnReport where one is asked for.
// The apostrophe the export puts before a formula-like value is taken off again.
// False with the line and the reason when the file is malformed; *contacts is then empty.
[[nodiscard]] bool read(QByteArrayView bytes,
                        QList<ExchangeContact> *contacts,
                        ExchangeError *error,
                        const ExchangeProgress &progress = {});
// The same, handing each contact to sink as soon as its row is read, so that only one row is held
// at a time.
[[nodiscard]] bool
read(QByteArrayView bytes, const ExchangeSink &sink, ExchangeError *error, const ExchangeProgress &progress = {});

// Takes a contact in the data file's form (see PackedContact; no identifier) with its notes as read.
using StoredSink = std::function<bool(PackedContact &&fields, QString &&notes, QString *reason)>;
// The same again, handing to stored, in the data file's form straight from the file's bytes, each
// contact whose fields need nothing done to them to be stored: no character to replace, no blank
// to trim, no control character, none longer than its column, no formula mark, no date to convert
// and a name of its own. The others go to sink as above. A row gives the same contact either way.
// What the import made of a file's columns.
struct ColumnReport
{
    QStringList skipped;   // the headers of columns with a value that went nowhere, in file order
    bool onlyName = false; // the file has columns besides the name's, and none of them was understood
};
[[nodiscard]] bool read(QByteArrayView bytes,
                        const ExchangeSink &sink,
                        const StoredSink &stored,
                        ExchangeError *error,
                        const ExchangeProgress &progress = {},
                        ColumnReport *columns = nullptr);
} // namespace ContactCsv
