#include "core/sync/dav/CollectionReader.h"

#include "core/contacts/ContactList.h"
#include "core/sync/DavXml.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
constexpr int batchSize = 100;
// The most members a collection may have: as many as the address book has identifiers.
constexpr qsizetype maxMembers = ContactList::lastIdentifier;
// Skipped hrefs named in a warning; the rest are counted.
constexpr qsizetype namedSkipped = 5;
} // namespace

void CollectionReader::start(Pass pass)
{
    m_pass = std::move(pass);
    ++m_passNumber;
    m_listing = Listing();
    m_toFetch.clear();
    m_fetchPlanned = false;
    m_pass.stage("sprawdzanie");
    quickLook(false);
}

// The ctag alone first (a server works out a sync token more slowly); the token where it has none.
void CollectionReader::quickLook(bool token)
{
    const QByteArray body = token ? DavXml::propfind({{DavXml::dav, "sync-token"}})
                                  : DavXml::propfind({{DavXml::calendarServer, "getctag"}});
    m_job.request("PROPFIND", m_job.collection(), body, {{"Depth", "0"}}, [this, token](const DavSession::Reply &r) {
        if (r.status == 404) {
            failGone();
            return;
        }
        DavXml::MultiStatus ms;
        if (const QString problem = Dav::readMultiStatus(r, m_job.collection(), &ms, true); !problem.isEmpty()) {
            m_job.fail(problem);
            return;
        }
        if (gone(ms)) {
            failGone();
            return;
        }
        m_listing.ctag = ms.responses.first()
                             .text(token ? DavXml::dav : DavXml::calendarServer, token ? "sync-token" : "getctag")
                             .trimmed();
        if (m_listing.ctag.isEmpty() && !token) {
            quickLook(true);
            return;
        }
        if (!m_listing.ctag.isEmpty() && m_listing.ctag == m_pass.state->ctag && !m_pass.localChanged()) {
            m_pass.unchanged();
            return;
        }
        listChanges();
    });
}

void CollectionReader::listChanges()
{
    m_pass.stage("lista");
    m_foreignHrefs.clear();
    m_oversized.clear();
    m_unanswered.clear();
    m_listing.refused.clear();
    m_fetchAlone.clear();
    listChangesFrom(m_pass.state->syncToken);
}

// The sync report. A server that answers 507 for the collection itself gave part of the changes
// and a token to go on from (RFC 6578); servers get that token wrong (their own latest, which
// skips what was left out, or the one asked with, which never ends), so every ETag is listed then,
// within this sync.
void CollectionReader::listChangesFrom(const QString &token)
{
    m_job.request(
        "REPORT",
        m_job.collection(),
        DavXml::syncCollection(token),
        {{"Depth", "1"}},
        [this, token](const DavSession::Reply &r) {
            if (r.status == 401) {
                m_job.fail(u"Serwer nie przyjął nazwy użytkownika lub hasła."_s);
                return;
            }
            if (r.status != 207) {
                listAll(); // an old token, or no sync reports: every ETag then
                return;
            }
            DavXml::MultiStatus ms;
            if (!DavXml::parse(r.body, &ms)) {
                m_job.fail(Dav::garbled(m_job.collection()));
                return;
            }
            m_listing.full = token.isEmpty();
            const QString self = m_job.collection().path();
            bool truncated = false;
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                if (m_job.normalHref(resp.href) == self) {
                    truncated = truncated || resp.status == 507;
                    continue;
                }
                if (!m_job.memberHref(resp.href, &href)) {
                    m_foreignHrefs.append(resp.href);
                    continue;
                }
                if (resp.status == 404) {
                    m_listing.etags.remove(href);
                    m_listing.gone.insert(href);
                } else {
                    m_listing.gone.remove(href);
                    m_listing.etags.insert(href, resp.text(DavXml::dav, "getetag").trimmed());
                }
            }
            if (listingRefused()) {
                return;
            }
            if (truncated) {
                m_listing.etags.clear();
                m_listing.gone.clear();
                m_foreignHrefs.clear();
                listAll();
                return;
            }
            m_listing.tokenSeen = ms.syncToken;
            reportSkipped();
            fetchNext();
        },
        false,
        m_listingLimit);
}

void CollectionReader::listAll()
{
    const QByteArray body =
        DavXml::propfind({{DavXml::dav, "getetag"}, {DavXml::dav, "resourcetype"}, {DavXml::dav, "sync-token"}});
    m_job.request(
        "PROPFIND",
        m_job.collection(),
        body,
        {{"Depth", "1"}},
        [this](const DavSession::Reply &r) {
            DavXml::MultiStatus ms;
            if (const QString problem = Dav::readMultiStatus(r, m_job.collection(), &ms, false); !problem.isEmpty()) {
                m_job.fail(problem);
                return;
            }
            if (gone(ms)) {
                failGone();
                return;
            }
            m_listing.full = true;
            const QString self = m_job.collection().path();
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                if (m_job.normalHref(resp.href) == self) {
                    if (resp.status == 507) {
                        m_listing.full = false;
                    }
                    m_listing.tokenSeen = resp.text(DavXml::dav, "sync-token").trimmed();
                    continue;
                }
                const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype");
                if (type && type->children.contains(u"DAV:|collection"_s)) {
                    continue;
                }
                if (!m_job.memberHref(resp.href, &href)) {
                    m_foreignHrefs.append(resp.href);
                    continue;
                }
                m_listing.etags.insert(href, resp.text(DavXml::dav, "getetag").trimmed());
            }
            if (!m_listing.full) {
                // Part of the members only: what it left out is not gone, and the next sync lists again.
                m_listing.tokenSeen.clear();
                m_listing.ctag.clear();
                m_pass.warnings->append(u"Serwer %1 podał niepełną listę %2; reszta przy następnej "
                                        u"synchronizacji."_s.arg(m_job.collection().host(), m_job.collection().path()));
            }
            if (listingRefused()) {
                return;
            }
            reportSkipped();
            fetchNext();
        },
        false,
        m_listingLimit);
}

bool CollectionReader::gone(const DavXml::MultiStatus &ms) const
{
    // Some servers answer a PROPFIND on a missing collection with a multistatus of one 404 entry,
    // its href the whole address percent-encoded ("http%3A//host/..."), instead of a plain 404.
    const QString self = m_job.collection().path();
    for (const DavXml::Response &resp : ms.responses) {
        if (resp.status == 404
            && (m_job.normalHref(resp.href) == self
                || m_job.normalHref(QUrl::fromPercentEncoding(resp.href.toUtf8())) == self)) {
            return true;
        }
    }
    QString member;
    return ms.responses.size() == 1 && ms.responses.first().status == 404
           && !m_job.memberHref(ms.responses.first().href, &member);
}

void CollectionReader::failGone()
{
    m_job.fail(u"Na serwerze nie ma już %1 %2. Połącz się ponownie, aby wybrać inny."_s.arg(
        m_pass.calendar ? u"kalendarza"_s : u"książki adresowej"_s, m_job.collection().toString()));
}

bool CollectionReader::listingRefused()
{
    if (m_listing.etags.size() <= maxMembers) {
        return false;
    }
    m_job.fail(u"Na serwerze w %1 jest ponad %2 pozycji, więcej niż zmieści %3. Nic nie zostało pobrane."_s.arg(
        m_job.collection().path(),
        QString::number(maxMembers),
        m_pass.calendar ? u"kalendarz"_s : u"książka adresowa"_s));
    return true;
}

void CollectionReader::reportSkipped()
{
    const auto report = [this](QStringList &hrefs, const QString &what) {
        // what: the sentence's start, then the count and the names.
        if (hrefs.isEmpty()) {
            return;
        }
        hrefs.removeDuplicates();
        m_pass.summary->skipped += static_cast<int>(hrefs.size());
        QStringList named = hrefs.mid(0, namedSkipped);
        if (hrefs.size() > namedSkipped) {
            named.append(u"i %1 innych"_s.arg(hrefs.size() - namedSkipped));
        }
        m_pass.warnings->append(what + u" (%1): %2."_s.arg(hrefs.size()).arg(named.join(u", "_s)));
        hrefs.clear();
    };
    report(m_foreignHrefs, u"Pominięto pozycje spoza %1"_s.arg(m_job.collection().path()));
    report(m_oversized, u"Pominięto zbyt duże pozycje"_s);
    report(m_unanswered, u"Serwer nie podał treści pozycji"_s);
}

void CollectionReader::fetchNext()
{
    if (!m_fetchPlanned) {
        m_fetchPlanned = true;
        QHash<QString, qsizetype> byHref;
        const QList<SyncItem> &items = m_pass.state->items;
        for (qsizetype i = 0; i < items.size(); ++i) {
            byHref.insert(items[i].href, i);
        }
        for (auto it = m_listing.etags.cbegin(); it != m_listing.etags.cend(); ++it) {
            const auto known = byHref.constFind(it.key());
            // A text the state kept shortened is fetched again when it is to be patched.
            if (known == byHref.cend() || items[*known].etag != it.value() || it.value().isEmpty()
                || (items[*known].shortened && m_pass.changedHere(items[*known].key, items[*known].hash))) {
                m_toFetch.append(it.key());
            }
        }
        m_toFetch.sort();
        m_pass.stage("pobieranie");
    }
    if (m_toFetch.isEmpty()) {
        if (!m_unanswered.isEmpty()) {
            // Their changes are still to come: the next sync lists everything again.
            m_listing.tokenSeen.clear();
            m_listing.ctag.clear();
        }
        reportSkipped();
        m_pass.read();
        return;
    }
    // A batch too large as a whole comes again one member at a time, each within an item's bound.
    // Those are at the front of the list.
    const bool alone = m_fetchAlone.contains(m_toFetch.first());
    const QStringList batch = m_toFetch.mid(0, alone ? 1 : batchSize);
    m_toFetch.remove(0, batch.size());
    QStringList encoded;
    for (const QString &href : batch) {
        encoded.append(QString::fromLatin1(m_job.urlOf(href).path(QUrl::FullyEncoded).toLatin1()));
    }
    m_job.request(
        "REPORT",
        m_job.collection(),
        DavXml::multiget(m_pass.calendar, encoded),
        {{"Depth", "1"}},
        [this, batch, alone](const DavSession::Reply &r) {
            if (r.failure != DavSession::None && r.failure != DavSession::TooLarge) {
                m_job.fail(r.error);
                return;
            }
            if (r.failure == DavSession::TooLarge) {
                if (alone) {
                    // Left on the server as it is: neither taken nor deleted here.
                    m_oversized.append(batch.first());
                    m_listing.refused.insert(batch.first());
                } else {
                    for (const QString &href : batch) {
                        m_fetchAlone.insert(href);
                    }
                    m_toFetch = batch + m_toFetch;
                }
                fetchNext();
                return;
            }
            DavXml::MultiStatus ms;
            if (const QString problem = Dav::readMultiStatus(r, m_job.collection(), &ms, false); !problem.isEmpty()) {
                m_job.fail(problem);
                return;
            }
            const char *ns = m_pass.calendar ? DavXml::calDav : DavXml::cardDav;
            const char *data = m_pass.calendar ? "calendar-data" : "address-data";
            const QSet<QString> asked(batch.cbegin(), batch.cend());
            QSet<QString> answered;
            for (const DavXml::Response &resp : ms.responses) {
                QString href;
                const DavXml::Property *text = resp.find(ns, data);
                if (!m_job.memberHref(resp.href, &href) || !asked.contains(href)) {
                    continue; // only what was asked for is taken
                }
                if (resp.status == 404) {
                    answered.insert(href);
                    m_listing.etags.remove(href); // gone between the listing and now
                    m_listing.gone.insert(href);
                } else if (text && text->data.size() > m_itemLimit) {
                    answered.insert(href); // left on the server as it is: neither taken nor deleted here
                    m_oversized.append(href);
                    m_listing.refused.insert(href);
                } else if (text) {
                    answered.insert(href);
                    m_listing.fetched.insert(href, {resp.text(DavXml::dav, "getetag").trimmed(), text->data});
                }
            }
            for (const QString &href : batch) {
                if (!answered.contains(href)) {
                    // Left out of the answer is not gone: neither taken nor deleted here this time.
                    m_unanswered.append(href);
                    m_listing.refused.insert(href);
                }
            }
            // Once this answer and what was read from it are gone: a batch may be large.
            QTimer::singleShot(0, &m_job.session(), [this, pass = m_passNumber] {
                // A job that ended meanwhile (cancelled), or a pass begun since, takes nothing.
                if (m_job.running() && pass == m_passNumber) {
                    fetchNext();
                }
            });
        },
        true,
        // One member: an item's bound; a batch: as much as its members may be, within a listing's.
        alone ? m_itemLimit : std::min(m_listingLimit, m_itemLimit * static_cast<qint64>(batch.size())));
}

// Every change since the token seen must be one of this sync's own writes; else the old token
// stays and the next sync lists them again.
void CollectionReader::confirm(SyncCollectionState *state, int written, std::function<void()> done)
{
    SyncCollectionState &c = *state;
    if (written == 0) {
        c.syncToken = m_listing.tokenSeen;
        c.ctag = m_listing.ctag;
        done();
        return;
    }
    if (m_listing.tokenSeen.isEmpty()) {
        c.syncToken.clear();
        c.ctag.clear();
        done();
        return;
    }
    m_job.request("REPORT",
                  m_job.collection(),
                  DavXml::syncCollection(m_listing.tokenSeen),
                  {{"Depth", "1"}},
                  [this, state, done](const DavSession::Reply &r) {
                      SyncCollectionState &c = *state;
                      DavXml::MultiStatus ms;
                      if (r.status != 207 || !DavXml::parse(r.body, &ms)) {
                          c.syncToken = m_listing.tokenSeen;
                          c.ctag.clear();
                          done();
                          return;
                      }
                      QHash<QString, QString> etags;
                      for (const SyncItem &item : std::as_const(c.items)) {
                          etags.insert(item.href, item.etag);
                      }
                      bool foreign = false;
                      const QString self = m_job.collection().path();
                      for (const DavXml::Response &resp : ms.responses) {
                          const QString href = m_job.normalHref(resp.href);
                          if (href == self) {
                              continue;
                          }
                          if (resp.status == 404) {
                              foreign = foreign || etags.contains(href);
                          } else {
                              const auto it = etags.constFind(href);
                              foreign =
                                  foreign || it == etags.cend() || *it != resp.text(DavXml::dav, "getetag").trimmed();
                          }
                      }
                      c.syncToken = foreign ? m_listing.tokenSeen : ms.syncToken;
                      c.ctag.clear();
                      if (foreign) {
                          done();
                          return;
                      }
                      const QString token = ms.syncToken;
                      const QByteArray body =
                          DavXml::propfind({{DavXml::calendarServer, "getctag"}, {DavXml::dav, "sync-token"}});
                      m_job.request("PROPFIND",
                                    m_job.collection(),
                                    body,
                                    {{"Depth", "0"}},
                                    [state, done, token](const DavSession::Reply &r) {
                                        DavXml::MultiStatus ms;
                                        if (r.status == 207 && DavXml::parse(r.body, &ms) && !ms.responses.isEmpty()) {
                                            const DavXml::Response &resp = ms.responses.first();
                                            const QString ctag = resp.text(DavXml::calendarServer, "getctag").trimmed();
                                            if (resp.text(DavXml::dav, "sync-token").trimmed() == token) {
                                                state->ctag = ctag.isEmpty() ? token : ctag;
                                            }
                                        }
                                        done();
                                    });
                  });
}
