#include "SyncState.h"

#include "core/common/TextFile.h"
#include "core/contacts/ContactList.h"
#include "core/exchange/ContentLines.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>

namespace {

using namespace Qt::StringLiterals;

constexpr char header[] = "MORWINEK-SYNC 1";

QByteArray enc(const QString &text)
{
    return text.isEmpty() ? QByteArray("-") : QUrl::toPercentEncoding(text);
}

QString dec(QByteArrayView bytes)
{
    return bytes == "-" ? QString() : QUrl::fromPercentEncoding(bytes.toByteArray());
}

QByteArray bin(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QByteArray("-") : bytes.toBase64();
}

QByteArray unbin(QByteArrayView bytes)
{
    return bytes == "-" ? QByteArray() : QByteArray::fromBase64(bytes.toByteArray());
}

SyncCollectionState *collectionOf(SyncState &state, QByteArrayView kind)
{
    if (kind == "K") {
        return &state.contacts;
    }
    if (kind == "T") {
        return &state.appointments;
    }
    return nullptr;
}

// The text without its lines longer than maxKeptLine (a photo, a long note), or nothing when it is
// still too long.
QByteArray shortened(const QByteArray &text)
{
    QByteArray out;
    for (const ContentLines::Line &line : ContentLines::split(text)) {
        if (line.raw.size() <= SyncState::maxKeptLine) {
            out += line.raw;
        }
    }
    return out.size() <= SyncState::maxKeptText ? out : QByteArray();
}

void writeCollection(QList<QByteArray> &lines, const char *kind, const SyncCollectionState &c)
{
    lines.append(QByteArray("C ") + kind + ' ' + enc(c.url) + ' ' + enc(c.syncToken) + ' ' + enc(c.ctag));
    if (c.photoAsBase64) {
        lines.append(QByteArray("B ") + kind); // a line older versions pass over
    }
    for (const SyncItem &i : c.items) {
        const bool shorten = !i.shortened && i.serverText.size() > SyncState::maxKeptText;
        const QByteArray kept = shorten ? shortened(i.serverText) : i.serverText;
        const QByteArray flags = QByteArray(i.pending ? "p" : "") + (i.skipped ? "s" : "")
                                 + (i.shortened || shorten ? "r" : "") + (i.sentHere ? "w" : "") + "f";
        lines.append(QByteArray("I ") + kind + ' ' + enc(i.key) + ' ' + enc(i.uid) + ' ' + enc(i.href) + ' '
                     + enc(i.etag) + ' ' + bin(i.hash) + ' ' + bin(i.photoHash) + ' ' + flags + ' ' + bin(kept));
    }
}

} // namespace

qsizetype SyncCollectionState::indexOfKey(const QString &key) const
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].key == key && !key.isEmpty()) {
            return i;
        }
    }
    return -1;
}

qsizetype SyncCollectionState::indexOfHref(const QString &href) const
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].href == href) {
            return i;
        }
    }
    return -1;
}

bool SyncState::load(const QString &dataDir, QString *error)
{
    *this = SyncState();
    QList<QByteArray> lines;
    bool exists = false;
    if (!TextFile::readLines(QDir(dataDir).filePath(QLatin1String(fileName)), &lines, &exists, error)) {
        return false;
    }
    if (!exists) {
        return true;
    }
    if (lines.isEmpty() || lines.first() != header) {
        if (error) {
            *error = u"Plik %1 ma nieznany format."_s.arg(QLatin1String(fileName));
        }
        return false;
    }
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QList<QByteArray> parts = lines[n].split(' ');
        if (parts.size() == 2 && parts[0] == "R") {
            retiredIds.insert(dec(parts[1]));
        } else if (parts.size() == 2 && parts[0] == "F") {
            folderId = dec(parts[1]);
        } else if (parts.size() == 2 && parts[0] == "B") {
            if (SyncCollectionState *c = collectionOf(*this, parts[1])) {
                c->photoAsBase64 = true;
            }
        } else if (parts.size() == 5 && parts[0] == "C") {
            if (SyncCollectionState *c = collectionOf(*this, parts[1])) {
                c->url = dec(parts[2]);
                c->syncToken = dec(parts[3]);
                c->ctag = dec(parts[4]);
            }
        } else if (parts.size() == 10 && parts[0] == "I") {
            if (SyncCollectionState *c = collectionOf(*this, parts[1])) {
                SyncItem i;
                i.key = dec(parts[2]);
                i.uid = dec(parts[3]);
                i.href = dec(parts[4]);
                i.etag = dec(parts[5]);
                i.hash = unbin(parts[6]);
                i.photoHash = unbin(parts[7]);
                i.pending = parts[8].contains('p');
                i.skipped = parts[8].contains('s');
                i.shortened = parts[8].contains('r');
                i.sentHere = parts[8].contains('w');
                i.serverText = unbin(parts[9]);
                c->items.append(std::move(i));
            }
        }
    }
    return true;
}

bool SyncState::save(const QString &dataDir, QString *error) const
{
    QList<QByteArray> lines;
    lines.reserve(4 + contacts.items.size() + appointments.items.size());
    lines.append(header);
    lines.append("F " + enc(folderId));
    QStringList retired(retiredIds.cbegin(), retiredIds.cend());
    retired.sort();
    for (const QString &id : std::as_const(retired)) {
        lines.append("R " + enc(id));
    }
    writeCollection(lines, "K", contacts);
    writeCollection(lines, "T", appointments);
    return TextFile::writeLines(QDir(dataDir).filePath(QLatin1String(fileName)), lines, error);
}

void SyncState::ensureFolderId()
{
    if (folderId.isEmpty()) {
        folderId = QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
    }
}

QString SyncState::contactUid(const QString &id) const
{
    const qsizetype i = contacts.indexOfKey(id);
    if (i >= 0 && !contacts.items[i].uid.isEmpty()) {
        return contacts.items[i].uid;
    }
    return u"morwinek-"_s + folderId + u'-' + id;
}

QSet<int> SyncState::knownIdentifiers(const QString &dataDir)
{
    QSet<int> ids;
    QList<QByteArray> lines;
    bool exists = false;
    if (!TextFile::readLines(QDir(dataDir).filePath(QLatin1String(fileName)), &lines, &exists, nullptr)) {
        return ids;
    }
    for (const QByteArray &line : lines) {
        if (line.startsWith("R ")) {
            if (const auto value = ContactList::identifierValue(dec(QByteArrayView(line).sliced(2)))) {
                ids.insert(*value);
            }
        } else if (line.startsWith("I K ")) {
            const qsizetype end = line.indexOf(' ', 4);
            if (const auto value = ContactList::identifierValue(dec(QByteArrayView(line).sliced(4, end - 4)))) {
                ids.insert(*value);
            }
        }
    }
    return ids;
}

QHash<QString, QString> SyncState::exportUids(const QString &dataDir, const QStringList &ids)
{
    QHash<QString, QString> uids;
    SyncState state;
    if (!state.load(dataDir, nullptr)) {
        return uids; // an unreadable state is never replaced from here
    }
    if (state.folderId.isEmpty()) {
        state.ensureFolderId();
        if (!state.save(dataDir, nullptr)) {
            return uids;
        }
    }
    for (const QString &id : ids) {
        uids.insert(id, state.contactUid(id));
    }
    return uids;
}
