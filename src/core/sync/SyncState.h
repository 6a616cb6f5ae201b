#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

// What the last sync left behind, in "Morwinek.sync" of the data folder: for each synced item the
// local key (a contact's identifier, an appointment's record), its UID, address and ETag on the
// server, a hash of the local content as last synced and the server's text of that time; for each
// collection its address, sync token and ctag. Every line is ASCII (values percent-encoded, texts
// in base64), so the file is as safe in code page 1250 as the data files.
struct SyncItem
{
    QString key; // empty for an item that is never brought here (a recurring event)
    QString uid;
    QString href;         // the decoded path on the server
    QString etag;         // empty until the server confirmed a copy
    QByteArray hash;      // of the local content when last synced; empty = changed here since
    QByteArray photoHash; // of the local photo sent, which the server may hold smaller
    QByteArray serverText;
    bool pending = false; // written before the data files: a missing key means "never arrived"
    bool skipped = false; // left alone on purpose (recurring event)
    // serverText lacks its longest lines (the file keeps no more than maxKeptText of it): enough
    // to merge against, but the item is fetched again before it is patched.
    bool shortened = false;
    // serverText is what this side sent last, not a copy read back from the server.
    bool sentHere = false;
};

struct SyncCollectionState
{
    QString url;
    QString syncToken;
    QString ctag;
    // The server cuts a photo sent as a data: URI in a vCard 4.0: photos go as base64 there.
    bool photoAsBase64 = false;
    QList<SyncItem> items;

    qsizetype indexOfKey(const QString &key) const;
    qsizetype indexOfHref(const QString &href) const;
};

class SyncState
{
public:
    static constexpr char fileName[] = "Morwinek.sync";
    // The longest server text kept in the file whole; of a longer one only its lines up to
    // maxKeptLine are kept, and it is fetched again when it is needed.
    static constexpr qsizetype maxKeptText = 256 * 1024;
    static constexpr qsizetype maxKeptLine = 8 * 1024;

    QString folderId; // random, names this data folder in the UIDs of its own contacts
    SyncCollectionState contacts;
    SyncCollectionState appointments;
    // Identifiers of contacts once synced and since deleted: never given again, so a new contact
    // never gets a UID the server and phones knew for another person.
    QSet<QString> retiredIds;

    // A missing file is an empty state. False with the reason when it cannot be read.
    [[nodiscard]] bool load(const QString &dataDir, QString *error);
    [[nodiscard]] bool save(const QString &dataDir, QString *error) const;

    // Gives this folder its random part of UIDs when it has none yet.
    void ensureFolderId();
    // The UID of a contact: the server's when it is synced, else one made of the folder and the
    // identifier, the same in every export and sync.
    QString contactUid(const QString &id) const;

    // The contact identifiers the state knows, which are never given to a new contact.
    static QSet<int> knownIdentifiers(const QString &dataDir);
    // Identifier -> UID of every contact of the folder, for the vCard export. The folder's random
    // part is made and stored when there is none yet, so a later sync uses the same UIDs.
    static QHash<QString, QString> exportUids(const QString &dataDir, const QStringList &ids);
};
