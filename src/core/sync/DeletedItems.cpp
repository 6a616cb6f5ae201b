#include "DeletedItems.h"

#include "SyncState.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/TextFile.h"
#include "core/contacts/Contact.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

using namespace Qt::StringLiterals;

constexpr char stampFormat[] = "yyyy-MM-dd_HHmmss";

QString rootOf(const QString &dataDir)
{
    return QDir(dataDir).filePath(QLatin1String(DailyBackup::folderName) + u'/'
                                  + QLatin1String(DeletedItems::folderName));
}

// The kept folders, oldest first.
QStringList folders(const QString &dataDir)
{
    return QDir(rootOf(dataDir)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

void prune(const QString &dataDir, const QDateTime &now)
{
    const QDateTime limit = now.addDays(-DeletedItems::keptDays);
    for (const QString &name : folders(dataDir)) {
        const QDateTime made = QDateTime::fromString(name.left(17), QLatin1String(stampFormat));
        if (made.isValid() && made < limit) {
            QDir(QDir(rootOf(dataDir)).filePath(name)).removeRecursively();
        }
    }
}

bool readLinesOf(const QString &path, QList<QByteArray> *lines, QString *error)
{
    if (!TextFile::readLines(path, lines, nullptr, error)) {
        *error = path + u": "_s + *error;
        return false;
    }
    return true;
}

} // namespace

namespace DeletedItems {

bool keep(const QString &dataDir,
          const QDateTime &now,
          const QList<QByteArray> &contactLines,
          const QStringList &records,
          QString *error)
{
    prune(dataDir, now);
    if (contactLines.isEmpty() && records.isEmpty()) {
        return true;
    }
    QDir root(rootOf(dataDir));
    QString name = now.toString(QLatin1String(stampFormat));
    for (int n = 1; root.exists(name); ++n) {
        name = now.toString(QLatin1String(stampFormat)) + u'-' + QString::number(n);
    }
    if (!root.mkpath(name + u"/notes"_s) || !root.mkpath(name + u"/foto"_s)) {
        *error = u"Nie można założyć folderu %1."_s.arg(root.filePath(name));
        return false;
    }
    const QDir kept(root.filePath(name));
    const ContactFile files(dataDir);
    const ContactFile into(kept.path()); // laid out as the data folder is
    for (const QByteArray &line : contactLines) {
        const QString id = Contact::idOf(line);
        for (const auto &[from, to] :
             {std::pair{files.notesPath(id), into.notesPath(id)}, std::pair{files.photoPath(id), into.photoPath(id)}}) {
            if (from.isEmpty()) {
                continue; // an identifier that names no file
            }
            QByteArray bytes;
            bool exists = false;
            if (!TextFile::readBytes(from, &bytes, &exists, error)) {
                *error = from + u": "_s + *error;
                return false;
            }
            if (exists && !TextFile::writeAtomically(to, bytes, error)) {
                *error = to + u": "_s + *error;
                return false;
            }
        }
    }
    QList<QByteArray> lines;
    for (const QString &record : records) {
        lines.append(Cp1250::encode(record));
    }
    if ((!contactLines.isEmpty()
         && !TextFile::writeLines(kept.filePath(QLatin1String(ContactFile::fileName)), contactLines, error))
        || (!lines.isEmpty()
            && !TextFile::writeLines(kept.filePath(QLatin1String(AppointmentList::fileName)), lines, error))) {
        return false;
    }
    return true;
}

Kept kept(const QString &dataDir)
{
    Kept count;
    for (const QString &name : folders(dataDir)) {
        const QDir dir(QDir(rootOf(dataDir)).filePath(name));
        QList<QByteArray> lines;
        if (TextFile::readLines(dir.filePath(QLatin1String(ContactFile::fileName)), &lines, nullptr, nullptr)) {
            count.contacts += static_cast<int>(lines.size());
        }
        lines.clear();
        if (TextFile::readLines(dir.filePath(QLatin1String(AppointmentList::fileName)), &lines, nullptr, nullptr)) {
            count.appointments += static_cast<int>(lines.size());
        }
    }
    return count;
}

bool restore(const QString &dataDir, DailyBackup *backup, Kept *restored, QString *error)
{
    *restored = {};
    const QStringList names = folders(dataDir);
    if (names.isEmpty()) {
        return true;
    }
    QList<ExchangeContact> contacts;
    QList<QByteArray> records;
    for (const QString &name : names) {
        const QDir dir(QDir(rootOf(dataDir)).filePath(name));
        QList<QByteArray> lines;
        if (!readLinesOf(dir.filePath(QLatin1String(ContactFile::fileName)), &lines, error)) {
            return false;
        }
        for (const QByteArray &line : std::as_const(lines)) {
            ExchangeContact item;
            item.contact = Contact::fromLine(line);
            const QString id = item.contact.ID.trimmed();
            // The kept folder is laid out as the data folder is.
            const ContactFile archived(dir.path());
            if (!archived.readNotes(id, &item.notes, error)
                || !TextFile::readBytes(archived.photoPath(id), &item.photo, nullptr, error)) {
                return false;
            }
            item.contact.ID.clear();
            contacts.append(std::move(item));
        }
        lines.clear();
        if (!readLinesOf(dir.filePath(QLatin1String(AppointmentList::fileName)), &lines, error)) {
            return false;
        }
        records.append(lines);
    }
    if (!contacts.isEmpty()) {
        ContactFile book(dataDir);
        book.setBackup(backup);
        book.setIdentifierReserve(&SyncState::knownIdentifiers);
        if (!book.load(error)) {
            return false;
        }
        ContactImport import;
        import.prepare(book.list(), std::move(contacts));
        ContactImport::Result result;
        if (!import.apply(book, true, &result, error)) {
            return false;
        }
        restored->contacts = result.added;
    }
    if (!records.isEmpty()) {
        const QString path = QDir(dataDir).filePath(QLatin1String(AppointmentList::fileName));
        QList<QByteArray> lines;
        if (!readLinesOf(path, &lines, error)) {
            return false;
        }
        QSet<QByteArray> present(lines.cbegin(), lines.cend());
        for (const QByteArray &record : std::as_const(records)) {
            if (!present.contains(record)) {
                present.insert(record);
                lines.append(record);
                ++restored->appointments;
            }
        }
        if (restored->appointments > 0) {
            if (backup) {
                backup->beforeWrite(path);
            }
            if (!TextFile::writeLines(path, lines, error)) {
                return false;
            }
        }
    }
    for (const QString &name : names) {
        QDir(QDir(rootOf(dataDir)).filePath(name)).removeRecursively();
    }
    return true;
}

} // namespace DeletedItems
