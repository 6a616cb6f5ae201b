#include "core/sync/plan/SyncPlanner.h"

#include "core/sync/plan/SyncRules.h"

#include <algorithm>

namespace SyncPlanner {

namespace {

Step decideKnown(const SyncItem &item, const LocalSnapshot &local, const RemoteSnapshot &remote)
{
    const bool exists = remote.exists(item.href);
    const auto fetched = remote.fetched.constFind(item.href);
    const bool changed = fetched != remote.fetched.cend() && fetched->etag != item.etag;
    if (item.skipped) {
        if (exists && changed) {
            return Step::Refresh;
        }
        return exists ? Step::Nothing : Step::Forget;
    }
    const auto here = local.hashes.constFind(item.key);
    SyncRules::Sides sides;
    sides.known = true;
    sides.localExists = here != local.hashes.cend();
    sides.localChanged = sides.localExists && (item.hash.isEmpty() || *here != item.hash);
    sides.remoteExists = exists;
    sides.remoteChanged = changed;
    sides.confirmed = !item.etag.isEmpty();
    switch (SyncRules::decide(sides)) {
    case SyncRules::Action::Nothing:
        return Step::Nothing;
    case SyncRules::Action::Upload:
        return Step::Upload;
    case SyncRules::Action::Download:
        if (!sides.localExists) {
            return local.old.contains(item.key) ? Step::KeepOld : Step::Restore;
        }
        return Step::Download;
    case SyncRules::Action::DeleteLocal:
        return Step::DeleteLocal;
    case SyncRules::Action::DeleteRemote:
        // Dropped here for being old, not deleted by the user: the server keeps it.
        return local.old.contains(item.key) ? Step::Nothing : Step::DeleteRemote;
    case SyncRules::Action::Merge:
        return Step::Merge;
    case SyncRules::Action::Forget:
        return Step::Forget;
    }
    return Step::Nothing;
}

} // namespace

Plan plan(const SyncCollectionState &state, const LocalSnapshot &local, const RemoteSnapshot &remote)
{
    Plan result;
    QSet<QString> knownHrefs;
    QSet<QString> knownKeys;
    for (qsizetype i = 0; i < state.items.size(); ++i) {
        const SyncItem &item = state.items[i];
        knownHrefs.insert(item.href);
        if (!item.key.isEmpty()) {
            knownKeys.insert(item.key);
        }
        if (!item.etag.isEmpty()) {
            ++result.knownOnServer;
            result.goneFromServer += remote.exists(item.href) ? 0 : 1;
        }
        const Step step = decideKnown(item, local, remote);
        result.deletionsHere += step == Step::DeleteLocal ? 1 : 0;
        result.known.append({i, step});
    }

    // The server's items met for the first time, by UID and by content.
    QStringList unknownHrefs;
    for (auto it = remote.fetched.cbegin(); it != remote.fetched.cend(); ++it) {
        if (!knownHrefs.contains(it.key())) {
            unknownHrefs.append(it.key());
        }
    }
    unknownHrefs.sort();
    QHash<QString, QString> byUid;
    QHash<QByteArray, QSet<QString>> byContent;
    for (const QString &href : std::as_const(unknownHrefs)) {
        const RemoteItem &item = remote.fetched[href];
        if (!item.uid.isEmpty() && !byUid.contains(item.uid)) {
            byUid.insert(item.uid, href);
        }
        for (const QByteArray &key : item.identity) {
            byContent[key].insert(href);
        }
    }

    QStringList newHere;
    for (auto it = local.hashes.cbegin(); it != local.hashes.cend(); ++it) {
        if (!knownKeys.contains(it.key())) {
            newHere.append(it.key());
        }
    }
    newHere.sort();
    QSet<QString> linked;
    QStringList unmatched;
    for (const QString &key : std::as_const(newHere)) {
        const auto it = byUid.constFind(local.uids.value(key));
        if (it != byUid.cend() && !local.uids.value(key).isEmpty() && !linked.contains(*it)) {
            linked.insert(*it);
            result.linked.append({key, *it});
        } else {
            unmatched.append(key);
        }
    }
    // By content: a pair only when neither side has another candidate.
    QHash<QString, QSet<QString>> hrefsOf;
    QHash<QString, QSet<QString>> keysOf;
    for (const QString &key : std::as_const(unmatched)) {
        for (const QByteArray &identity : local.identity.value(key)) {
            for (const QString &href : byContent.value(identity)) {
                if (!linked.contains(href)) {
                    hrefsOf[key].insert(href);
                    keysOf[href].insert(key);
                }
            }
        }
    }
    for (const QString &key : std::as_const(unmatched)) {
        const QSet<QString> hrefs = hrefsOf.value(key);
        if (hrefs.size() == 1 && keysOf.value(*hrefs.cbegin()).size() == 1) {
            linked.insert(*hrefs.cbegin());
            result.linked.append({key, *hrefs.cbegin()});
        } else {
            result.uploads.append(key);
        }
    }
    for (const QString &href : std::as_const(unknownHrefs)) {
        if (!linked.contains(href)) {
            result.downloads.append(href);
        }
    }
    return result;
}

QList<std::pair<QString, QString>> pairEdited(const SyncCollectionState &state,
                                              const LocalSnapshot &local,
                                              const QSet<QString> &removedByUser,
                                              int dateWidth)
{
    const auto dateOf = [dateWidth](const QString &key) {
        return key.left(dateWidth);
    };
    const auto textOf = [dateWidth](const QString &key) {
        return key.mid(dateWidth);
    };
    QMultiHash<QString, QString> goneByDate, goneByText, newByDate, newByText;
    QSet<QString> known;
    for (const SyncItem &item : state.items) {
        known.insert(item.key);
        if (item.key.isEmpty() || item.skipped || item.etag.isEmpty() || local.hashes.contains(item.key)
            || local.old.contains(item.key) || removedByUser.contains(item.key)) {
            continue;
        }
        goneByDate.insert(dateOf(item.key), item.key);
        goneByText.insert(textOf(item.key), item.key);
    }
    QList<std::pair<QString, QString>> pairs;
    if (goneByDate.isEmpty()) {
        return pairs;
    }
    for (auto it = local.hashes.cbegin(); it != local.hashes.cend(); ++it) {
        if (!known.contains(it.key())) {
            newByDate.insert(dateOf(it.key()), it.key());
            newByText.insert(textOf(it.key()), it.key());
        }
    }
    const auto candidates = [&](const QMultiHash<QString, QString> &byDate,
                                const QMultiHash<QString, QString> &byText,
                                const QString &key) {
        const QList<QString> sameDate = byDate.values(dateOf(key));
        const QList<QString> sameText = byText.values(textOf(key));
        QSet<QString> found(sameDate.cbegin(), sameDate.cend());
        found.unite(QSet<QString>(sameText.cbegin(), sameText.cend()));
        return found;
    };
    QStringList gone(goneByDate.cbegin(), goneByDate.cend());
    gone.sort();
    for (const QString &before : std::as_const(gone)) {
        const QSet<QString> after = candidates(newByDate, newByText, before);
        if (after.size() == 1 && candidates(goneByDate, goneByText, *after.cbegin()) == QSet<QString>{before}) {
            pairs.append({before, *after.cbegin()});
        }
    }
    return pairs;
}

bool needsConsent(const Plan &plan, qsizetype localCount)
{
    if (plan.deletionsHere == 0) {
        return false;
    }
    // Gone from the server all at once, or more than a handful and more than a quarter here: a server
    // emptied by mistake or another collection behind the address, more likely than a user who
    // deleted that much on the phone.
    return plan.serverLostAll() || (plan.deletionsHere > quietDeletions && plan.deletionsHere * 4 > localCount);
}

void sendBack(Plan &plan)
{
    for (Plan::Known &known : plan.known) {
        if (known.step == Step::DeleteLocal) {
            known.step = Step::Upload;
        }
    }
    plan.deletionsHere = 0;
}

} // namespace SyncPlanner
