#pragma once

#include "dav/DavJob.h"

#include "core/sync/dav/CollectionReader.h"

#include <QList>
#include <QString>

// The writes of one pass to the server, a few at a time: a PUT with If-Match (or If-None-Match for
// a new item) and a DELETE with If-Match. A write the server refused because the item changed
// there (412), or because its UID is there under another name (409), fetches the server's copy
// for the sync to merge, and is sent once more; a delete refused for a change there takes the
// item back. A card the server finds too large goes once more with a smaller photo. Nothing
// refused is dropped: what is left waits for the next sync.
class UploadQueue
{
public:
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
    // What the queue needs of the sync.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual QByteArray uploadText(const Operation &op) = 0;
        // A card with a photo: sent once more with a smaller one when refused as too large.
        virtual bool hasPhoto(const QString &key) const = 0;
        // The server holds body under op's href now, with etag.
        virtual void stored(const Operation &op, const QString &etag, const QByteArray &body) = 0;
        // op's item is gone from the server (deleted by op, or before).
        virtual void removed(const Operation &op, bool deletedNow) = 0;
        // The server's copy of op's item, changed there: merged (queueing what is to be sent).
        virtual void merge(const Operation &op, const QString &href, const CollectionReader::Fetched &remote) = 0;
        // op deleted an item changed there since: the server's copy comes back here (none: gone).
        virtual void takeBack(const Operation &op, const CollectionReader::Fetched *remote) = 0;
        // Left for the next sync, with a warning.
        virtual void leftForLater(int status) = 0;
        // The files written after a merge or a take-back; false when the job failed.
        virtual bool writeLocal() = 0;
        virtual void sendingProgress(int done, int total) = 0;
        // Every write answered.
        virtual void allAnswered() = 0;
    };

    UploadQueue(DavJob &job, Host &host)
        : m_job(job)
        , m_host(host)
    {}

    void reset(bool calendar);
    void put(const QString &key, const QString &href, const QString &uid, const QString &ifMatch);
    void remove(const QString &key, const QString &href, const QString &uid, const QString &ifMatch);
    // Sends what is queued; allAnswered() when every write is answered.
    void send();
    int written() const { return m_written; }
    qsizetype queued() const { return m_operations.size(); }
    // Marks the writes queued from index on (by a merge of a write refused once) as second tries.
    void markRetries(qsizetype from);
    void clear() { m_operations.clear(); }

private:
    void onWritten(const Operation &op, const DavSession::Reply &reply);
    void reconcile(const Operation &op, const DavSession::Reply &reply);
    void fetchBack(const Operation &op);

    DavJob &m_job;
    Host &m_host;
    bool m_calendar = false;
    QList<Operation> m_operations;
    int m_running = 0;
    int m_written = 0;
};
