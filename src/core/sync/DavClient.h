#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>

class QAuthenticator;
class QNetworkReply;

// HTTP for WebDAV: any method, no automatic redirects (Qt's would turn a PROPFIND into a GET),
// basic or digest authentication answered once per request, the system's certificates, a time-out
// for every request. Failures come back as a kind and a Polish sentence.
class DavClient : public QObject
{
    Q_OBJECT
public:
    enum Failure
    {
        None,
        Unreachable,
        TimedOut,
        WrongPassword,
        Certificate,
        Cancelled
    };
    struct Reply
    {
        int status = 0;
        QByteArray body;
        QByteArray etag;
        QByteArray location;
        Failure failure = None;
        QString error; // Polish, when failure != None
    };
    using Header = std::pair<QByteArray, QByteArray>;
    using Done = std::function<void(const Reply &)>;

    explicit DavClient(QObject *parent = nullptr);

    void setCredentials(const QString &user, const QString &password);
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }
    void send(const QByteArray &method,
              const QUrl &url,
              const QByteArray &body,
              const QList<Header> &headers,
              const Done &done);
    // Every running request ends with Cancelled.
    void abortAll();
    int running() const { return static_cast<int>(m_replies.size()); }
    int sent() const { return m_sent; }

private:
    void onAuthentication(QNetworkReply *reply, QAuthenticator *authenticator);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    int m_timeout = 30000;
    int m_sent = 0;
    QSet<QNetworkReply *> m_replies;
};
