#pragma once

#include "DavJob.h"

#include <QList>
#include <QUrl>

#include <functional>

// Finds the user's address books and calendars from any address on the server (its root, the
// principal or a collection): the well-known address, the principal, the homes and their
// collections; a collection of each kind is made on the server when there is none. A redirect to
// another server stops the discovery and names where it led.
class DavDiscovery
{
public:
    using Finished = std::function<void(const QList<DavCollection> &found, const QString &error)>;

    explicit DavDiscovery(DavJob &job)
        : m_job(job)
    {}

    // The job is begun already; finished is called once, with the collections or an error.
    void start(const QUrl &address, Finished finished);
    // Ends the discovery with error (or with what was found, when error is empty).
    void finish(const QString &error);
    // After a discovery that stopped at a redirect to another server: where it led.
    QUrl redirectedTo() const { return m_redirectedTo; }

private:
    void step(const QUrl &url, int redirects, bool wellKnown);
    void readPrincipal(const QUrl &url);
    void listHomes(QList<QUrl> homes);
    void create();

    DavJob &m_job;
    Finished m_finished;
    QList<DavCollection> m_found;
    QUrl m_redirectedTo;
    QUrl m_home[2];
};
