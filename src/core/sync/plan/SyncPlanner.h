#pragma once

#include "core/sync/SyncState.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What one sync does to one collection, decided from what the last sync knew (the state), what this
// side holds now and what the server listed and gave: no files, no network, so every decision is
// tested in memory. The engine carries the plan out.
namespace SyncPlanner {

// This side of the collection now.
struct LocalSnapshot
{
    QHash<QString, QByteArray> hashes;          // key -> hash of the content as it is now
    QSet<QString> old;                          // keys left alone on the server (appointments past the range)
    QHash<QString, QString> uids;               // key -> the UID an item new here is sent under
    QHash<QString, QList<QByteArray>> identity; // key -> what it is, by content (see RemoteItem)
};

// One item the server gave.
struct RemoteItem
{
    QString etag;
    QString uid;
    QList<QByteArray> identity; // contacts: name with number or address; appointments: date and texts
};

// The server's side: what the listing named, and the items fetched because they are new or changed.
struct RemoteSnapshot
{
    bool fullListing = false;       // every item was listed: one not named is gone
    QHash<QString, QString> listed; // href -> etag
    QSet<QString> gone;             // named as deleted by an incremental listing
    QHash<QString, RemoteItem> fetched;

    bool exists(const QString &href) const { return fullListing ? listed.contains(href) : !gone.contains(href); }
};

enum class Step
{
    Nothing,
    Upload,       // this side's copy to the server (If-Match the known ETag while it is there)
    Download,     // the server's copy over this side's
    Restore,      // deleted here, changed there: the server's copy comes back as a new item here
    DeleteLocal,  // gone from the server, unchanged here
    DeleteRemote, // deleted here, unchanged there
    Merge,        // changed on both sides
    Forget,       // gone on both sides
    KeepOld,      // gone here for being old, changed there: the state takes the server's copy only
    Refresh       // an item left alone on purpose (a series) that changed there: read again
};

struct Plan
{
    struct Known
    {
        qsizetype index; // in the state's items
        Step step;
    };
    QList<Known> known;
    // Items met on both sides for the first time: linked and merged instead of sent again,
    // by UID first, then by content when neither side has another candidate.
    QList<std::pair<QString, QString>> linked; // local key -> href
    QStringList downloads;                     // hrefs new on the server
    QStringList uploads;                       // keys new here, in key order
    int deletionsHere = 0;
    int knownOnServer = 0;  // items the state has seen confirmed by the server
    int goneFromServer = 0; // of those, the ones the server no longer has

    // The server's collection is empty, or lost every item it had at the last sync.
    bool serverLostAll() const { return knownOnServer > 0 && goneFromServer == knownOnServer; }
};

Plan plan(const SyncCollectionState &state, const LocalSnapshot &local, const RemoteSnapshot &remote);

// Keys the state knows that vanished here paired with keys new here that are one item edited: the
// same date (the first dateWidth characters) or the same rest, with no other candidate on either
// side. Keys the user removed are never paired.
QList<std::pair<QString, QString>> pairEdited(const SyncCollectionState &state,
                                              const LocalSnapshot &local,
                                              const QSet<QString> &removedByUser,
                                              int dateWidth);

// Whether the plan deletes so much here that the user must say so first: more than quiet and more
// than a quarter of what is here, or any at all when the server lost every item it had. Either
// listing counts: servers answer an emptied collection with an incremental one too.
inline constexpr int quietDeletions = 5;
bool needsConsent(const Plan &plan, qsizetype localCount);

// The user's other answer to such a plan: what it would delete here stays and goes back to the
// server as it was last synced there (a write to a member that is gone), so later syncs see it there.
void sendBack(Plan &plan);

} // namespace SyncPlanner
