// Sync against servers that are broken or hostile in ways a real server cannot be made to be: a
// small HTTP server of the test's own on 127.0.0.1 that serves an address book at /k/ and an empty
// calendar at /t/, and misbehaves as each case asks.
#include "core/contacts/ContactFile.h"
#include "core/sync/DavSyncEngine.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Request
{
    QByteArray method;
    QByteArray path;
    QByteArray body;
    QByteArray authorization;
};

struct Answer
{
    Answer(int s = 207, QByteArray b = {}, QList<std::pair<QByteArray, QByteArray>> h = {})
        : status(s)
        , body(std::move(b))
        , headers(std::move(h))
    {}
    int status;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    int byteEveryMs = 0; // sent a byte at a time
    int delayMs = 0;
    bool cut = false; // the connection closed halfway through the answer
};

class HostileServer
{
public:
    std::function<Answer(const Request &)> handler;
    QList<Request> requests;

    // With tls, https with that certificate.
    explicit HostileServer(const QSslConfiguration *tls = nullptr)
    {
        if (tls) {
            auto *secure = new QSslServer;
            secure->setSslConfiguration(*tls);
            m_server.reset(secure);
            m_scheme = u"https"_s;
        } else {
            m_server.reset(new QTcpServer);
        }
        const auto accept = [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                auto *buffer = new QByteArray;
                QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    serve(socket, buffer);
                });
            }
        };
        QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), accept);
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, m_server.get(), accept);
        (void)m_server->listen(QHostAddress::LocalHost, 0);
    }
    QString url() const { return u"%1://127.0.0.1:%2"_s.arg(m_scheme).arg(m_server->serverPort()); }

private:
    void serve(QTcpSocket *socket, QByteArray *buffer)
    {
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if (end < 0) {
            return;
        }
        const QList<QByteArray> lines = buffer->left(end).split('\n');
        Request r;
        const QList<QByteArray> first = lines.first().trimmed().split(' ');
        r.method = first.value(0);
        r.path = first.value(1);
        qsizetype length = 0;
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            if (name == "content-length") {
                length = line.mid(colon + 1).trimmed().toLongLong();
            } else if (name == "authorization") {
                r.authorization = line.mid(colon + 1).trimmed();
            }
        }
        if (buffer->size() < end + 4 + length) {
            return;
        }
        r.body = buffer->mid(end + 4, length);
        buffer->remove(0, end + 4 + length);
        requests.append(r);
        const Answer a = handler(r);
        QByteArray bytes = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nContent-Length: "
                           + QByteArray::number(a.body.size()) + "\r\n";
        for (const auto &[name, value] : a.headers) {
            bytes += name + ": " + value + "\r\n";
        }
        bytes += "\r\n" + a.body;
        if (a.cut) {
            socket->write(bytes.left(bytes.size() / 2));
            socket->disconnectFromHost();
            return;
        }
        if (a.byteEveryMs > 0) {
            auto *timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, bytes, sent = qsizetype(0)]() mutable {
                if (sent < bytes.size()) {
                    socket->write(bytes.mid(sent++, 1));
                } else {
                    timer->stop();
                }
            });
            timer->start(a.byteEveryMs);
        } else {
            QTimer::singleShot(a.delayMs, socket, [socket, bytes] { socket->write(bytes); });
        }
        serve(socket, buffer);
    }

    std::unique_ptr<QTcpServer> m_server;
    QString m_scheme = u"http"_s;
};

// A certificate for 127.0.0.1 made by openssl in folder, with its key.
bool makeCertificate(const QString &folder, QSslConfiguration *tls)
{
    const QString cert = folder + u"/cert.pem"_s;
    const QString key = folder + u"/key.pem"_s;
    QProcess openssl;
    openssl.start(u"openssl"_s,
                  {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:prime256v1"_s,
                   u"-nodes"_s, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-addext"_s,
                   u"subjectAltName=IP:127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
    if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
        return false;
    }
    QFile certFile(cert);
    QFile keyFile(key);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        return false;
    }
    *tls = QSslConfiguration::defaultConfiguration();
    tls->setLocalCertificate(QSslCertificate(certFile.readAll()));
    tls->setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec));
    return !tls->localCertificate().isNull() && !tls->privateKey().isNull();
}

QByteArray multistatus(const QByteArray &inner, const QByteArray &token = {})
{
    return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" xmlns:a=\"urn:ietf:params:xml:ns:carddav\" "
           "xmlns:cs=\"http://calendarserver.org/ns/\">"
           + inner + (token.isEmpty() ? QByteArray() : "<d:sync-token>" + token + "</d:sync-token>")
           + "</d:multistatus>";
}

QByteArray member(const QByteArray &href, const QByteArray &etag, const QByteArray &card = {})
{
    return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>" + etag + "</d:getetag>"
           + (card.isEmpty() ? QByteArray() : "<a:address-data>" + card + "</a:address-data>")
           + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

QByteArray selfStatus(const QByteArray &path, int status)
{
    return "<d:response><d:href>" + path + "</d:href><d:status>HTTP/1.1 " + QByteArray::number(status)
           + " X</d:status></d:response>";
}

QByteArray card(int n, int padding = 0)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u" + QByteArray::number(n) + "\r\nFN:Osoba " + QByteArray::number(n)
           + "\r\nN:Osoba;" + QByteArray::number(n) + ";;;\r\nTEL:+48 600 000 " + QByteArray::number(100 + n)
           + "\r\n" + (padding ? "NOTE:" + QByteArray(padding, 'x') + "\r\n" : QByteArray()) + "END:VCARD\r\n";
}

// The hrefs a multiget asks for.
QList<QByteArray> askedHrefs(const QByteArray &body)
{
    QList<QByteArray> hrefs;
    static const QRegularExpression href(u"<[^<>/]*:?href>([^<]*)<"_s);
    for (auto it = href.globalMatch(QString::fromUtf8(body)); it.hasNext();) {
        hrefs.append(it.next().captured(1).toUtf8());
    }
    return hrefs;
}

// The well-behaved part of the server: a fixed address book of cards, an empty calendar. listing
// answers the address book's sync report for a token.
struct Book
{
    QMap<QByteArray, QByteArray> cards; // href -> card
    std::function<Answer(const QByteArray &token)> listing;

    Answer answer(const Request &r)
    {
        const bool calendar = r.path.startsWith("/t/");
        if (r.method == "PROPFIND") {
            return {207, multistatus(member(r.path, "x").replace("<d:getetag>x</d:getetag>",
                                                                 "<cs:getctag>c1</cs:getctag>"))};
        }
        if (r.method == "REPORT" && r.body.contains("sync-collection")) {
            if (calendar) {
                return {207, multistatus({}, "t1")};
            }
            static const QRegularExpression token(u"sync-token>([^<]*)<"_s);
            return listing(token.match(QString::fromUtf8(r.body)).captured(1).toUtf8());
        }
        if (r.method == "REPORT") {
            QByteArray inner;
            for (const QByteArray &href : askedHrefs(r.body)) {
                inner += cards.contains(href) ? member(href, "\"e-" + href + "\"", cards[href])
                                              : selfStatus(href, 404);
            }
            return {207, multistatus(inner)};
        }
        if (r.method == "PUT" || r.method == "DELETE") {
            return {r.method == "PUT" ? 201 : 204, {}, {{"ETag", "\"new\""}}};
        }
        return {405, {}};
    }
    // Every card in one answer.
    Answer everything() const
    {
        QByteArray inner;
        for (auto it = cards.cbegin(); it != cards.cend(); ++it) {
            inner += member(it.key(), "\"e-" + it.key() + "\"");
        }
        return {207, multistatus(inner, "t1")};
    }
};

enum Case
{
    Truncated,
    ForeignHrefs,
    Trickling,
    SlowSync,
    OversizedListing,
    OversizedCard,
    TooManyMembers,
    NoEtags,
    Cut
};

} // namespace

class tst_DavHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<SyncOutcome>(); }
    // Qt's own warnings ("QIODevice::read: device not open") never reach the user's terminal.
    void init() { QTest::failOnWarning(QRegularExpression(u".*"_s)); }

    void hostile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("received");
        QTest::addColumn<QString>("says"); // in the error, or else in a warning

        QTest::newRow("507: the listing goes on with the new token") << int(Truncated) << true << 5 << QString();
        QTest::newRow("hrefs outside the collection") << int(ForeignHrefs) << true << 1 << u"/x4.vcf"_s;
        QTest::newRow("answer trickling a byte at a time") << int(Trickling) << false << 0 << u"nie odpowiedział"_s;
        QTest::newRow("whole sync too long") << int(SlowSync) << false << 0 << u"dłużej niż"_s;
        QTest::newRow("listing over its limit") << int(OversizedListing) << false << 0 << u"większa niż"_s;
        QTest::newRow("card over its limit: skipped, the rest taken")
            << int(OversizedCard) << true << 2 << u"zbyt duże"_s;
        QTest::newRow("more members than the book holds") << int(TooManyMembers) << false << 0 << u"zmieści"_s;
        QTest::newRow("members without ETags are fetched") << int(NoEtags) << true << 3 << QString();
        QTest::newRow("connection cut: said in Polish")
            << int(Cut) << false << 0 << u"Nie można połączyć się z serwerem 127.0.0.1: serwer zamknął"_s;
    }
    void hostile()
    {
        QFETCH(int, kind);
        QFETCH(bool, ok);
        QFETCH(int, received);
        QFETCH(QString, says);

        Book book;
        for (int n = 1; n <= 5; ++n) {
            book.cards.insert("/k/" + QByteArray::number(n) + ".vcf", card(n));
        }
        book.listing = [&book](const QByteArray &) { return book.everything(); };
        HostileServer server;
        server.handler = [&book](const Request &r) { return book.answer(r); };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(1500);
        engine.setAnswerLimits(64 * 1024, 16 * 1024);

        switch (Case(kind)) {
        case Truncated:
            // Three changes now, the other two with the token the 507 gives.
            book.listing = [&book](const QByteArray &token) {
                QByteArray inner;
                int n = 0;
                for (auto it = book.cards.cbegin(); it != book.cards.cend(); ++it, ++n) {
                    if ((n < 3) == (token != "t1")) {
                        inner += member(it.key(), "\"e-" + it.key() + "\"");
                    }
                }
                return token == "t1" ? Answer{207, multistatus(inner, "t2")}
                                     : Answer{207, multistatus(inner + selfStatus("/k/", 507), "t1")};
            };
            break;
        case ForeignHrefs:
            book.cards = {{"/k/1.vcf", card(1)},
                          {"/x4.vcf", card(4)},
                          {"/test/x5.vcf", card(5)},
                          {"/k/inny/x6.vcf", card(6)},
                          {"/k/../x7.vcf", card(7)},
                          {"http://127.0.0.1:1/k/x8.vcf", card(8)}};
            break;
        case Trickling:
            server.handler = [&book](const Request &r) {
                Answer a = book.answer(r);
                a.byteEveryMs = r.method == "PROPFIND" ? 40 : 0; // each byte well within the time-out
                return a;
            };
            break;
        case SlowSync:
            engine.setJobTimeout(1500);
            server.handler = [&book](const Request &r) {
                Answer a = book.answer(r);
                a.delayMs = 600; // each request well within its time-out
                return a;
            };
            break;
        case OversizedListing:
            book.listing = [&book](const QByteArray &) {
                Answer a = book.everything();
                a.body.replace("<d:sync-token>", "<!--" + QByteArray(100 * 1024, '-').replace("--", "-x") + "-->"
                                                     + "<d:sync-token>");
                return a;
            };
            break;
        case OversizedCard:
            book.cards.insert("/k/3.vcf", card(3, 20 * 1024));
            book.cards.remove("/k/4.vcf");
            book.cards.remove("/k/5.vcf");
            break;
        case TooManyMembers:
            engine.setAnswerLimits(64 * 1024 * 1024, 16 * 1024);
            book.listing = [](const QByteArray &) {
                QByteArray inner;
                for (int n = 0; n <= ContactList::lastIdentifier; ++n) {
                    inner += "<d:response><d:href>/k/" + QByteArray::number(n) + ".vcf</d:href></d:response>";
                }
                return Answer{207, multistatus(inner, "t1")};
            };
            break;
        case Cut:
            server.handler = [&book](const Request &r) {
                Answer a = book.answer(r);
                a.cut = true;
                return a;
            };
            break;
        case NoEtags:
            book.cards.remove("/k/4.vcf");
            book.cards.remove("/k/5.vcf");
            book.listing = [&book](const QByteArray &) {
                Answer a = book.everything();
                a.body = QString::fromUtf8(a.body).remove(QRegularExpression(u"<d:getetag>[^<]*</d:getetag>"_s)).toUtf8();
                return a;
            };
            break;
        }

        SyncAccount a;
        a.address = server.url() + u"/"_s;
        a.user = u"anna"_s;
        a.password = u"tajne"_s;
        a.addressBookUrl = server.url() + u"/k/"_s;
        a.calendarUrl = server.url() + u"/t/"_s;
        QSignalSpy finished(&engine, &SyncEngine::finished);
        QElapsedTimer clock;
        clock.start();
        engine.synchronize(a);
        QVERIFY(finished.wait(60000));
        const auto o = finished.first().first().value<SyncOutcome>();
        QCOMPARE(o.ok, ok);
        if (!ok) {
            QVERIFY2(o.error.contains(says), qPrintable(o.error));
            QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(!QFileInfo::exists(QDir(dir.path()).filePath(u"Morwinek.data"_s)));
            return;
        }
        QVERIFY2(says.isEmpty() || o.warnings.join(u'\n').contains(says), qPrintable(o.warnings.join(u'\n')));
        QCOMPARE(o.contacts.received, received);
        ContactFile contacts(dir.path());
        QVERIFY(contacts.load(nullptr));
        QCOMPARE(contacts.count(), received);
        for (const Request &r : std::as_const(server.requests)) {
            // Nothing written anywhere but directly inside the two collections.
            if (r.method == "PUT" || r.method == "DELETE") {
                QVERIFY2(QRegularExpression(u"^/[kt]/[^/]+$"_s).match(QString::fromUtf8(r.path)).hasMatch(), r.path);
            }
        }
        if (kind == ForeignHrefs) {
            QCOMPARE(o.contacts.skipped, 5);
        }
        if (kind == OversizedCard) {
            QCOMPARE(o.contacts.skipped, 1);
            QVERIFY(o.warnings.join(u'\n').contains(u"/k/3.vcf"_s));
        }
        if (kind == Truncated) {
            // Nothing left behind: the next sync finds nothing new.
            finished.clear();
            engine.synchronize(a);
            QVERIFY(finished.wait(60000));
            QCOMPARE(finished.first().first().value<SyncOutcome>().contacts.received, 0);
            QVERIFY(contacts.load(nullptr));
            QCOMPARE(contacts.count(), 5);
        }
    }

    // A redirect during discovery to another server, or from https to plain http, stops and names
    // the address; the other server never sees the password.
    void redirects_data()
    {
        QTest::addColumn<QString>("to"); // %1: the other server's port
        QTest::addColumn<bool>("https");
        QTest::newRow("another port") << u"http://127.0.0.1:%1/dav/"_s << false;
        QTest::newRow("another host name") << u"http://localhost:%1/dav/"_s << false;
        QTest::newRow("https to http on loopback") << u"http://127.0.0.1:%1/"_s << true;
    }
    void redirects()
    {
        QFETCH(QString, to);
        QFETCH(bool, https);
        QTemporaryDir certificates;
        QSslConfiguration tls;
        const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
        const auto restore = qScopeGuard([&system] { QSslConfiguration::setDefaultConfiguration(system); });
        if (https) {
            QVERIFY(makeCertificate(certificates.path(), &tls));
            QSslConfiguration trusting = system;
            trusting.addCaCertificate(tls.localCertificate());
            QSslConfiguration::setDefaultConfiguration(trusting);
        }
        HostileServer other;
        other.handler = [](const Request &) {
            return Answer{401, {}, {{"WWW-Authenticate", "Basic realm=\"inny\""}}};
        };
        const QString target = to.arg(QUrl(other.url()).port());
        HostileServer server(https ? &tls : nullptr);
        server.handler = [&target](const Request &) {
            return Answer{301, {}, {{"Location", target.toUtf8()}}};
        };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(3000);
        SyncAccount a;
        a.address = server.url() + u"/"_s;
        a.user = u"anna"_s;
        a.password = u"tajne"_s;
        a.allowPlainHttp = true; // the user's consent to plain http does not cover leaving https
        QSignalSpy found(&engine, &SyncEngine::discovered);
        engine.discover(a);
        QVERIFY(found.wait(20000));
        const QString error = found.first().at(1).toString();
        QVERIFY2(error.contains(target), qPrintable(error));
        QVERIFY(!server.requests.isEmpty());
        QVERIFY(other.requests.isEmpty()); // neither the password nor anything else
    }

    // Temporary copies left by a write that was killed are removed by the next sync; the files
    // themselves stay.
    void leftoversOfKilledWrites()
    {
        Book book;
        book.listing = [&book](const QByteArray &) { return book.everything(); };
        HostileServer server;
        server.handler = [&book](const Request &r) { return book.answer(r); };
        QTemporaryDir dir;
        const QDir data(dir.path());
        QVERIFY(data.mkpath(u"notes"_s));
        const QStringList litter{u"Morwinek.data.AbqCdz"_s, u"Morwinek.sync.xYzQwe"_s, u"notes/7.txt.QwErTy"_s};
        const QStringList kept{u"notes/7.txt"_s, u"notes/uwagi.txt.bak"_s, u"Morwinek.data.kopia1"_s};
        for (const QString &name : litter + kept) {
            QFile file(data.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
            file.flush();
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }
        DavSyncEngine engine(dir.path());
        SyncAccount a;
        a.address = server.url() + u"/"_s;
        a.addressBookUrl = server.url() + u"/k/"_s;
        a.calendarUrl = server.url() + u"/t/"_s;
        QSignalSpy finished(&engine, &SyncEngine::finished);
        engine.synchronize(a);
        QVERIFY(finished.wait(20000));
        QVERIFY2(finished.first().first().value<SyncOutcome>().ok,
                 qPrintable(finished.first().first().value<SyncOutcome>().error));
        for (const QString &name : litter) {
            QVERIFY2(!QFileInfo::exists(data.filePath(name)), qPrintable(name));
        }
        for (const QString &name : kept) {
            QVERIFY2(QFileInfo::exists(data.filePath(name)), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(tst_DavHostile)
#include "tst_davhostile.moc"
