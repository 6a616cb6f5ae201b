#include "DavClient.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QNetworkReply>
#include <QSslError>

namespace {

using namespace Qt::StringLiterals;

} // namespace

DavClient::DavClient(QObject *parent)
    : QObject(parent)
{
    connect(&m_network, &QNetworkAccessManager::authenticationRequired, this, &DavClient::onAuthentication);
}

void DavClient::setCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
    m_network.clearAccessCache();
}

void DavClient::onAuthentication(QNetworkReply *reply, QAuthenticator *authenticator)
{
    // Asked a second time for the same request: the server refused the password.
    if (reply->property("morwinekAsked").toBool()) {
        reply->setProperty("morwinekRefused", true);
        return;
    }
    reply->setProperty("morwinekAsked", true);
    authenticator->setUser(m_user);
    authenticator->setPassword(m_password);
}

void DavClient::send(
    const QByteArray &method, const QUrl &url, const QByteArray &body, const QList<Header> &headers, const Done &done)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(m_timeout);
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
    auto *sslText = new QString;
    connect(reply, &QNetworkReply::sslErrors, reply, [sslText](const QList<QSslError> &errors) {
        QStringList texts;
        for (const QSslError &e : errors) {
            texts.append(e.errorString());
        }
        *sslText = texts.join(u"; "_s); // never ignored: the handshake fails
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, done, sslText, url] {
        m_replies.remove(reply);
        reply->deleteLater();
        Reply r;
        r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.body = reply->readAll();
        r.etag = reply->rawHeader("ETag");
        r.location = reply->rawHeader("Location");
        const auto error = reply->error();
        const QString host = url.host();
        if (reply->property("morwinekCancelled").toBool()) {
            r.failure = Cancelled;
            r.error = u"Przerwano synchronizację."_s;
        } else if (!sslText->isEmpty() || error == QNetworkReply::SslHandshakeFailedError) {
            r.failure = Certificate;
            r.error = u"Nie można bezpiecznie połączyć się z serwerem %1: %2"_s.arg(
                host, sslText->isEmpty() ? reply->errorString() : *sslText);
        } else if (reply->property("morwinekRefused").toBool() || r.status == 401
                   || error == QNetworkReply::AuthenticationRequiredError) {
            r.failure = WrongPassword;
            r.error = u"Serwer %1 nie przyjął nazwy użytkownika lub hasła."_s.arg(host);
        } else if (r.status == 0) {
            if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
                r.failure = TimedOut;
                r.error = u"Serwer %1 nie odpowiedział w ciągu %2 s."_s.arg(host).arg(m_timeout / 1000);
            } else {
                r.failure = Unreachable;
                r.error = u"Nie można połączyć się z serwerem %1: %2"_s.arg(host, reply->errorString());
            }
        }
        delete sslText;
        done(r);
    });
}

void DavClient::abortAll()
{
    const QSet<QNetworkReply *> replies = m_replies;
    for (QNetworkReply *reply : replies) {
        reply->setProperty("morwinekCancelled", true);
        reply->abort();
    }
}
