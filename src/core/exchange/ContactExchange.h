#pragma once

#include "ExchangeContact.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <functional>

class ContactFile;
class ContactImport;

// Export files of the address book and reading the files of other programs, whole files at a time.
namespace ContactExchange {
enum class Format
{
    VCard,
    Csv,
    Calendar
};

// Identifier -> the UID a contact's card carries, for the identifiers of the book in dataDir. The
// sync gives the UIDs it uses on the server, so a card exported and then synced stays one contact;
// without a source the cards carry none.
using UidSource = std::function<QHash<QString, QString>(const QString &dataDir, const QStringList &ids)>;

// The book's contacts in list order, with their notes and photos.
[[nodiscard]] bool gather(const ContactFile &book,
                          QList<ExchangeContact> *contacts,
                          QString *error,
                          const ExchangeProgress &progress = {},
                          const UidSource &uids = {});
// Writes the export file whole or not at all. The calendar also holds the stored appointments of
// the book's data folder; now stamps its events. False with the reason; *cancelled tells a stop
// asked through progress from a failure.
[[nodiscard]] bool exportTo(Format format,
                            const ContactFile &book,
                            const QString &target,
                            const QDateTime &now,
                            QString *error,
                            const ExchangeProgress &progress = {},
                            bool *cancelled = nullptr,
                            const UidSource &uids = {});
// The contacts of a vCard or CSV file, told apart by the name's ending (".vcf", ".vcard", ".csv")
// or else by the content. False with the reason (and the line) when it cannot be read.
[[nodiscard]] bool readFile(const QString &path,
                            QList<ExchangeContact> *contacts,
                            QString *error,
                            const ExchangeProgress &progress = {},
                            bool *cancelled = nullptr);
// The same, handing each contact to the import (begun by the caller) as it is read, the file
// mapped rather than copied, so that memory stays bounded by what the book can take. Refuses a
// file larger than maxImportBytes at once; running out of memory is an error, not an abort.
// The notes on a CSV file's columns (those left out, or only a name understood) are added to
// columnNotes, one sentence each, for the import's summary.
[[nodiscard]] bool readInto(const QString &path,
                            ContactImport *import,
                            QString *error,
                            const ExchangeProgress &progress = {},
                            bool *cancelled = nullptr,
                            QStringList *columnNotes = nullptr);
// Far above any book this program can hold; keeps a wrong pick (or a sparse file) from being read.
inline constexpr qint64 maxImportBytes = 1024LL * 1024 * 1024;
} // namespace ContactExchange
