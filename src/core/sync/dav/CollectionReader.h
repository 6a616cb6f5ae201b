#pragma once

#include "DavJob.h"

#include "core/sync/SyncEngine.h"
#include "core/sync/SyncState.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>

// Reads what changed in one collection on the server: a quick look at its ctag (or sync token)
// against the state's, then the list of changes (a sync report; every member's ETag where the
// server has none, or gave part of them), then the changed members' texts in batches.
// Hrefs outside the collection, members too large to take and members a server leaves out of its
// answer are never taken, and counted and named in the summary.
class CollectionReader
{
public:
    struct Fetched
    {
        QString etag;
        QByteArray text;
    };
    // What the pass found on the server.
    struct Listing
    {
        QString ctag;
        QString tokenSeen;
        bool full = false;             // every member listed: one missing is gone
        QHash<QString, QString> etags; // href -> etag, of what the listing named
        QSet<QString> gone;            // named as deleted
        QHash<QString, Fetched> fetched;
        QSet<QString> refused; // members not taken in this pass: to be left alone
    };
    // What the reader needs of the sync: the collection's state and the counts of the pass.
    struct Pass
    {
        bool calendar = false;
        const SyncCollectionState *state = nullptr;
        CollectionSummary *summary = nullptr;
        QStringList *warnings = nullptr;
        std::function<void(const char *stage)> stage;
        // Whether key's item differs here from what was last synced (hash).
        std::function<bool(const QString &key, const QByteArray &hash)> changedHere;
        // Whether the local files changed since the state was saved: with the same ctag, nothing to do.
        std::function<bool()> localChanged;
        std::function<void()> unchanged; // nothing to do on either side
        std::function<void()> read;      // the listing and the texts are in listing()
    };

    explicit CollectionReader(DavJob &job)
        : m_job(job)
    {}

    void setLimits(qint64 listing, qint64 item)
    {
        m_listingLimit = listing;
        m_itemLimit = item;
    }
    qint64 itemLimit() const { return m_itemLimit; }

    // Reads the job's collection; the job fails on the way, or one of pass's callbacks is called.
    void start(Pass pass);
    Listing &listing() { return m_listing; }
    const Listing &listing() const { return m_listing; }
    bool refused(const QString &href) const { return m_listing.refused.contains(href); }
    // After the pass's writes: the state takes the token seen, or the server's new one when every
    // change since is one of this pass's own writes (then also its ctag); done then.
    void confirm(SyncCollectionState *state, int written, std::function<void()> done);

private:
    void quickLook(bool token);
    void listChanges();
    void listChangesFrom(const QString &token);
    void listAll();
    // Whether a multistatus about the collection says it is not there (a 404 entry for it).
    bool gone(const DavXml::MultiStatus &ms) const;
    void failGone(); // the job fails: the collection is gone, another is to be chosen
    // The hrefs a listing named that are not taken (outside the collection, too many, too large).
    bool listingRefused();
    void reportSkipped();
    void fetchNext();

    DavJob &m_job;
    Pass m_pass;
    Listing m_listing;
    qint64 m_listingLimit = DavSession::maxListingBytes;
    qint64 m_itemLimit = DavSession::maxItemBytes();
    QStringList m_toFetch;
    bool m_fetchPlanned = false;
    QStringList m_foreignHrefs; // named by the server, outside the collection: never followed
    QStringList m_oversized;    // members larger than an item may be: left on the server as they are
    QStringList m_unanswered;   // members a fetch left out of its answer: left alone this time
    QSet<QString> m_fetchAlone; // members whose batch was too large: fetched one by one
    quint64 m_passNumber = 0;
};
