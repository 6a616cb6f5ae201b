#include "DavSession.h"

#include "core/contacts/PhotoStore.h"

#include <QAuthenticator>
#include <QHostAddress>
#include <QNetworkReply>
#include <QSslError>
#include <QTimer>

#include <memory>
#include <mutex>

namespace {

using namespace Qt::StringLiterals;

QString certificateProblem(const QSslError &e)
{
    switch (e.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return u"certyfikat jest podpisany sam przez siebie (self-signed) i nikt go nie poświadcza"_s;
    case QSslError::CertificateExpired:
        return u"certyfikat wygasł"_s;
    case QSslError::CertificateNotYetValid:
        return u"certyfikat nie jest jeszcze ważny"_s;
    case QSslError::HostNameMismatch:
        return u"certyfikat wystawiono dla innego serwera"_s;
    case QSslError::CertificateRevoked:
        return u"certyfikat został unieważniony"_s;
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::InvalidCaCertificate:
        return u"certyfikat wystawił nieznany urząd certyfikacji"_s;
    default:
        return u"certyfikat nie został przyjęty (błąd %1)"_s.arg(static_cast<int>(e.error()));
    }
}

// A host of this computer or of the local network, where servers often run without encryption.
bool isLocalHost(const QString &host)
{
    const QString h = host.toLower();
    if (h == u"localhost" || h.endsWith(u".localhost") || h.endsWith(u".local") || h.endsWith(u".lan")
        || h.endsWith(u".home.arpa") || (!h.contains(u'.') && !h.contains(u':'))) {
        return true;
    }
    const QHostAddress address(h);
    if (address.isNull()) {
        return false;
    }
    if (address.isLoopback() || address.isLinkLocal() || address.isUniqueLocalUnicast()) {
        return true;
    }
    for (const auto &[network, bits] : {std::pair{"10.0.0.0", 8}, {"172.16.0.0", 12}, {"192.168.0.0", 16}}) {
        if (address.isInSubnet(QHostAddress(QLatin1String(network)), bits)) {
            return true;
        }
    }
    return false;
}

// The name and password as the server reads them: UTF-8 (RFC 7617), which Qt's authenticator would
// send as Latin-1, every other letter a question mark.
QString asUtf8Octets(const QString &text)
{
    return QString::fromLatin1(text.toUtf8());
}

// Ends a request. One that failed already finishes by itself: aborting it as well would make Qt
// set a second error (and warn on the terminal).
void stop(QNetworkReply *reply)
{
    if (!reply->isFinished() && reply->error() == QNetworkReply::NoError) {
        reply->abort();
    }
}

QtMessageHandler previousHandler = nullptr;

// Qt's network layer says this on the terminal when a server vanishes with requests under way (the
// connection reports its end twice); the request fails as it should and the user reads why in
// Polish, so the line is dropped. Every other message goes on as before.
void quietNetworkNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(u"QNetworkReplyImplPrivate::error: Internal problem")) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

qint64 DavSession::maxItemBytes()
{
    // A card carries its photo in base64: the largest photo the address book takes, and its text.
    return PhotoStore::maxFileBytes / 3 * 4 + 4 * 1024 * 1024;
}

int DavSession::jobMilliseconds()
{
    const int seconds = qEnvironmentVariableIntValue("MORWINEK_SYNC_JOB_TIMEOUT");
    return (seconds > 0 ? std::min(seconds, 24 * 60 * 60) : defaultJobSeconds) * 1000;
}

DavSession::DavSession(QObject *parent)
    : QObject(parent)
{
    connect(&m_network, &QNetworkAccessManager::authenticationRequired, this, &DavSession::onAuthentication);
    static std::once_flag installed;
    std::call_once(installed, [] {
        previousHandler = qInstallMessageHandler(quietNetworkNoise);
    });
}

void DavSession::setCredentials(const QString &user, const QString &password, const QUrl &origin)
{
    m_user = user;
    m_password = password;
    m_origin = origin;
    m_network.clearAccessCache();
}

void DavSession::startJob(int milliseconds)
{
    m_jobLimit = milliseconds;
    m_jobDeadline = QDeadlineTimer(milliseconds);
}

bool DavSession::sameOrigin(const QUrl &a, const QUrl &b)
{
    const auto port = [](const QUrl &url) {
        return url.port(url.scheme() == u"https" ? 443 : 80);
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0
           && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b);
}

void DavSession::onAuthentication(QNetworkReply *reply, QAuthenticator *authenticator)
{
    if (!m_origin.isEmpty() && !sameOrigin(reply->url(), m_origin)) {
        reply->setProperty("morwinekForeign", true); // the password is for the server the user set
        return;
    }
    if (m_user.isEmpty()) {
        reply->setProperty("morwinekNoUser", true);
        return;
    }
    // Asked a second time for the same request: the server refused the password.
    if (reply->property("morwinekAsked").toBool()) {
        reply->setProperty("morwinekRefused", true);
        return;
    }
    reply->setProperty("morwinekAsked", true);
    authenticator->setUser(asUtf8Octets(m_user));
    authenticator->setPassword(asUtf8Octets(m_password));
}

QString DavSession::networkError(int error, const QString &host) const
{
    QString reason;
    switch (static_cast<QNetworkReply::NetworkError>(error)) {
    case QNetworkReply::ConnectionRefusedError:
        reason = u"serwer odmówił połączenia (sprawdź adres i port albo czy serwer działa)"_s;
        break;
    case QNetworkReply::RemoteHostClosedError:
        reason = u"serwer zamknął połączenie przed końcem odpowiedzi"_s;
        break;
    case QNetworkReply::HostNotFoundError:
        reason = u"nie znaleziono takiego serwera (sprawdź adres)"_s;
        break;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
        reason = u"brak połączenia z siecią"_s;
        break;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        reason = u"serwer kieruje pod inny adres, którego synchronizacja nie odwiedza"_s;
        break;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        reason = u"serwer pośredniczący (proxy) nie przekazał połączenia"_s;
        break;
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        reason = u"odpowiedź niezgodna z protokołem HTTP"_s;
        break;
    case QNetworkReply::UnknownNetworkError:
        // The system's socket errors Qt has no name for: no route, a connection reset, no resources.
        reason = u"połączenie zostało zerwane albo sieć nie prowadzi do serwera (sprawdź połączenie z siecią, "
                 u"adres i port)"_s;
        break;
    default:
        reason = u"połączenie nie powiodło się (kod błędu Qt %1)"_s.arg(error);
        break;
    }
    return u"Nie można połączyć się z serwerem %1: %2."_s.arg(host, reason);
}

void DavSession::send(const QByteArray &method,
                      const QUrl &url,
                      const QByteArray &body,
                      const QList<Header> &headers,
                      const Done &done,
                      qint64 maxBytes)
{
    if (maxBytes < 0) {
        maxBytes = maxItemBytes();
    }
    const QString host = url.host();
    const qint64 left = m_jobDeadline.remainingTime();
    const QString jobText =
        m_jobLimit >= 120000 ? u"Synchronizacja trwała dłużej niż %1 min i została przerwana."_s.arg(m_jobLimit / 60000)
                             : u"Synchronizacja trwała dłużej niż %1 s i została przerwana."_s.arg(m_jobLimit / 1000);
    if (left == 0) {
        // Never within the call: the caller's state is as it expects after send().
        QTimer::singleShot(0, this, [done, jobText] {
            Reply r;
            r.failure = TimedOut;
            r.error = jobText;
            done(r);
        });
        return;
    }
    const bool jobBound = left >= 0 && left < m_timeout;
    const int limit = jobBound ? static_cast<int>(left) : m_timeout;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(limit);
    request.setHeader(QNetworkRequest::UserAgentHeader, "Morwinek"_ba);
    if (!body.isEmpty() && method != "PUT") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/xml; charset=utf-8"_ba);
    }
    for (const auto &[name, value] : headers) {
        request.setRawHeader(name, value);
    }
    ++m_sent;
    QNetworkReply *reply = m_network.sendCustomRequest(request, method, body);
    m_replies.insert(reply);
    // The whole request, not only its silences: a server that sends a byte now and then is cut off.
    auto *clock = new QTimer(reply);
    clock->setSingleShot(true);
    connect(clock, &QTimer::timeout, reply, [reply] {
        reply->setProperty("morwinekTimedOut", true);
        stop(reply);
    });
    clock->start(limit);
    // The answer is taken as it comes, into one buffer, and Qt reads no further ahead than a small
    // buffer of its own: an answer over its bound ends at the bound, not after what the server sent
    // meanwhile, and a large one is held once.
    auto answer = std::make_shared<QByteArray>();
    reply->setReadBufferSize(readAheadBytes);
    const auto tooLarge = [reply, answer] {
        if (!reply->property("morwinekTooLarge").toBool()) {
            reply->setProperty("morwinekTooLarge", true);
            *answer = QByteArray();
            stop(reply);
        }
    };
    connect(reply, &QNetworkReply::readyRead, reply, [reply, answer, maxBytes, tooLarge] {
        if (reply->property("morwinekTooLarge").toBool()) {
            return;
        }
        const qint64 available = reply->bytesAvailable();
        if (answer->size() + available > maxBytes) {
            tooLarge();
            return;
        }
        if (answer->isEmpty()) {
            const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
            if (announced > 0 && announced <= maxBytes) {
                answer->reserve(announced);
            }
        }
        const qsizetype at = answer->size();
        answer->resize(at + available);
        const qint64 got = reply->read(answer->data() + at, available);
        answer->resize(at + std::max<qint64>(0, got));
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [maxBytes, tooLarge](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            tooLarge();
        }
    });
    auto *sslText = new QString;
    connect(reply, &QNetworkReply::sslErrors, reply, [sslText](const QList<QSslError> &errors) {
        QStringList texts;
        for (const QSslError &e : errors) {
            texts.append(certificateProblem(e));
        }
        texts.removeDuplicates();
        *sslText = texts.join(u"; "_s); // never ignored: the handshake fails
    });
    connect(
        reply,
        &QNetworkReply::finished,
        this,
        [this, reply, done, sslText, host, limit, maxBytes, jobBound, jobText, answer] {
            m_replies.remove(reply);
            reply->deleteLater();
            Reply r;
            r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            r.body = std::move(*answer);
            if (reply->isOpen() && reply->bytesAvailable() > 0) {
                r.body += reply->readAll();
            }
            r.etag = reply->rawHeader("ETag");
            r.location = reply->rawHeader("Location");
            auto error = reply->error();
            // A body shorter than announced: the connection closed before the end (Qt may not say so).
            const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
            if (error == QNetworkReply::NoError && announced.isValid() && !reply->hasRawHeader("Content-Encoding")
                && r.body.size() < announced.toLongLong()) {
                error = QNetworkReply::RemoteHostClosedError;
            }
            if (reply->property("morwinekCancelled").toBool()) {
                r.failure = Cancelled;
                r.error = u"Przerwano synchronizację."_s;
            } else if (reply->property("morwinekTooLarge").toBool()) {
                r.failure = TooLarge;
                r.body.clear();
                r.error = u"Odpowiedź serwera %1 jest większa niż %2 MB i nie została przyjęta."_s.arg(host).arg(
                    std::max<qint64>(1, maxBytes / (1024 * 1024)));
            } else if (reply->property("morwinekTimedOut").toBool()) {
                r.failure = TimedOut;
                r.error = jobBound
                              ? jobText
                              : u"Serwer %1 nie odpowiedział w ciągu %2 s."_s.arg(host).arg(std::max(1, limit / 1000));
            } else if (!sslText->isEmpty() || error == QNetworkReply::SslHandshakeFailedError) {
                r.failure = Certificate;
                r.error = u"Nie można bezpiecznie połączyć się z serwerem %1: %2"_s.arg(
                    host, sslText->isEmpty() ? u"nie udało się uzgodnić szyfrowania"_s : *sslText);
                if (sslText->isEmpty() && isLocalHost(host)) {
                    // A server at home or on this computer that speaks plain http to an https request.
                    QUrl plain = reply->url().adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery);
                    plain.setScheme(u"http"_s);
                    r.error +=
                        u". Ten serwer jest na tym komputerze albo w sieci lokalnej i może działać bez szyfrowania: "
                        u"spróbuj adresu zaczynającego się od http://, na przykład %1/"_s.arg(plain.toString());
                }
            } else if (reply->property("morwinekForeign").toBool()) {
                r.failure = WrongPassword;
                r.error = u"Serwer %1 prosi o hasło, ale hasło jest wysyłane tylko do serwera %2."_s.arg(
                    reply->url().toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery),
                    m_origin.toString(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery));
            } else if (reply->property("morwinekNoUser").toBool()) {
                r.failure = WrongPassword;
                r.error = u"Serwer %1 wymaga nazwy użytkownika i hasła."_s.arg(host);
            } else if (reply->property("morwinekRefused").toBool() || r.status == 401
                       || error == QNetworkReply::AuthenticationRequiredError) {
                r.failure = WrongPassword;
                r.error = u"Serwer %1 nie przyjął nazwy użytkownika lub hasła."_s.arg(host);
            } else if (r.status == 0 || (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
                       || (error >= QNetworkReply::ProtocolUnknownError
                           && error < QNetworkReply::InternalServerError)) {
                // No answer, or one cut off.
                r.body.clear();
                if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
                    r.failure = TimedOut;
                    r.error =
                        jobBound
                            ? jobText
                            : u"Serwer %1 nie odpowiedział w ciągu %2 s."_s.arg(host).arg(std::max(1, limit / 1000));
                } else {
                    r.failure = Unreachable;
                    r.error = networkError(error, host);
                }
            }
            delete sslText;
            done(r);
        });
}

void DavSession::abortAll()
{
    const QSet<QNetworkReply *> replies = m_replies;
    for (QNetworkReply *reply : replies) {
        reply->setProperty("morwinekCancelled", true);
        stop(reply);
    }
}
