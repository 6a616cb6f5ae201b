#pragma once

#include "core/sync/SyncState.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// An item's version as the sync keeps it: the server's ETag, or, from a server that gives none, a
// tag made of the item's content ('#' and a hash, which no ETag looks like: those are quoted).
namespace ItemTags {

// The content tag of an item's text: line ends, folding, REV and PRODID do not count.
QString contentTag(const QByteArray &text);
// True for an ETag the server gave, which may go in If-Match; false for a content tag or none.
bool isServerTag(const QString &tag);
// The server's ETag, else the content tag of the text.
QString tagOf(const QString &etag, const QByteArray &text);

// Looks at one item fetched from the server (its ETag, empty when the server gave none, becomes
// its tag) against what the state knows of it at href:
// - the server's copy of what was sent from here that differs only in REV or PRODID (a server that
//   stamps what it stores) is ours: the state takes its tag and text, so it is no change;
// - a text the state kept shortened for its size is whole again from the same copy on the server.
// byHref indexes state.items.
void adopt(SyncCollectionState &state,
           const QHash<QString, qsizetype> &byHref,
           const QString &href,
           QString *etag,
           const QByteArray &text);

// The same for every fetched item (a map of href to a value with etag and text).
template <class Fetched> void adoptAll(SyncCollectionState &state, Fetched &fetched)
{
    QHash<QString, qsizetype> byHref;
    for (qsizetype i = 0; i < state.items.size(); ++i) {
        byHref.insert(state.items[i].href, i);
    }
    for (auto it = fetched.begin(); it != fetched.end(); ++it) {
        adopt(state, byHref, it.key(), &it->etag, it->text);
    }
}

} // namespace ItemTags
