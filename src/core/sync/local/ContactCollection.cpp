#include "core/sync/local/ContactCollection.h"

#include "core/common/DailyBackup.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactImport.h"
#include "core/sync/CardText.h"
#include "core/sync/plan/SyncRules.h"

#include <QDir>

using namespace Qt::StringLiterals;

bool ContactCollection::load(QString *error)
{
    m_book = ContactList();
    m_contacts.clear();
    m_hashes.clear();
    m_changed.clear();
    m_removed.clear();
    m_new.clear();
    m_newIds.clear();
    const QDir dir(m_dataDir);
    QList<QByteArray> lines;
    const QString path = dir.filePath(QLatin1String(ContactFile::fileName));
    if (!TextFile::readLines(path, &lines, nullptr, error)) {
        *error = path + u": "_s + *error;
        return false;
    }
    m_book.setLines(std::move(lines));
    const ContactFile files(m_dataDir);
    const auto present = [&dir](const char *folder) {
        const QStringList names = QDir(dir.filePath(QLatin1String(folder))).entryList(QDir::Files);
        return QSet<QString>(names.begin(), names.end());
    };
    const QSet<QString> notes = present(ContactFile::notesFolder);
    const QSet<QString> photos = present(ContactFile::photoFolder);
    m_contacts.reserve(m_book.count());
    const QString placeholder = Contact::placeholderName();
    for (const QByteArray &line : m_book.lines()) {
        ExchangeContact item;
        item.contact = Contact::fromLine(line);
        const QString id = item.contact.ID;
        if (!ContactFile::isSafeIdentifier(id) || m_contacts.contains(id)) {
            continue; // not a contact that can be synced (or a second line of one identifier)
        }
        if (item.contact.Nazwa == placeholder) {
            continue; // made by "Nowy" and not named yet: it travels once the user names it
        }
        QString sideError;
        if (notes.contains(id + u".txt"_s) && !files.readNotes(id, &item.notes, &sideError)) {
            *error = files.notesPath(id) + u": "_s + sideError;
            return false;
        }
        if (photos.contains(id + u".jpg"_s)
            && !TextFile::readBytes(files.photoPath(id), &item.photo, nullptr, &sideError)) {
            *error = files.photoPath(id) + u": "_s + sideError;
            return false;
        }
        m_hashes.insert(id, SyncRules::contactHash(item));
        m_contacts.insert(id, std::move(item));
    }
    return true;
}

// A contact's identity keys: its name with a number or the address, as the import finds duplicates.
QList<QByteArray> ContactCollection::identity(const QString &key) const
{
    return ContactImport::identityKeys(m_contacts.value(key).contact);
}

SyncPlanner::LocalSnapshot ContactCollection::snapshot(const SyncCollectionState &) const
{
    SyncPlanner::LocalSnapshot local;
    local.hashes = m_hashes;
    return local;
}

void ContactCollection::removeDeleted(const QString &key)
{
    m_contacts.remove(key);
    m_removed.insert(key);
}

void ContactCollection::put(const QString &key, ExchangeContact contact)
{
    const QByteArray hash = SyncRules::contactHash(contact);
    put(key, std::move(contact), hash);
}

void ContactCollection::put(const QString &key, ExchangeContact contact, const QByteArray &hash)
{
    contact.contact.ID = key;
    m_contacts.insert(key, std::move(contact));
    m_hashes.insert(key, hash);
    m_changed.insert(key);
}

void ContactCollection::deleted(QList<QByteArray> *lines, QStringList *) const
{
    if (m_removed.isEmpty()) {
        return;
    }
    for (const QByteArray &line : m_book.lines()) {
        if (m_removed.contains(Contact::idOf(line))) {
            lines->append(line);
        }
    }
}

bool ContactCollection::giveIdentifiers(QList<SyncItem> &items, const QSet<QString> &retired, QString *error)
{
    m_newIds.clear();
    if (m_new.isEmpty()) {
        return true;
    }
    QSet<int> reserved;
    for (const SyncItem &item : std::as_const(items)) {
        if (const auto value = ContactList::identifierValue(item.key)) {
            reserved.insert(*value);
        }
    }
    for (const QString &id : retired) {
        if (const auto value = ContactList::identifierValue(id)) {
            reserved.insert(*value);
        }
    }
    m_book.setReservedIdentifiers(reserved);
    if (!m_book.newIdentifiers(static_cast<int>(m_new.size()), &m_newIds, error)) {
        return false;
    }
    qsizetype next = 0;
    for (SyncItem &item : items) {
        if (item.pending && item.key.isEmpty()) {
            item.key = m_newIds[next];
            ExchangeContact &contact = m_new[next];
            contact.contact.ID = item.key;
            item.hash = SyncRules::contactHash(contact);
            item.photoHash = SyncRules::photoHash(contact.photo);
            put(item.key, contact, item.hash);
            ++next;
        }
    }
    return true;
}

bool ContactCollection::write(DailyBackup *backup, QString *error)
{
    const QDir dir(m_dataDir);
    const ContactFile files(m_dataDir);
    if (backup) { // the day's copy, before any of the day's changes
        backup->beforeWrite(dir.filePath(QLatin1String(ContactFile::fileName)), ContactFile::sideFolders());
    }
    (void)dir.mkpath(QLatin1String(ContactFile::notesFolder));
    (void)dir.mkpath(QLatin1String(ContactFile::photoFolder));
    for (const QString &id : std::as_const(m_changed)) {
        const ExchangeContact &item = m_contacts[id];
        QString sideError;
        if (!files.writeNotes(id, item.notes, &sideError)) {
            *error = files.notesPath(id) + u": "_s + sideError;
            return false;
        }
        const QString photo = files.photoPath(id);
        const bool done = item.photo.isEmpty() ? TextFile::removeIfExists(photo, &sideError)
                                               : TextFile::writeAtomically(photo, item.photo, &sideError);
        if (!done) {
            *error = photo + u": "_s + sideError;
            return false;
        }
    }
    QList<QByteArray> lines;
    lines.reserve(m_book.count() + m_newIds.size());
    for (const QByteArray &line : m_book.lines()) {
        const QString id = Contact::idOf(line);
        if (m_removed.contains(id)) {
            continue;
        }
        if (m_changed.contains(id)) {
            const Contact old = Contact::fromLine(line);
            Contact updated = m_contacts[id].contact;
            updated.ID = id;
            updated.Parametry = old.Parametry;
            updated.Rocznica = old.Rocznica;
            lines.append(updated.toLine());
        } else {
            lines.append(line);
        }
    }
    for (const QString &id : std::as_const(m_newIds)) {
        lines.append(m_contacts[id].contact.toLine());
    }
    m_book.setLines(std::move(lines));
    m_book.Sortowanie(nullptr);
    const QString path = dir.filePath(QLatin1String(ContactFile::fileName));
    if (!TextFile::writeLines(path, m_book.lines(), error)) {
        return false;
    }
    for (const QString &id : std::as_const(m_removed)) {
        (void)TextFile::removeIfExists(files.notesPath(id), nullptr);
        (void)TextFile::removeIfExists(files.photoPath(id), nullptr);
    }
    m_changed.clear();
    m_removed.clear();
    m_new.clear();
    m_newIds.clear();
    return true;
}

bool ContactCollection::keepsPhoto(const SyncItem *known,
                                   const ExchangeContact &mine,
                                   const ExchangeContact &theirs,
                                   const QByteArray &remote)
{
    if (!known || mine.photo.isEmpty() || !theirs.photo.isEmpty()
        || SyncRules::photoHash(mine.photo) != known->photoHash) {
        return false;
    }
    const bool damaged = CardText::hasDamagedPhoto(remote);
    ExchangeContact base;
    const bool baseHad =
        !known->serverText.isEmpty() && SyncRules::readCard(known->serverText, &base, nullptr) && !base.photo.isEmpty();
    if (!damaged && baseHad && !known->sentHere) {
        return false; // the server had it whole, and the phone removed it
    }
    m_keptPhotos.append(mine.contact.Nazwa.trimmed());
    m_damagedPhotos = m_damagedPhotos || (damaged && CardText::version(remote) >= 4);
    return true;
}

QStringList ContactCollection::takeKeptPhotos(bool *damaged)
{
    *damaged = m_damagedPhotos;
    m_damagedPhotos = false;
    return std::exchange(m_keptPhotos, {});
}

ContactCollection::Taken ContactCollection::take(
    const QString &key, SyncItem &entry, const QByteArray &remote, bool newItem, const SyncItem *known)
{
    ExchangeContact contact;
    if (!SyncRules::readCard(remote, &contact, &entry.uid)) {
        return SyncRules::isGroupCard(remote) ? Taken::Group : Taken::Unreadable;
    }
    if (!newItem && exists(key)) {
        entry.key = key;
        const ExchangeContact mine = value(key);
        const bool keep = keepsPhoto(known, mine, contact, remote);
        if (keep) {
            contact.photo = mine.photo;
        }
        const QByteArray hash = SyncRules::contactHash(contact);
        entry.hash = keep ? QByteArray() : hash; // empty: the photo is sent again
        entry.photoHash = SyncRules::photoHash(contact.photo);
        put(key, contact, hash);
        return Taken::Updated;
    }
    addNew(contact);
    return Taken::New;
}

LocalCollection::Merged
ContactCollection::merge(const QString &key, const SyncItem *known, SyncItem &entry, const QByteArray &remote)
{
    Merged result;
    ExchangeContact theirs;
    QString uid;
    if (!SyncRules::readCard(remote, &theirs, &uid)) {
        result.readable = false;
        return result;
    }
    if (!uid.isEmpty()) {
        entry.uid = uid;
    }
    const ExchangeContact mine = value(key);
    std::optional<ExchangeContact> base;
    if (known && !known->serverText.isEmpty()) {
        ExchangeContact b;
        if (SyncRules::readCard(known->serverText, &b, nullptr)) {
            base = b;
        }
    }
    const bool theirsKeptPhoto = keepsPhoto(known, mine, theirs, remote);
    if (theirsKeptPhoto) {
        theirs.photo = mine.photo; // no change there: the merge keeps it, and it is sent again
        if (base) {
            base->photo = mine.photo;
        }
    }
    // The server may hold a smaller copy of the photo sent from here: that is no change.
    if (known && !mine.photo.isEmpty() && SyncRules::photoHash(mine.photo) == known->photoHash) {
        if (base && SyncRules::photoHash(theirs.photo) == SyncRules::photoHash(base->photo)) {
            theirs.photo = mine.photo;
        }
        if (base) {
            base->photo = mine.photo;
        }
    }
    // Met for the first time (a folder made from an older export, a phone's own book): the address
    // book keeps no time of change, so the REV rule keeps the server's values and this side's aside.
    const SyncRules::Side kept =
        base ? SyncRules::Side::Here : SyncRules::keptWithoutBase(QDateTime(), SyncRules::cardRevision(remote));
    const SyncRules::MergeResult merged = SyncRules::merge(base ? &*base : nullptr, mine, theirs, kept);
    result.conflict = !merged.conflicts.isEmpty();
    if (result.conflict && !base && kept == SyncRules::Side::Server) {
        result.conflictText = SyncRules::patchCard(remote, mine, entry.uid, QDateTime());
    }
    ExchangeContact contact = merged.merged;
    contact.contact.ID = key;
    const QByteArray mergedHash = SyncRules::contactHash(contact);
    entry.photoHash = SyncRules::photoHash(contact.photo);
    if (mergedHash != hash(key)) {
        put(key, std::move(contact), mergedHash);
        result.received = true;
    }
    result.upload = mergedHash != SyncRules::contactHash(theirs) || theirsKeptPhoto;
    entry.hash = result.upload ? QByteArray() : mergedHash; // empty: sent after the files are written
    return result;
}

QByteArray ContactCollection::textToSend(
    const QString &key, const SyncItem *item, const QString &uid, bool smallPhoto, const QDateTime &nowUtc) const
{
    const QByteArray serverText = item ? item->serverText : QByteArray();
    ExchangeContact send = value(key);
    if (item && !send.photo.isEmpty() && SyncRules::photoHash(send.photo) == item->photoHash && !serverText.isEmpty()) {
        ExchangeContact there;
        if (SyncRules::readCard(serverText, &there, nullptr) && !there.photo.isEmpty()) {
            send.photo = there.photo; // the server keeps its smaller copy of the same photo
        }
    } else if (smallPhoto && !send.photo.isEmpty()) {
        QByteArray smaller;
        if (SyncRules::shrinkPhoto(send.photo, &smaller)) {
            send.photo = smaller;
        }
    }
    return SyncRules::patchCard(serverText, send, uid, nowUtc, m_photoAsBase64);
}
