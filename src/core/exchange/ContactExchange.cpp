#include "ContactExchange.h"

#include "ContactCsv.h"
#include "ContactImport.h"
#include "ICalendar.h"
#include "VCard.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/FileError.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <new>

namespace {

using namespace Qt::StringLiterals;

const QString cancelledText = u"Przerwano."_s;

// An export goes to its file in pieces of about this size.
constexpr qsizetype pieceSize = 256 * 1024;

// The names in the notes and photo folders, listed once for a whole export: a contact whose file
// is not among them has none, and only the others are looked at one by one.
struct SideFiles
{
    QSet<QString> notes;
    QSet<QString> photos;
    QHash<QString, QString> uids; // by identifier: the same UIDs as the sync gives the cards on the server
};

QSet<QString> namesIn(const QString &folder)
{
    QSet<QString> names;
    // Every kind of entry: a folder or a broken link under a contact's name is read as before.
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names.insert(it.fileName());
    }
    return names;
}

SideFiles listSideFiles(const ContactFile &book, const ContactExchange::UidSource &uids)
{
    const QDir dir(book.dataDir());
    QStringList ids;
    ids.reserve(book.count());
    for (const QByteArray &line : book.list().lines()) {
        ids.append(Contact::idOf(line));
    }
    return {namesIn(dir.filePath(QLatin1String(ContactFile::notesFolder))),
            namesIn(dir.filePath(QLatin1String(ContactFile::photoFolder))),
            uids ? uids(book.dataDir(), ids) : QHash<QString, QString>()};
}

// The contact at position with its notes and photo; false with the reason when one cannot be read.
bool exchangeContact(
    const ContactFile &book, const SideFiles &side, int position, ExchangeContact *item, QString *error)
{
    item->contact = book.list().contact(position);
    const QString &id = item->contact.ID;
    item->uid = side.uids.value(id);
    QString sideError;
    if (side.notes.contains(QFileInfo(book.notesPath(id)).fileName())
        && !book.readNotes(id, &item->notes, &sideError)) {
        if (error) {
            *error = book.notesPath(id) + u": "_s + sideError;
        }
        return false;
    }
    const QString photo = book.photoPath(id);
    if (!photo.isEmpty() && side.photos.contains(QFileInfo(photo).fileName())
        && !TextFile::readBytes(photo, &item->photo, nullptr, &sideError)) {
        if (error) {
            *error = photo + u": "_s + sideError;
        }
        return false;
    }
    return true;
}

// The contacts of a file handed to sink one by one; see readFile(). The rows of a CSV file that
// can go to the data file as they stand go to stored, where it is given.
bool readWith(const QString &path,
              const ExchangeSink &sink,
              const ContactCsv::StoredSink &stored,
              QString *error,
              const ExchangeProgress &progress,
              bool *cancelled,
              ContactCsv::ColumnReport *columns = nullptr)
{
    if (cancelled) {
        *cancelled = false;
    }
    const auto refuse = [error](const QString &reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path)) {
        return refuse(u"Plik %1 nie istnieje."_s.arg(shown));
    }
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        return refuse(FileError::describe(FileError::Read, path, file.errorString(), errno));
    }
    const qint64 size = file.size();
    if (size > ContactExchange::maxImportBytes) {
        return refuse(u"Plik %1 jest za duży do importu (%2 MB, najwięcej %3 MB)."_s.arg(shown)
                          .arg(size / (1024 * 1024))
                          .arg(ContactExchange::maxImportBytes / (1024 * 1024)));
    }
    // Mapped, the file's pages are read as the readers go and can be dropped again; a device
    // that cannot be mapped is read whole, within the same limit.
    QByteArray copy;
    QByteArrayView bytes;
    if (size > 0) {
        if (const uchar *mapped = file.map(0, size)) {
            bytes = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
        }
    }
    try {
        if (bytes.isNull()) {
            copy = file.read(ContactExchange::maxImportBytes + 1);
            if (file.error() != QFileDevice::NoError) {
                return refuse(FileError::describe(FileError::Read, path, file.errorString(), errno));
            }
            if (copy.size() > ContactExchange::maxImportBytes) {
                return refuse(u"Plik %1 jest za duży do importu (najwięcej %2 MB)."_s.arg(shown).arg(
                    ContactExchange::maxImportBytes / (1024 * 1024)));
            }
            bytes = copy;
        }
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool vcard = suffix == u"vcf" || suffix == u"vcard" || (suffix != u"csv" && VCard::looksLikeVCard(bytes));
        ExchangeError problem;
        const bool read = vcard ? VCard::read(bytes, sink, &problem, progress)
                                : ContactCsv::read(bytes, sink, stored, &problem, progress, columns);
        if (!read) {
            if (cancelled) {
                *cancelled = problem.line == 0 && problem.message == cancelledText;
            }
            return refuse(problem.line == 0
                              ? problem.message
                              : u"Plik %1 jest uszkodzony. %2"_s.arg(QFileInfo(path).fileName(), problem.text()));
        }
    } catch (const std::bad_alloc &) {
        return refuse(u"Za mało pamięci, by wczytać plik %1."_s.arg(shown));
    }
    return true;
}

} // namespace

namespace ContactExchange {

bool gather(const ContactFile &book,
            QList<ExchangeContact> *contacts,
            QString *error,
            const ExchangeProgress &progress,
            const UidSource &uids)
{
    contacts->clear();
    contacts->reserve(book.count());
    const SideFiles side = listSideFiles(book, uids);
    for (int i = 0; i < book.count(); ++i) {
        ExchangeContact item;
        if (!exchangeContact(book, side, i, &item, error)) {
            return false;
        }
        contacts->append(std::move(item));
        if (!Exchange::report(progress, i + 1, book.count())) {
            if (error) {
                *error = cancelledText;
            }
            return false;
        }
    }
    return true;
}

bool exportTo(Format format,
              const ContactFile &book,
              const QString &target,
              const QDateTime &now,
              QString *error,
              const ExchangeProgress &progress,
              bool *cancelled,
              const UidSource &uids)
{
    if (cancelled) {
        *cancelled = false;
    }
    // Each contact is converted and written in turn, so the book is held once, as it is loaded.
    TextFile::AtomicWriter file(target);
    if (!file.open(error)) {
        return false;
    }
    QByteArray piece;
    piece.reserve(pieceSize + 64 * 1024);
    const auto writeWhenFull = [&] {
        if (piece.size() >= pieceSize) {
            file.write(piece);
            piece.truncate(0); // keeps its room
        }
    };
    if (format == Format::Calendar) {
        ICalendar::Writer writer(now);
        piece.append(ICalendar::Writer::begin());
        AppointmentTimes times; // without its file the appointments go as all-day ones
        (void)times.load(book.dataDir(), nullptr);
        const auto appointment = [&](QByteArrayView line) {
            const QString record = Cp1250::decode(line);
            Appointment a = AppointmentRecord::decode(record);
            a.time = times.time(record);
            writer.appendAppointment(piece, a);
            writeWhenFull();
        };
        if (!TextFile::forEachLine(
                QDir(book.dataDir()).filePath(QLatin1String(AppointmentList::fileName)), appointment, nullptr, error)) {
            return false;
        }
        for (int i = 0; i < book.count(); ++i) {
            writer.appendContact(piece, book.list().contact(i));
            writeWhenFull();
        }
        piece.append(ICalendar::Writer::end());
    } else {
        const SideFiles side = listSideFiles(book, uids);
        if (format == Format::Csv) {
            piece.append(ContactCsv::header());
        }
        for (int i = 0; i < book.count(); ++i) {
            ExchangeContact item;
            if (!exchangeContact(book, side, i, &item, error)) {
                return false;
            }
            if (format == Format::VCard) {
                VCard::appendCard(piece, item);
            } else {
                ContactCsv::appendRow(piece, item);
            }
            writeWhenFull();
            if (!Exchange::report(progress, i + 1, book.count())) {
                if (error) {
                    *error = cancelledText;
                }
                if (cancelled) {
                    *cancelled = true;
                }
                return false;
            }
        }
    }
    file.write(piece);
    return file.commit(error);
}

bool readFile(const QString &path,
              QList<ExchangeContact> *contacts,
              QString *error,
              const ExchangeProgress &progress,
              bool *cancelled)
{
    return Exchange::collect(contacts, [&](const ExchangeSink &sink) {
        return readWith(path, sink, {}, error, progress, cancelled);
    });
}

bool readInto(const QString &path,
              ContactImport *import,
              QString *error,
              const ExchangeProgress &progress,
              bool *cancelled,
              QStringList *columnNotes)
{
    ContactCsv::ColumnReport columns;
    // A CSV row of a contact takes some 140 bytes, a card twice that: the tables are made about
    // large enough at once instead of growing all through the file.
    import->expect(std::min<qint64>(QFileInfo(path).size(), ContactExchange::maxImportBytes) / 140);
    const bool read = readWith(
        path,
        [import](ExchangeContact &&item, QString *reason) {
            return import->add(std::move(item), reason);
        },
        [import](PackedContact &&fields, QString &&notes, QString *reason) {
            return import->addStored(std::move(fields), std::move(notes), reason);
        },
        error,
        progress,
        cancelled,
        &columns);
    if (columnNotes && read) {
        if (columns.onlyName) {
            columnNotes->append(u"Z kolumn pliku %1 odczytano tylko nazwisko i imię: nazw pozostałych kolumn "
                                u"program nie rozpoznaje."_s.arg(QFileInfo(path).fileName()));
        }
        if (!columns.skipped.isEmpty()) {
            columnNotes->append(u"Pominięte kolumny: "_s + columns.skipped.join(u", "_s) + u'.');
        }
    }
    return read;
}

} // namespace ContactExchange
