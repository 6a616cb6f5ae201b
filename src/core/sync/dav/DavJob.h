#pragma once

#include "DavSession.h"

#include "core/sync/DavXml.h"
#include "core/sync/SyncEngine.h"

#include <QObject>
#include <QUrl>

#include <functional>

// The requests of one sync or discovery: each goes only to the server the user set, over https
// unless plain http was allowed (or the host is this computer); a write or a delete only to a
// member directly inside the collection being synced. A request that cannot be sent, or whose
// answer failed, ends the job through the failure handler; the answer of a job that ended is
// dropped.
class DavJob
{
public:
    using Fail = std::function<void(const QString &error)>;

    explicit DavJob(DavSession &session)
        : m_session(session)
    {}

    // A new job for account: credentials for its origin only, the job's clock started.
    void begin(const SyncAccount &account, int jobMilliseconds, Fail fail);
    // Ends the job: later answers are dropped, running requests aborted.
    void end();
    bool running() const { return m_running; }
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    void fail(const QString &error) const;

    const SyncAccount &account() const { return m_account; }
    // The origin the user set: credentials and requests go there only.
    QUrl origin() const;
    bool checkAddress(const QUrl &url, QString *error) const;

    // The collection of the pass: writes go only to its members.
    void setCollection(const QUrl &url) { m_collection = url; }
    const QUrl &collection() const { return m_collection; }
    // The path of href when it names a member directly inside the collection, on its server.
    bool memberHref(const QString &href, QString *path) const;
    QString normalHref(const QString &href) const;
    QUrl urlOf(const QString &path) const;

    void setItemLimit(qint64 bytes) { m_itemLimit = bytes; }
    qint64 itemLimit() const { return m_itemLimit; }
    void setListingLimit(qint64 bytes) { m_listingLimit = bytes; }
    // What an answer to the request may need: a PROPFIND of Depth 0 and the answers to writes are
    // small, a GET is one item, a REPORT or a deeper PROPFIND a listing.
    qint64 boundFor(const QByteArray &method, const QList<DavSession::Header> &headers) const;

    // ownFailures: an unreachable server or an answer over maxBytes (default: boundFor) comes to
    // done instead of ending the job.
    void request(const QByteArray &method,
                 const QUrl &url,
                 const QByteArray &body,
                 const QList<DavSession::Header> &headers,
                 const DavSession::Done &done,
                 bool ownFailures = false,
                 qint64 maxBytes = -1);

    DavSession &session() { return m_session; }

private:
    DavSession &m_session;
    SyncAccount m_account;
    QUrl m_collection;
    qint64 m_itemLimit = DavSession::maxItemBytes();
    qint64 m_listingLimit = DavSession::maxListingBytes;
    Fail m_fail;
    bool m_running = false;
    bool m_cancelled = false;
};

// The texts and small rules every part of a job shares.
namespace Dav {
// What the server answered, in Polish; a redirect names where it points (location, resolved
// against the address asked, from).
QString statusText(int status, const QByteArray &location = {}, const QUrl &from = {});
QString statusText(const DavSession::Reply &reply, const QUrl &from);
QString garbled(const QUrl &url);
// The multistatus of an answer from url, or why there is none (empty when there is): another
// status, or a body that cannot be read (or, where one is needed, holds no response).
QString readMultiStatus(const DavSession::Reply &reply, const QUrl &url, DavXml::MultiStatus *ms, bool needResponse);
bool isRedirect(int status);
QUrl withSlash(QUrl url);
QString stripEtag(const QByteArray &etag);
} // namespace Dav
