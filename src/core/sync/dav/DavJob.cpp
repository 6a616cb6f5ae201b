#include "DavJob.h"

#include <QHostAddress>

using namespace Qt::StringLiterals;

void DavJob::begin(const SyncAccount &account, int jobMilliseconds, Fail fail)
{
    m_account = account;
    m_collection = QUrl();
    m_fail = std::move(fail);
    m_running = true;
    m_cancelled = false;
    m_session.setCredentials(account.user, account.password, origin());
    m_session.startJob(jobMilliseconds);
}

void DavJob::end()
{
    m_running = false;
    m_session.abortAll();
}

void DavJob::fail(const QString &error) const
{
    if (m_running && m_fail) {
        m_fail(error);
    }
}

QUrl DavJob::origin() const
{
    QUrl origin = QUrl::fromUserInput(m_account.address.trimmed());
    if (!origin.isValid() || origin.host().isEmpty()) {
        origin = QUrl(m_account.addressBookUrl);
    }
    return origin;
}

bool DavJob::checkAddress(const QUrl &url, QString *error) const
{
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"https" && url.scheme() != u"http")) {
        *error = u"Adres serwera %1 jest nieprawidłowy."_s.arg(url.toString());
        return false;
    }
    if (url.scheme() == u"http" && origin().scheme() == u"https") {
        // Never from an encrypted server to a plain one, whatever else was allowed.
        *error = u"Adres %1 nie jest szyfrowany (http), a serwer %2 łączy się przez https. Połączenie "
                 u"przerwano."_s.arg(url.toString(QUrl::RemoveUserInfo), origin().host());
        return false;
    }
    if (url.scheme() == u"http" && !m_account.allowPlainHttp) {
        const QHostAddress host(url.host());
        const bool loopback = url.host() == u"localhost" || (!host.isNull() && host.isLoopback());
        if (!loopback) {
            *error = u"Połączenie z %1 nie byłoby szyfrowane (http). Użyj adresu https:// albo potwierdź "
                     u"połączenie bez szyfrowania w oknie synchronizacji."_s.arg(url.host());
            return false;
        }
    }
    return true;
}

bool DavJob::memberHref(const QString &href, QString *path) const
{
    const QUrl url = m_collection.resolved(QUrl(href));
    if (!url.isValid() || !DavSession::sameOrigin(url, m_collection) || url.hasQuery() || url.hasFragment()) {
        return false;
    }
    const QString self = m_collection.path();
    const QString full = url.path();
    if (!full.startsWith(self) || full.size() == self.size()) {
        return false;
    }
    // A member's name: no slash (a folder or a deeper collection is no item), no dot segment.
    const QStringView name = QStringView(full).mid(self.size());
    if (name.contains(u'/') || name == u"." || name == u"..") {
        return false;
    }
    *path = full;
    return true;
}

QString DavJob::normalHref(const QString &href) const
{
    return m_collection.resolved(QUrl(href)).path();
}

QUrl DavJob::urlOf(const QString &path) const
{
    QUrl url = m_collection;
    url.setPath(path);
    return url;
}

qint64 DavJob::boundFor(const QByteArray &method, const QList<DavSession::Header> &headers) const
{
    if (method == "GET") {
        return m_itemLimit;
    }
    if (method == "REPORT") {
        return m_listingLimit;
    }
    if (method == "PROPFIND") {
        for (const auto &[name, value] : headers) {
            if (name.compare("Depth", Qt::CaseInsensitive) == 0 && value.trimmed() != "0") {
                return m_listingLimit;
            }
        }
    }
    return DavSession::maxSmallBytes;
}

void DavJob::request(const QByteArray &method,
                     const QUrl &url,
                     const QByteArray &body,
                     const QList<DavSession::Header> &headers,
                     const DavSession::Done &done,
                     bool ownFailures,
                     qint64 maxBytes)
{
    if (m_cancelled) {
        fail(u"Przerwano synchronizację."_s);
        return;
    }
    if (QString error; !checkAddress(url, &error)) {
        fail(error);
        return;
    }
    if (!DavSession::sameOrigin(url, origin())) {
        fail(u"Adres %1 leży na innym serwerze niż %2. Synchronizacja łączy się tylko z serwerem "
             u"wpisanym w ustawieniach."_s.arg(url.toString(QUrl::RemoveUserInfo),
                                               origin().toString(QUrl::RemoveUserInfo | QUrl::RemovePath)));
        return;
    }
    if (QString member; (method == "PUT" || method == "DELETE") && !memberHref(url.toString(), &member)) {
        // Only members of the collection are ever written or deleted, whatever a listing said.
        fail(u"Zapis pod adresem %1 nie został wysłany: leży poza %2."_s.arg(url.toString(QUrl::RemoveUserInfo),
                                                                             m_collection.toString()));
        return;
    }
    const auto passes = [ownFailures](DavSession::Failure failure) {
        return failure == DavSession::None
               || (ownFailures && (failure == DavSession::Unreachable || failure == DavSession::TooLarge));
    };
    m_session.send(
        method,
        url,
        body,
        headers,
        [this, done, passes](const DavSession::Reply &reply) {
            if (!m_running) {
                return; // the job ended already
            }
            if (!passes(reply.failure)) {
                fail(reply.error);
                return;
            }
            done(reply);
        },
        maxBytes < 0 ? boundFor(method, headers) : maxBytes);
}

namespace Dav {

QString statusText(int status, const QByteArray &location, const QUrl &from)
{
    if (isRedirect(status)) {
        if (location.trimmed().isEmpty()) {
            return u"Serwer kieruje pod inny adres, ale go nie podaje (HTTP %1)."_s.arg(status);
        }
        const QUrl target = from.resolved(QUrl::fromEncoded(location.trimmed()));
        return u"Serwer kieruje pod adres %1 (HTTP %2). Jeśli to nowy adres książki adresowej albo kalendarza, "
               u"połącz się ponownie w oknie synchronizacji."_s.arg(target.toString(QUrl::RemoveUserInfo))
                   .arg(status);
    }
    QString what;
    switch (status) {
    case 400:
        what = u"Serwer nie zrozumiał zapytania"_s;
        break;
    case 403:
        what = u"Serwer odmówił dostępu do tego adresu"_s;
        break;
    case 404:
        what = u"Na serwerze nie ma takiego adresu"_s;
        break;
    case 405:
    case 501:
        what = u"Serwer nie obsługuje tego działania (to nie jest serwer CardDAV/CalDAV albo adres wskazuje "
               u"co innego)"_s;
        break;
    case 409:
        what = u"Serwer odrzucił zapis z powodu konfliktu"_s;
        break;
    case 412:
        what = u"Pozycja zmieniła się na serwerze w trakcie synchronizacji"_s;
        break;
    case 413:
        what = u"Serwer nie przyjmuje tak dużych pozycji"_s;
        break;
    case 415:
        what = u"Serwer nie przyjmuje pozycji w tym formacie"_s;
        break;
    case 423:
        what = u"Pozycja jest zablokowana na serwerze"_s;
        break;
    case 429:
        what = u"Serwer prosi o wolniejsze zapytania; spróbuj później"_s;
        break;
    case 500:
        what = u"Na serwerze wystąpił wewnętrzny błąd"_s;
        break;
    case 502:
    case 503:
    case 504:
        what = u"Serwer jest chwilowo niedostępny; spróbuj później"_s;
        break;
    case 507:
        what = u"Na serwerze zabrakło miejsca"_s;
        break;
    default:
        return u"Serwer odpowiedział błędem HTTP %1."_s.arg(status);
    }
    return u"%1 (HTTP %2)."_s.arg(what).arg(status);
}

QString statusText(const DavSession::Reply &reply, const QUrl &from)
{
    return statusText(reply.status, reply.location, from);
}

QString garbled(const QUrl &url)
{
    return u"Serwer %1 dał odpowiedź, której nie można odczytać."_s.arg(url.host());
}

QString readMultiStatus(const DavSession::Reply &reply, const QUrl &url, DavXml::MultiStatus *ms, bool needResponse)
{
    if (reply.status != 207) {
        return statusText(reply, url);
    }
    if (!DavXml::parse(reply.body, ms) || (needResponse && ms->responses.isEmpty())) {
        return garbled(url);
    }
    return {};
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QUrl withSlash(QUrl url)
{
    if (!url.path().endsWith(u'/')) {
        url.setPath(url.path() + u'/');
    }
    return url;
}

QString stripEtag(const QByteArray &etag)
{
    return QString::fromUtf8(etag).trimmed();
}

} // namespace Dav
