#pragma once

#include "DavClient.h"
#include "SyncEngine.h"
#include "SyncPlanner.h"
#include "SyncRules.h"
#include "SyncState.h"
#include "SyncedTimes.h"

#include "core/contacts/ContactList.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include <functional>
#include <optional>

class DailyBackup;

// The sync over CardDAV and CalDAV. Each collection goes through: a quick look at its ctag and
// sync token; the list of what changed on the server (a sync report, else every ETag); the changed
// items fetched in batches; the decisions; the local files written (state marked first, data files,
// state again); the writes to the server; and the new token once every write is confirmed.
class DavSyncEngine : public SyncEngine
{
    Q_OBJECT
public:
    explicit DavSyncEngine(QString dataDir, QObject *parent = nullptr);
    ~DavSyncEngine() override;

    void setBackup(DailyBackup *backup) { m_backup = backup; }
    // Appointments older than range days before today are kept off the list, and never deleted on
    // the server for being gone here.
    void setRange(int days) { m_range = days; }
    void setToday(const QDate &today) { m_today = today; }
    void setTimeout(int milliseconds) { m_client.setTimeout(milliseconds); }
    // The whole time of one sync or discovery.
    void setJobTimeout(int milliseconds) { m_jobTimeout = milliseconds; }
    // The largest answer taken for a listing, and for a batch of items or one item.
    void setAnswerLimits(qint64 listing, qint64 item)
    {
        m_listingLimit = listing;
        m_itemLimit = item;
    }
    int requestsSent() const { return m_client.sent(); }
    // Called at each stage ("lista", "pobieranie", "zapis", "wysylanie") of each collection; for tests.
    std::function<void(const QString &stage, bool calendar)> stageHook;

    // After a discovery that stopped at a redirect to another server: where it led, for the window
    // to offer as the new address (the user decides; nothing follows it unasked).
    QUrl redirectedTo() const override { return m_redirectedTo; }

    void discover(const SyncAccount &account) override;
    void synchronize(const SyncAccount &account) override;
    void cancel() override;
    bool busy() const override { return m_busy; }

    // Folder of the server's copies kept when both sides changed the same field.
    static constexpr char conflictFolder[] = "konflikty";

private:
    struct Fetched
    {
        QString etag;
        QByteArray text;
    };
    struct Operation
    {
        enum Kind
        {
            Put,
            Delete
        };
        Kind kind = Put;
        QString key; // local key of the item (its state entry)
        QString href;
        QString uid;
        QString ifMatch; // empty with Put: If-None-Match: *
        int attempts = 0;
        bool smallPhoto = false;
    };

    // --- running a job ---
    bool checkAddress(const QUrl &url, QString *error) const;
    void request(const QByteArray &method,
                 const QUrl &url,
                 const QByteArray &body,
                 const QList<DavClient::Header> &headers,
                 const std::function<void(const DavClient::Reply &)> &done,
                 bool ownFailures = false,
                 qint64 maxBytes = -1);
    // The origin the user set: credentials and requests go there only.
    QUrl accountOrigin() const;
    void fail(const QString &error);
    // Marks the engine busy with a job for the account.
    void beginJob(const SyncAccount &account, bool discovering);
    void stage(const char *name);

    // --- discovery ---
    void discoverStep(const QUrl &url, int redirects, bool wellKnown);
    void discoverPrincipal(const QUrl &principal);
    void discoverHomes(QList<QUrl> homes);
    void discoverCreate();
    void finishDiscovery(const QString &error);

    // --- sync of one collection ---
    void startCollection(bool calendar);
    void quickLook(bool token);
    bool loadLocal(QString *error);
    bool localChangedSinceState() const;
    void listChanges();
    void listChangesFrom(const QString &token, int page);
    void listAll();
    // The hrefs a listing named that are not taken (outside the collection, too many, too large).
    bool listingRefused();
    void reportSkipped();
    void fetchNext();
    void decide();
    bool writeLocal(QString *error);
    // writeLocal(), or the job fails with its error; false then.
    bool writeLocalOrFail();
    void sendNext();
    void onWritten(const Operation &op, const DavClient::Reply &reply);
    void reconcile(const Operation &op, const DavClient::Reply &reply);
    void takeBack(const Operation &op);
    void forget(const Operation &op);
    void confirmToken();
    void finishCollection();
    void finishSync();

    // --- items ---
    SyncCollectionState &collection();
    CollectionSummary &summary();
    QString hrefFor(const QString &uid) const;
    QUrl urlOf(const QString &href) const;
    QString normalHref(const QString &href) const;
    // The path of href when it names a member directly inside the collection, on its server.
    bool memberHref(const QString &href, QString *path) const;
    // A member this pass did not take (too large, or left out of the answer): neither written nor
    // deleted here.
    bool refusedHref(const QString &href) const { return m_refused.contains(href); }
    bool localExists(const QString &key) const;
    QByteArray localHash(const QString &key) const;
    QString localUid(const QString &key) const;
    bool isOldRecord(const QString &record) const;
    // Edits made in the appointments window since the last sync: the state follows each record to
    // what it became, so the same event is changed on the server.
    void followAppointmentEdits();
    SyncPlanner::LocalSnapshot localSnapshot() const;
    QList<QByteArray> identityOf(const QString &key) const;
    // Carries the plan out in memory; the files are written after.
    void apply(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote);
    void mergeAppointment(const QString &key, const SyncItem *known, SyncItem &entry, const QByteArray &remote,
                          bool *upload);
    // True, having stopped the job with nothing changed, when the plan deletes too much here, or
    // copies this side's items into a collection chosen instead of the one synced before that holds
    // items already, without the user's word.
    bool holdDeletions(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote);
    bool holdCopy(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote);
    QByteArray uploadText(const QString &key, const QString &uid, const SyncItem *item, bool smallPhoto) const;
    void applyRemote(const QString &key, const QString &href, const Fetched &remote, bool newItem);
    void mergeItem(const QString &key, const SyncItem *item, const QString &href, const Fetched &remote);
    void saveConflict(const QString &key, const QByteArray &text);
    void queueUpload(const QString &key, const QString &href, const QString &uid, const QString &ifMatch);
    SyncItem *itemOfKey(const QString &key);
    SyncItem &appendItem(const SyncItem &item);
    void rebuildIndex();

    QString m_dataDir;
    DailyBackup *m_backup = nullptr;
    int m_range = 3;
    QDate m_today;
    DavClient m_client;
    bool m_busy = false;
    bool m_cancelled = false;
    bool m_discovering = false;
    SyncAccount m_account;
    SyncOutcome m_outcome;
    QList<DavCollection> m_found;
    QUrl m_redirectedTo;
    QUrl m_principal;
    QUrl m_home[2];

    // One collection's pass.
    bool m_calendar = false;
    SyncState m_state;
    SyncState m_stateBefore;
    QUrl m_collectionUrl;
    QString m_ctag;
    QString m_tokenSeen;
    bool m_fullListing = false;
    QHash<QString, QString> m_remoteEtags; // href -> etag, of what the listing named
    QSet<QString> m_remoteGone;
    QStringList m_toFetch;
    bool m_fetchPlanned = false;
    bool m_unchanged = false; // nothing to do: the state file stays as it is
    QHash<QString, Fetched> m_fetched;
    int m_jobTimeout = DavClient::defaultJobSeconds * 1000;
    qint64 m_listingLimit = DavClient::maxListingBytes;
    qint64 m_itemLimit = DavClient::maxItemBytes();
    QStringList m_foreignHrefs; // named by the server, outside the collection: never followed
    QStringList m_oversized;    // members larger than an item may be: left on the server as they are
    QStringList m_unanswered;   // members a fetch left out of its answer: left alone this time
    QSet<QString> m_fetchAlone; // members whose batch was too large: fetched one by one
    QSet<QString> m_refused;    // members not taken in this pass (too large): to be left alone
    QHash<QString, qsizetype> m_byKey;
    QList<Operation> m_operations;
    int m_running = 0;
    int m_written = 0;
    bool m_localDirty = false;

    // Local contacts: the data file's lines and each contact with notes and photo.
    ContactList m_book;
    QHash<QString, ExchangeContact> m_contacts; // by identifier
    QHash<QString, QByteArray> m_contactHashes;
    QSet<QString> m_changedIds;
    QSet<QString> m_removedIds;
    QList<ExchangeContact> m_newContacts; // from the server, identifiers given when written
    QStringList m_newContactHrefs;
    // Local appointments: the file's lines and the records synced.
    QList<QByteArray> m_termLines;
    QSet<QString> m_records;
    QSet<QString> m_removedRecords;
    QStringList m_addedRecords;
    QSet<QString> m_deletedRecords;    // removed because deleted on the server: kept in "kopie"
    QSet<QString> m_removedByUser;     // records the window removed: never paired as an edit
    SyncedTimes m_times;               // their times of day and alarms
    qsizetype m_editsTaken = 0;        // of the window's record of edits
    std::optional<SyncCollectionState> m_switchedFrom; // the collection synced before another was chosen
};
