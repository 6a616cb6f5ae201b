#pragma once

#include "DavClient.h"
#include "SyncEngine.h"
#include "SyncItemIndex.h"
#include "SyncState.h"
#include "UploadQueue.h"
#include "dav/DavDiscovery.h"
#include "dav/DavJob.h"

#include "core/common/Clock.h"
#include "core/sync/dav/CollectionReader.h"
#include "core/sync/local/AppointmentCollection.h"
#include "core/sync/local/ContactCollection.h"
#include "core/sync/plan/SyncPlanner.h"

#include <QDate>

#include <functional>
#include <optional>

class DailyBackup;

// The sync over CardDAV and CalDAV. Each collection goes through: its local items read; what
// changed on the server read (CollectionReader); the plan (SyncPlanner) carried out in memory; the
// local files written (state marked first, data files, state again); the writes to the server
// (UploadQueue); and the new token once every write is confirmed.
class DavSyncEngine : public SyncEngine, private UploadQueue::Host
{
    Q_OBJECT
public:
    explicit DavSyncEngine(QString dataDir, QObject *parent = nullptr);
    ~DavSyncEngine() override;

    void setBackup(DailyBackup *backup) { m_backup = backup; }
    // Appointments older than range days before today are kept off the list, and never deleted on
    // the server for being gone here.
    void setRange(int days) { m_range = days; }
    // "Now" for the stamps of a job (conflict files, kept deletions, events written) and its day.
    void setClock(const Clock *clock) { m_clock = clock ? clock : &m_systemClock; }
    // A day of its own instead of the clock's, for tests of old appointments.
    void setToday(const QDate &today) { m_today = today; }
    void setTimeout(int milliseconds) { m_client.setTimeout(milliseconds); }
    // The whole time of one sync or discovery.
    void setJobTimeout(int milliseconds) { m_jobTimeout = milliseconds; }
    // The largest answer taken for a listing, and for a batch of items or one item.
    void setAnswerLimits(qint64 listing, qint64 item)
    {
        m_reader.setLimits(listing, item);
        m_job.setItemLimit(item);
        m_job.setListingLimit(listing);
    }
    int requestsSent() const { return m_client.sent(); }
    // Whether nobody else works on the data folder now (its lock tells), so the temporary files a
    // killed write left go at once; without it only those older than a minute.
    void setFolderAlone(std::function<bool()> alone) { m_folderAlone = std::move(alone); }
    // Called at each stage ("lista", "pobieranie", "zapis", "wysylanie") of each collection; for tests.
    std::function<void(const QString &stage, bool calendar)> stageHook;

    // After a discovery that stopped at a redirect to another server: where it led, for the window
    // to offer as the new address (the user decides; nothing follows it unasked).
    QUrl redirectedTo() const override { return m_discovery.redirectedTo(); }

    void discover(const SyncAccount &account) override;
    void synchronize(const SyncAccount &account) override;
    void cancel() override;
    bool busy() const override { return m_busy; }

    // Folder of the server's copies kept when both sides changed the same field.
    static constexpr char conflictFolder[] = "konflikty";

private:
    using Fetched = CollectionReader::Fetched;
    using Operation = UploadQueue::Operation;

    void fail(const QString &error);
    void beginJob(const SyncAccount &account, bool discovering);
    void finishDiscovery(const QList<DavCollection> &found, const QString &error);
    void stage(const char *name);

    // --- one collection's pass ---
    void startCollection(bool calendar);
    void decide();
    // Carries the plan out in memory; the files are written after.
    void apply(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote);
    // True, having stopped the job with nothing changed, when the plan deletes too much here, or
    // copies this side's items into a collection chosen instead of the one synced before that holds
    // items already, without the user's word. Told to send such deletions back, changes the plan so.
    bool holdDeletions(SyncPlanner::Plan &plan);
    bool holdCopy(const SyncPlanner::Plan &plan, const SyncPlanner::RemoteSnapshot &remote);
    void finishCollection();
    void finishSync();

    // --- items ---
    SyncCollectionState &collection();
    CollectionSummary &summary();
    LocalCollection &local();
    QString localUid(const QString &key) const;
    QString hrefFor(const QString &uid) const;
    void applyRemote(const QString &key, const QString &href, const Fetched &remote, bool newItem);
    void mergeItem(const QString &key, const SyncItem *known, const QString &href, const Fetched &remote);
    void saveConflict(const QString &key, const QByteArray &text);
    // Tells of the photos kept here against server copies without them (once per sync).
    void notePhotosKept();
    bool writeLocal(QString *error);
    // forget: the state forgets an item deleted here; a contact's identifier is never given again.
    void forget(const QString &key, const QString &href);

    // --- the writes to the server ---
    QByteArray uploadText(const Operation &op) override;
    bool hasPhoto(const QString &key) const override;
    void stored(const Operation &op, const QString &etag, const QByteArray &body) override;
    void removed(const Operation &op, bool deletedNow) override;
    void merge(const Operation &op, const QString &href, const Fetched &remote) override;
    void takeBack(const Operation &op, const Fetched *remote) override;
    void leftForLater(int status) override;
    // writeLocal(), or the job fails with its error; false then.
    bool writeLocal() override;
    void sendingProgress(int done, int total) override;
    void allAnswered() override;

    QString m_dataDir;
    DailyBackup *m_backup = nullptr;
    int m_range = 3;
    std::function<bool()> m_folderAlone;
    QDate m_today;
    SystemClock m_systemClock;
    const Clock *m_clock = &m_systemClock;
    int m_jobTimeout = DavClient::jobMilliseconds();
    DavClient m_client;
    DavJob m_job{m_client};
    DavDiscovery m_discovery{m_job};
    CollectionReader m_reader{m_job};
    UploadQueue m_uploads{m_job, *this};
    bool m_busy = false;
    quint64 m_jobNumber = 0; // counts the jobs begun
    bool m_discovering = false;
    SyncOutcome m_outcome;

    // One collection's pass.
    bool m_calendar = false;
    SyncState m_state;
    SyncState m_stateBefore;
    SyncItemIndex m_index;
    ContactCollection m_contacts{m_dataDir};
    AppointmentCollection m_appointments{m_dataDir};
    bool m_unchanged = false;                          // nothing to do: the state file stays as it is
    bool m_localDirty = false;                         // the state on disk may be ahead of the files
    std::optional<SyncCollectionState> m_switchedFrom; // the collection synced before another was chosen
};
