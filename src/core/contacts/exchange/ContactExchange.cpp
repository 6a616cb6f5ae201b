#include "ContactExchange.h"

#include "ContactCsv.h"
#include "ICalendar.h"
#include "VCard.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/sync/SyncState.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace

namespace ContactExchange {

bool gather(const ContactFile &book, QList<ExchangeContact> *contacts, QString *error, const ExchangeProgress &progress)
{
    contacts->clear();
    contacts->reserve(book.count());
    // The same UIDs as the sync gives the cards on the server.
    QStringList ids;
    for (const QByteArray &line : book.list().lines()) {
        ids.append(Contact::idOf(line));
    }
    const QHash<QString, QString> uids = SyncState::exportUids(book.dataDir(), ids);
    for (int i = 0; i < book.count(); ++i) {
        ExchangeContact item;
        item.contact = book.list().contact(i);
        item.uid = uids.value(item.contact.ID);
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
    if (cancelled) {
        *cancelled = false;
    }
    QByteArray bytes;
    bool exists = false;
    if (!TextFile::readBytes(path, &bytes, &exists, error)) {
        return false;
    }
    if (!exists) {
        if (error) {
            *error = u"Plik %1 nie istnieje."_s.arg(QDir::toNativeSeparators(path));
        }
        return false;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool vcard = suffix == u"vcf" || suffix == u"vcard" || (suffix != u"csv" && VCard::looksLikeVCard(bytes));
    ExchangeError problem;
    const bool read = vcard ? VCard::read(bytes, contacts, &problem, progress)
                            : ContactCsv::read(bytes, contacts, &problem, progress);
    if (!read) {
        if (cancelled) {
            *cancelled = problem.line == 0 && problem.message == cancelledText;
        }
        if (error) {
            *error = problem.line == 0
                         ? problem.message
                         : u"Plik %1 jest uszkodzony. %2"_s.arg(QFileInfo(path).fileName(), problem.text());
        }
        return false;
    }
    return true;
}

} // namespace ContactExchange
