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
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <new>

namespace {

using namespace Qt::StringLiterals;

const QString cancelledText = u"Przerwano."_s;

// Progress of one half of a job as part of the whole.
ExchangeProgress half(const ExchangeProgress &progress, bool second)
{
    if (!progress) {
        return {};
    }
    return [progress, second](qsizetype done, qsizetype total) {
        return progress(second ? total + done : done, 2 * total);
    };
}

bool readAppointments(const QString &dataDir, QList<Appointment> *appointments, QString *error)
{
    QList<QByteArray> lines;
    bool exists = false;
    if (!TextFile::readLines(
            QDir(dataDir).filePath(QLatin1String(AppointmentList::fileName)), &lines, &exists, error)) {
        return false;
    }
    for (const QByteArray &line : lines) {
        appointments->append(AppointmentRecord::decode(Cp1250::decode(line)));
    }
    return true;
}

// The contacts of a file handed to sink one by one; see readFile().
bool readWith(
    const QString &path, const ExchangeSink &sink, QString *error, const ExchangeProgress &progress, bool *cancelled)
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
        const bool read =
            vcard ? VCard::read(bytes, sink, &problem, progress) : ContactCsv::read(bytes, sink, &problem, progress);
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

bool gather(const ContactFile &book, QList<ExchangeContact> *contacts, QString *error, const ExchangeProgress &progress)
{
    contacts->clear();
    contacts->reserve(book.count());
    for (int i = 0; i < book.count(); ++i) {
        ExchangeContact item;
        item.contact = book.list().contact(i);
        QString sideError;
        if (!book.readNotes(item.contact.ID, &item.notes, &sideError)) {
            if (error) {
                *error = book.notesPath(item.contact.ID) + u": "_s + sideError;
            }
            return false;
        }
        const QString photo = book.photoPath(item.contact.ID);
        if (!photo.isEmpty() && !TextFile::readBytes(photo, &item.photo, nullptr, &sideError)) {
            if (error) {
                *error = photo + u": "_s + sideError;
            }
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
              bool *cancelled)
{
    if (cancelled) {
        *cancelled = false;
    }
    QByteArray bytes;
    if (format == Format::Calendar) {
        QList<Appointment> appointments;
        if (!readAppointments(book.dataDir(), &appointments, error)) {
            return false;
        }
        QList<Contact> contacts;
        contacts.reserve(book.count());
        for (int i = 0; i < book.count(); ++i) {
            contacts.append(book.list().contact(i));
        }
        bytes = ICalendar::write(appointments, contacts, now);
    } else {
        QList<ExchangeContact> contacts;
        bool written = gather(book, &contacts, error, half(progress, false));
        if (written) {
            written = format == Format::VCard ? VCard::write(contacts, &bytes, half(progress, true))
                                              : ContactCsv::write(contacts, &bytes, half(progress, true));
            if (!written && error) {
                *error = cancelledText;
            }
        }
        if (!written) {
            if (cancelled && error && *error == cancelledText) {
                *cancelled = true;
            }
            return false;
        }
    }
    return TextFile::writeAtomically(target, bytes, error);
}

bool readFile(const QString &path,
              QList<ExchangeContact> *contacts,
              QString *error,
              const ExchangeProgress &progress,
              bool *cancelled)
{
    contacts->clear();
    const bool read = readWith(
        path,
        [contacts](ExchangeContact &&item, QString *) {
            contacts->append(std::move(item));
            return true;
        },
        error,
        progress,
        cancelled);
    if (!read) {
        contacts->clear();
        contacts->squeeze();
    }
    return read;
}

bool readInto(
    const QString &path, ContactImport *import, QString *error, const ExchangeProgress &progress, bool *cancelled)
{
    return readWith(
        path,
        [import](ExchangeContact &&item, QString *reason) {
            return import->add(std::move(item), reason);
        },
        error,
        progress,
        cancelled);
}

} // namespace ContactExchange
