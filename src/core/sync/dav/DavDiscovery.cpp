#include "DavDiscovery.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int maxRedirects = 5;
}

void DavDiscovery::start(const QUrl &address, Finished finished)
{
    m_finished = std::move(finished);
    m_found.clear();
    m_redirectedTo = QUrl();
    m_home[0] = m_home[1] = QUrl();
    if (address.path().isEmpty() || address.path() == u"/") {
        step(address.resolved(QUrl(u"/.well-known/carddav"_s)), 0, true);
    } else {
        step(address, 0, false);
    }
}

void DavDiscovery::finish(const QString &error)
{
    if (!m_finished) {
        return;
    }
    const Finished finished = std::exchange(m_finished, nullptr);
    finished(error.isEmpty() ? m_found : QList<DavCollection>(), error);
}

void DavDiscovery::step(const QUrl &url, int redirects, bool wellKnown)
{
    const QByteArray body = DavXml::propfind({{DavXml::dav, "current-user-principal"},
                                              {DavXml::dav, "resourcetype"},
                                              {DavXml::dav, "displayname"},
                                              {DavXml::cardDav, "addressbook-home-set"},
                                              {DavXml::calDav, "calendar-home-set"}});
    m_job.request(
        "PROPFIND", url, body, {{"Depth", "0"}}, [this, url, redirects, wellKnown](const DavSession::Reply &r) {
            if (Dav::isRedirect(r.status) && !r.location.isEmpty()) {
                if (redirects >= maxRedirects) {
                    finish(u"Serwer %1 przekierowuje w kółko."_s.arg(url.host()));
                    return;
                }
                const QUrl target = url.resolved(QUrl::fromEncoded(r.location));
                if (url.scheme() == u"https" && target.scheme() != u"https") {
                    finish(u"Serwer %1 przekierowuje na adres bez szyfrowania: %2. Połączenie przerwano."_s.arg(
                        url.host(), target.toString(QUrl::RemoveUserInfo)));
                    return;
                }
                if (!DavSession::sameOrigin(target, m_job.origin())) {
                    // Another server gets neither the password nor a place in the settings unasked.
                    m_redirectedTo = target;
                    finish(u"Serwer %1 przekierowuje na inny serwer: %2. Jeśli mu ufasz, wpisz ten adres "
                           u"jako adres serwera i połącz się ponownie."_s.arg(url.host(),
                                                                              target.toString(QUrl::RemoveUserInfo)));
                    return;
                }
                step(target, redirects + 1, wellKnown);
                return;
            }
            if (r.status != 207) {
                if (wellKnown) {
                    QUrl root = url;
                    root.setPath(u"/"_s);
                    step(root, 0, false);
                    return;
                }
                finish(r.status == 404 ? u"Pod adresem %1 nie ma zasobu WebDAV."_s.arg(url.toString())
                                       : Dav::statusText(r, url));
                return;
            }
            DavXml::MultiStatus ms;
            if (!DavXml::parse(r.body, &ms) || ms.responses.isEmpty()) {
                finish(Dav::garbled(url));
                return;
            }
            const DavXml::Response &resp = ms.responses.first();
            if (const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype")) {
                const bool book = type->children.contains(QLatin1String(DavXml::cardDav) + u"|addressbook"_s);
                const bool calendar = type->children.contains(QLatin1String(DavXml::calDav) + u"|calendar"_s);
                if (book || calendar) {
                    m_found.append({book ? DavCollection::AddressBook : DavCollection::Calendar,
                                    Dav::withSlash(url.resolved(QUrl(resp.href))).toString(),
                                    resp.text(DavXml::dav, "displayname").trimmed()});
                }
            }
            QList<QUrl> homes;
            for (const char *ns : {DavXml::cardDav, DavXml::calDav}) {
                const DavXml::Property *home =
                    resp.find(ns, ns == DavXml::cardDav ? "addressbook-home-set" : "calendar-home-set");
                if (home && !home->hrefs.isEmpty()) {
                    homes.append(Dav::withSlash(url.resolved(QUrl(home->hrefs.first()))));
                }
            }
            const DavXml::Property *principal = resp.find(DavXml::dav, "current-user-principal");
            if (homes.size() == 2) {
                m_home[0] = homes[0];
                m_home[1] = homes[1];
                listHomes(homes);
            } else if (principal && !principal->hrefs.isEmpty()) {
                readPrincipal(Dav::withSlash(url.resolved(QUrl(principal->hrefs.first()))));
            } else if (!m_found.isEmpty()) {
                finish({});
            } else if (wellKnown) {
                QUrl root = url;
                root.setPath(u"/"_s);
                step(root, 0, false);
            } else {
                finish(u"Pod adresem %1 nie znaleziono książki adresowej ani kalendarza."_s.arg(url.toString()));
            }
        });
}

void DavDiscovery::readPrincipal(const QUrl &principal)
{
    const QByteArray body =
        DavXml::propfind({{DavXml::cardDav, "addressbook-home-set"}, {DavXml::calDav, "calendar-home-set"}});
    m_job.request("PROPFIND", principal, body, {{"Depth", "0"}}, [this, principal](const DavSession::Reply &r) {
        DavXml::MultiStatus ms;
        if (const QString problem = Dav::readMultiStatus(r, principal, &ms, true); !problem.isEmpty()) {
            finish(problem);
            return;
        }
        const DavXml::Response &resp = ms.responses.first();
        const DavXml::Property *book = resp.find(DavXml::cardDav, "addressbook-home-set");
        const DavXml::Property *calendar = resp.find(DavXml::calDav, "calendar-home-set");
        m_home[0] =
            book && !book->hrefs.isEmpty() ? Dav::withSlash(principal.resolved(QUrl(book->hrefs.first()))) : principal;
        m_home[1] = calendar && !calendar->hrefs.isEmpty()
                        ? Dav::withSlash(principal.resolved(QUrl(calendar->hrefs.first())))
                        : principal;
        listHomes({m_home[0], m_home[1]});
    });
}

void DavDiscovery::listHomes(QList<QUrl> homes)
{
    while (!homes.isEmpty() && homes.indexOf(homes.first(), 1) > 0) {
        homes.removeFirst();
    }
    if (homes.isEmpty()) {
        create();
        return;
    }
    const QUrl home = homes.takeFirst();
    const QByteArray body = DavXml::propfind({{DavXml::dav, "resourcetype"}, {DavXml::dav, "displayname"}});
    m_job.request("PROPFIND", home, body, {{"Depth", "1"}}, [this, home, homes](const DavSession::Reply &r) {
        DavXml::MultiStatus ms;
        if (const QString problem = Dav::readMultiStatus(r, home, &ms, false); !problem.isEmpty()) {
            finish(problem);
            return;
        }
        for (const DavXml::Response &resp : ms.responses) {
            const DavXml::Property *type = resp.find(DavXml::dav, "resourcetype");
            if (!type) {
                continue;
            }
            const QString url = Dav::withSlash(home.resolved(QUrl(resp.href))).toString();
            const bool book = type->children.contains(QLatin1String(DavXml::cardDav) + u"|addressbook"_s);
            const bool calendar = type->children.contains(QLatin1String(DavXml::calDav) + u"|calendar"_s);
            const bool known = std::any_of(m_found.cbegin(), m_found.cend(), [&url](const DavCollection &c) {
                return c.url == url;
            });
            if ((book || calendar) && !known) {
                m_found.append({book ? DavCollection::AddressBook : DavCollection::Calendar,
                                url,
                                resp.text(DavXml::dav, "displayname").trimmed()});
            }
        }
        listHomes(homes);
    });
}

void DavDiscovery::create()
{
    for (const DavCollection::Kind kind : {DavCollection::AddressBook, DavCollection::Calendar}) {
        const bool present = std::any_of(m_found.cbegin(), m_found.cend(), [kind](const DavCollection &c) {
            return c.kind == kind;
        });
        const QUrl home = m_home[kind == DavCollection::AddressBook ? 0 : 1];
        if (present || home.isEmpty() || !m_job.account().createMissing) {
            continue;
        }
        const bool book = kind == DavCollection::AddressBook;
        const QString name = book ? u"Kontakty Morwinka"_s : u"Terminy Morwinka"_s;
        const QUrl url = home.resolved(QUrl(book ? u"morwinek-kontakty/"_s : u"morwinek-terminy/"_s));
        const QByteArray method = book ? "MKCOL" : "MKCALENDAR";
        const QByteArray body = book ? DavXml::mkcolAddressBook(name) : DavXml::mkcalendar(name);
        m_job.request(method, url, body, {}, [this, url, kind, name](const DavSession::Reply &r) {
            if (r.status < 200 || r.status >= 300) {
                finish(u"Nie można założyć na serwerze %1: %2"_s.arg(
                    kind == DavCollection::AddressBook ? u"książki adresowej"_s : u"kalendarza"_s,
                    Dav::statusText(r, url)));
                return;
            }
            m_found.append({kind, url.toString(), name});
            create();
        });
        return;
    }
    finish({});
}
