#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
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
// basic or digest authentication answered once per request and only for the origin the user set
// (names and passwords as UTF-8), the system's certificates. Each request's whole time is bounded
// (a server that trickles its answer is cut off too), so is the job's, and so is the size of every
// answer. Failures come back as a kind and a Polish sentence.
class DavSession : public QObject
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
        Cancelled,
        TooLarge
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

    // Bounds of an answer: a listing (every member's ETag) and one item or batch of items.
    static constexpr qint64 maxListingBytes = 64LL * 1024 * 1024;
    // An answer about the collection alone (its ctag, a PROPFIND of Depth 0) or to a write.
    static constexpr qint64 maxSmallBytes = 1024 * 1024;
    // How far Qt reads an answer ahead of the session.
    static constexpr qint64 readAheadBytes = 256 * 1024;
    static qint64 maxItemBytes();
    static constexpr int defaultJobSeconds = 30 * 60;
    // The whole time of a sync: MORWINEK_SYNC_JOB_TIMEOUT seconds when set, else the default.
    static int jobMilliseconds();

    explicit DavSession(QObject *parent = nullptr);

    // Credentials go only to requests for origin (scheme, host and port); to any when it is empty.
    // No name: nothing is sent, and a server that asks for one is refused.
    void setCredentials(const QString &user, const QString &password, const QUrl &origin = {});
    // The whole time one request may take.
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }
    int timeout() const { return m_timeout; }
    // Starts the clock of a job: no request runs past milliseconds from now.
    void startJob(int milliseconds);
    void send(const QByteArray &method,
              const QUrl &url,
              const QByteArray &body,
              const QList<Header> &headers,
              const Done &done,
              qint64 maxBytes = -1);
    // Every running request ends with Cancelled.
    void abortAll();
    int running() const { return static_cast<int>(m_replies.size()); }
    int sent() const { return m_sent; }

    // Same scheme, host and port.
    static bool sameOrigin(const QUrl &a, const QUrl &b);

private:
    void onAuthentication(QNetworkReply *reply, QAuthenticator *authenticator);
    QString networkError(int error, const QString &host) const;

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    QUrl m_origin;
    int m_timeout = 30000;
    int m_jobLimit = defaultJobSeconds * 1000;
    QDeadlineTimer m_jobDeadline = QDeadlineTimer::Forever;
    int m_sent = 0;
    QSet<QNetworkReply *> m_replies;
};
