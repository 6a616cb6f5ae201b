// Sync against servers broken or hostile in ways a real server cannot be made to be: an HTTP server
// of the test's own on 127.0.0.1 serves an address book at /k/ and an empty calendar at /t/, and
// misbehaves as each case asks.
#include "core/contacts/ContactFile.h"
#include "core/sync/DavSyncEngine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Request
{
    QByteArray method, path, body, authorization, preconditions; // If-Match and If-None-Match lines
};

struct Answer
{
    Answer(int s = 207, QByteArray b = {}, QByteArray h = {})
        : status(s)
        , body(std::move(b))
        , headers(std::move(h))
    {}
    int status;
    QByteArray body, headers; // headers: "Name: value\r\n" each
    int byteEveryMs = 0, delayMs = 0;
    bool cut = false;     // the connection closed halfway through the answer
    bool endless = false; // chunks of the body's text for as long as the client reads them
    bool raw = false;     // the body alone, as the whole answer, then the connection closed
};

class HostileServer
{
public:
    std::function<Answer(const Request &)> handler;
    QList<Request> requests;

    // With tls, https with that certificate.
    explicit HostileServer(const QSslConfiguration *tls = nullptr)
        : m_server(tls ? new QSslServer : new QTcpServer)
    {
        if (tls) {
            static_cast<QSslServer *>(m_server.get())->setSslConfiguration(*tls);
        }
        const auto accept = [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buf = QByteArray()]() mutable {
                    buf += socket->readAll();
                    serve(socket, buf);
                });
            }
        };
        QObject::connect(m_server.get(), &QTcpServer::newConnection, accept);
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, accept);
        (void)m_server->listen(QHostAddress::LocalHost, 0);
    }
    QString url() const
    {
        return u"%1://127.0.0.1:%2"_s.arg(qobject_cast<QSslServer *>(m_server.get()) ? u"https" : u"http")
            .arg(m_server->serverPort());
    }

private:
    void serve(QTcpSocket *socket, QByteArray &buffer)
    {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        static const QRegularExpression length(u"content-length: *(\\d+)"_s, QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression auth(u"authorization: *([^\\r]*)"_s, QRegularExpression::CaseInsensitiveOption);
        const QString head = QString::fromLatin1(buffer.left(end));
        const qsizetype size = length.match(head).captured(1).toLongLong();
        if (end < 0 || buffer.size() < end + 4 + size) {
            return;
        }
        const QList<QByteArray> first = buffer.left(buffer.indexOf("\r\n")).split(' ');
        static const QRegularExpression condition(u"if-(?:none-)?match: *[^\\r]*"_s,
                                                  QRegularExpression::CaseInsensitiveOption);
        QByteArray preconditions;
        for (auto it = condition.globalMatch(head); it.hasNext();) {
            preconditions += it.next().captured().toLatin1() + '\n';
        }
        const Request r{first.value(0),
                        first.value(1),
                        buffer.mid(end + 4, size),
                        auth.match(head).captured(1).toLatin1(),
                        preconditions};
        buffer.remove(0, end + 4 + size);
        requests.append(r);
        const Answer a = handler(r);
        const QByteArray bytes = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nContent-Length: "
                                 + QByteArray::number(a.body.size()) + "\r\n" + a.headers + "\r\n" + a.body;
        if (a.raw) {
            socket->write(a.body);
            socket->disconnectFromHost();
        } else if (a.endless) {
            socket->write("HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nTransfer-Encoding: chunked\r\n"
                          + a.headers + "\r\n");
            QByteArray piece;
            while (piece.size() < 64 * 1024) {
                piece += a.body;
            }
            const QByteArray chunk = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            const auto more = [socket, chunk] {
                while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 1024 * 1024) {
                    socket->write(chunk);
                }
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
        } else if (a.cut) {
            socket->write(bytes.left(bytes.size() / 2));
            socket->disconnectFromHost();
        } else if (a.byteEveryMs > 0) {
            auto *timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket, bytes, sent = qsizetype(0)]() mutable {
                socket->write(bytes.mid(sent++, 1));
            });
            timer->start(a.byteEveryMs);
        } else {
            QTimer::singleShot(a.delayMs, socket, [socket, bytes] {
                socket->write(bytes);
            });
        }
        serve(socket, buffer);
    }

    std::unique_ptr<QTcpServer> m_server;
};

QByteArray multistatus(const QByteArray &inner, const QByteArray &token = "t1")
{
    return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" xmlns:a=\"urn:ietf:params:xml:ns:carddav\" "
           "xmlns:cs=\"http://calendarserver.org/ns/\">"
           + inner + "<d:sync-token>" + token + "</d:sync-token></d:multistatus>";
}

// A response with a property (an ETag by default), or with a status of its own.
QByteArray response(const QByteArray &href, const QByteArray &prop, int status = 0)
{
    return "<d:response><d:href>" + href + "</d:href>"
           + (status ? "<d:status>HTTP/1.1 " + QByteArray::number(status) + " X</d:status>"
                     : "<d:propstat><d:prop>" + prop + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>")
           + "</d:response>";
}

// The account of the server's book "/k/" and calendar "/t/".
SyncAccount account(const HostileServer &server)
{
    SyncAccount a;
    a.address = server.url() + u"/"_s;
    a.user = u"anna"_s;
    a.password = u"tajne"_s;
    a.addressBookUrl = server.url() + u"/k/"_s;
    a.calendarUrl = server.url() + u"/t/"_s;
    return a;
}

// One sync to its end; one that does not end in time is an outcome that is not ok.
SyncOutcome syncOnce(DavSyncEngine &engine, const SyncAccount &a, int waitMs = 30000)
{
    QSignalSpy finished(&engine, &SyncEngine::finished);
    engine.synchronize(a);
    return finished.wait(waitMs) ? finished.takeFirst().first().value<SyncOutcome>() : SyncOutcome{};
}

QByteArray card(int n, int padding = 0)
{
    const QByteArray id = QByteArray::number(n);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u" + id + "\r\nFN:Osoba " + id + "\r\nN:Osoba;" + id
           + ";;;\r\nTEL:+48 600 000 " + id + "\r\nNOTE:" + QByteArray(padding, 'x') + "\r\nEND:VCARD\r\n";
}

// The well-behaved part: the cards at their hrefs, listed all at once unless listing says otherwise.
struct Book
{
    QMap<QByteArray, QByteArray> cards;
    QSet<QByteArray> withheld;   // left out of a multiget's answer
    qsizetype shown = -1;        // members in a listing by PROPFIND, which then ends with a 507; -1: all
    QByteArray fullToken = "t9"; // the collection's token in a whole listing by PROPFIND
    bool etags = true;           // false: no ETag in listings, fetches and answers to PUT
    bool stamps = false;         // a stored card gets a REV of the server's (and its PUT no ETag)
    std::function<Answer(const QByteArray &token)> listing = [this](const QByteArray &) {
        return Answer{207, multistatus(listed(cards.keys()))};
    };

    QByteArray etag(const QByteArray &href) const
    {
        return etags ? "<d:getetag>\"" + QByteArray::number(qHash(cards.value(href))) + "\"</d:getetag>" : "";
    }
    QByteArray listed(const QList<QByteArray> &hrefs) const
    {
        QByteArray inner;
        for (const QByteArray &href : hrefs) {
            inner += response(href, etag(href));
        }
        return inner;
    }

    Answer answer(const Request &r)
    {
        static const QRegularExpression token(u"sync-token>([^<]*)<"_s), href(u"href>([^<]*)<"_s);
        if (r.method == "PROPFIND" && r.body.contains("getetag")) {
            if (shown < 0) {
                return {207,
                        multistatus(listed(cards.keys())
                                    + response("/k/", "<d:sync-token>" + fullToken + "</d:sync-token>"))};
            }
            return {207, multistatus(listed(cards.keys().mid(0, shown)) + response("/k/", {}, 507))};
        }
        if (r.method == "PROPFIND") {
            const QByteArray ctag = QByteArray::number(qHash(cards.values()));
            return {207, multistatus(response(r.path, "<cs:getctag>" + ctag + "</cs:getctag>"))};
        }
        if (r.method == "REPORT" && r.body.contains("sync-collection")) {
            return r.path == "/t/" ? Answer{207, multistatus({})}
                                   : listing(token.match(QString::fromUtf8(r.body)).captured(1).toUtf8());
        }
        if (r.method == "PUT") {
            // Preconditions held to, as a real server does.
            if (r.preconditions.contains("*") == cards.contains(r.path) && !r.preconditions.isEmpty()) {
                return {412};
            }
            QByteArray stored = r.body;
            if (stamps) {
                static const QRegularExpression rev(u"REV:[^\\r]*\\r\\n"_s);
                stored = QString::fromUtf8(stored).remove(rev).toUtf8().replace(
                    "VERSION:3.0\r\n", "VERSION:3.0\r\nREV:20261208T090909Z\r\n");
            }
            cards[r.path] = stored;
            return {201, {}, etags && !stamps ? "ETag: \"" + QByteArray::number(qHash(stored)) + "\"\r\n" : ""};
        }
        QByteArray inner; // a multiget
        for (auto it = href.globalMatch(QString::fromUtf8(r.body)); it.hasNext();) {
            const QByteArray asked = it.next().captured(1).toUtf8();
            if (!withheld.contains(asked)) {
                inner += cards.contains(asked)
                             ? response(asked, etag(asked) + "<a:address-data>" + cards[asked] + "</a:address-data>")
                             : response(asked, {}, 404);
            }
        }
        return {207, multistatus(inner)};
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
    Cut,
    Omitted,
    TruncatedFull,
    EndlessCtag
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
        QTest::addColumn<int>("received"); // -1: the sync fails
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QString>("says"); // in the error, or else in a warning

        QTest::newRow("507: every ETag listed then") << int(Truncated) << 5 << 0 << QString();
        QTest::newRow("hrefs outside the collection") << int(ForeignHrefs) << 1 << 5 << u"/x4.vcf"_s;
        QTest::newRow("answer trickling a byte at a time") << int(Trickling) << -1 << 0 << u"nie odpowiedział"_s;
        QTest::newRow("whole sync too long") << int(SlowSync) << -1 << 0 << u"dłużej niż"_s;
        QTest::newRow("listing over its limit") << int(OversizedListing) << -1 << 0 << u"większa niż"_s;
        QTest::newRow("card over its limit") << int(OversizedCard) << 2 << 1 << u"zbyt duże pozycje (1): /k/3.vcf"_s;
        QTest::newRow("more members than the book holds") << int(TooManyMembers) << -1 << 0 << u"zmieści"_s;
        QTest::newRow("multiget leaves a member out") << int(Omitted) << 5 << 0 << QString();
        QTest::newRow("full listing cut short (507)") << int(TruncatedFull) << 5 << 0 << QString();
        QTest::newRow("ctag answer without end")
            << int(EndlessCtag) << -1 << 0 << u"Odpowiedź serwera 127.0.0.1 jest większa niż 1 MB"_s;
        QTest::newRow("connection cut, said in Polish")
            << int(Cut) << -1 << 0 << u"Nie można połączyć się z serwerem 127.0.0.1: serwer zamknął"_s;
    }
    void hostile()
    {
        QFETCH(int, kind);
        QFETCH(int, received);
        QFETCH(int, skipped);
        QFETCH(QString, says);
        Book book;
        for (int n = 1; n <= 5; ++n) {
            book.cards.insert("/k/" + QByteArray::number(n) + ".vcf", card(n));
        }
        HostileServer server;
        Answer tweak;
        server.handler = [&](const Request &r) {
            Answer a = book.answer(r);
            a.byteEveryMs = r.method == "PROPFIND" ? tweak.byteEveryMs : 0; // each byte within the time-out
            a.delayMs = tweak.delayMs;                                      // each answer within the time-out
            a.cut = tweak.cut;
            a.endless = tweak.endless && r.method == "PROPFIND" && !r.body.contains("getetag");
            if (a.endless) {
                a.body = "<d:response><d:href>/k/</d:href></d:response>";
            }
            return a;
        };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(1500);
        engine.setAnswerLimits(64 * 1024, 16 * 1024);
        switch (Case(kind)) {
        case Truncated: // three changes and a 507: the full listing gives all five
            book.listing = [&book](const QByteArray &token) {
                const QByteArray inner =
                    book.listed(book.cards.keys().mid(token == "t1" ? 3 : 0, token == "t1" ? 2 : 3));
                return token == "t1" ? Answer{207, multistatus(inner, "t2")}
                                     : Answer{207, multistatus(inner + response("/k/", {}, 507), "t1")};
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
            tweak.byteEveryMs = 40;
            break;
        case SlowSync:
            engine.setJobTimeout(1500);
            tweak.delayMs = 600;
            break;
        case OversizedListing:
            book.cards.insert("/k/" + QByteArray(70 * 1024, 'x') + ".vcf", card(6));
            break;
        case OversizedCard:
            book.cards = {{"/k/1.vcf", card(1)}, {"/k/2.vcf", card(2)}, {"/k/3.vcf", card(3, 20 * 1024)}};
            break;
        case TooManyMembers:
            engine.setAnswerLimits(64 * 1024 * 1024, 16 * 1024);
            book.listing = [](const QByteArray &) {
                QByteArray inner;
                for (int n = 0; n <= ContactList::lastIdentifier; ++n) {
                    inner += "<d:response><d:href>/k/" + QByteArray::number(n) + ".vcf</d:href></d:response>";
                }
                return Answer{207, multistatus(inner)};
            };
            break;
        case Cut:
            tweak.cut = true;
            break;
        case EndlessCtag:
            tweak.endless = true;
            break;
        case Omitted:
        case TruncatedFull: // their hostility comes after the first sync
            break;
        }
        // Temporary copies a killed write left: removed by the sync, unlike files that only look alike.
        const QDir data(dir.path());
        QVERIFY(data.mkpath(u"notes"_s));
        const QStringList litter{u"Morwinek.data.AbqCdz"_s, u"Morwinek.sync.xYzQwe"_s, u"notes/7.txt.QwErTy"_s};
        const QStringList kept{u"notes/7.txt"_s, u"notes/uwagi.txt.bak"_s, u"Morwinek.ini.kopia1"_s};
        for (const QString &name : litter + kept) {
            QFile file(data.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1 && file.flush());
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }

        SyncAccount a = account(server);
        const auto sync = [&] {
            return syncOnce(engine, a, 60000);
        };
        QElapsedTimer clock;
        clock.start();
        const SyncOutcome o = sync();
        QCOMPARE(o.ok, received >= 0);
        QVERIFY2((received < 0 ? o.error : o.warnings.join(u'\n')).contains(says),
                 qPrintable(o.error + o.warnings.join(u'\n')));
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        ContactFile contacts(dir.path());
        QVERIFY(contacts.load(nullptr));
        QCOMPARE(contacts.count(), std::max(received, 0));
        QCOMPARE(o.contacts.received, std::max(received, 0));
        QCOMPARE(o.contacts.skipped, skipped);
        if (kind == Truncated) { // nothing left behind: the next sync finds nothing new
            const SyncOutcome again = sync();
            QVERIFY2(again.ok && again.contacts.received == 0, qPrintable(again.error));
        }
        if (kind == TruncatedFull) { // what a listing cut short left out is not gone
            book.listing = [](const QByteArray &) {
                return Answer{403};
            };
            book.shown = 3;
            book.cards["/k/1.vcf"] = card(1, 10);
            const SyncOutcome second = sync();
            QVERIFY(contacts.load(nullptr));
            QCOMPARE(contacts.count(), 5);
            QVERIFY2(second.ok && second.warnings.join(u'\n').contains(u"niepełną"_s), qPrintable(second.error));
        }
        if (kind == Omitted) { // left out of a fetch: neither gone here nor its change lost
            book.cards["/k/5.vcf"] = card(5, 10);
            book.withheld = {"/k/5.vcf"};
            const SyncOutcome second = sync();
            QVERIFY(contacts.load(nullptr));
            QCOMPARE(contacts.count(), 5);
            QVERIFY2(second.ok && second.warnings.join(u'\n').contains(u"/k/5.vcf"_s), qPrintable(second.error));
            book.withheld.clear();
            QCOMPARE(sync().contacts.received, 1);
        }
        for (const QString &name : litter + kept) {
            QVERIFY2(QFileInfo::exists(data.filePath(name)) == kept.contains(name), qPrintable(name));
        }
    }

    // A collection deleted on a server that answers PROPFIND on it with 207 and one 404 entry under a
    // percent-encoded href (and REPORT and PUT with 404): told as gone, as a plain 404 is, with
    // nothing asked, deleted, sent or skipped.
    void deletedCollection_toldGone_data()
    {
        QTest::addColumn<bool>("syncedBefore");
        QTest::addColumn<bool>("toSend"); // a contact here not on the server yet
        QTest::addColumn<QString>("gone");
        QTest::newRow("address book synced before") << true << false << u"/k/"_s;
        QTest::newRow("fresh folder") << false << false << u"/k/"_s;
        QTest::newRow("fresh folder, a contact to send") << false << true << u"/k/"_s;
        QTest::newRow("calendar synced before") << true << false << u"/t/"_s;
    }
    void deletedCollection_toldGone()
    {
        QFETCH(bool, syncedBefore);
        QFETCH(bool, toSend);
        QFETCH(QString, gone);
        Book book;
        for (int n = 1; n <= 5; ++n) {
            book.cards.insert("/k/" + QByteArray::number(n) + ".vcf", card(n));
        }
        HostileServer server;
        bool deleted = !syncedBefore;
        server.handler = [&](const Request &r) {
            if (!deleted || !r.path.startsWith(gone.toUtf8())) {
                return book.answer(r);
            }
            if (r.method != "PROPFIND") {
                return Answer{404};
            }
            const QByteArray self = QUrl::toPercentEncoding(server.url() + gone, "/");
            return Answer{207, multistatus(response(self, {}, 404))};
        };
        QTemporaryDir dir;
        if (toSend) {
            Contact c;
            c.ID = u"10000"_s;
            c.Nazwa = u"Kowalski Jan"_s;
            QFile data(QDir(dir.path()).filePath(u"Morwinek.data"_s));
            QVERIFY(data.open(QIODevice::WriteOnly) && data.write(c.toLine() + "\r\n") > 0);
        }
        DavSyncEngine engine(dir.path());
        engine.setTimeout(5000);
        const SyncAccount a = account(server);
        const auto sync = [&] {
            return syncOnce(engine, a);
        };
        if (syncedBefore) {
            const SyncOutcome first = sync();
            QVERIFY2(first.ok && first.contacts.received == 5, qPrintable(first.error));
            deleted = true;
        }
        ContactFile contacts(dir.path());
        QVERIFY(contacts.load(nullptr));
        const int before = contacts.count();
        server.requests.clear();
        const SyncOutcome o = sync();
        QVERIFY(!o.ok);
        const QString expected = gone == u"/k/" ? u"Na serwerze nie ma już książki adresowej %1/k/"_s.arg(server.url())
                                                : u"Na serwerze nie ma już kalendarza %1/t/"_s.arg(server.url());
        QVERIFY2(o.error.startsWith(expected) && o.error.contains(u"wybrać inn"_s), qPrintable(o.error));
        QCOMPARE(o.held.what, SyncOutcome::Held::Nothing);
        QVERIFY2(o.warnings.isEmpty(), qPrintable(o.warnings.join(u'\n')));
        QCOMPARE(o.contacts.skipped + o.contacts.deletedHere + o.contacts.sent, 0);
        QVERIFY(contacts.load(nullptr));
        QCOMPARE(contacts.count(), before);
        for (const Request &r : std::as_const(server.requests)) {
            QVERIFY2(r.method != "PUT" && r.method != "DELETE", r.path.constData());
        }
    }

    // A sync report that gives part of the changes (507) and a token that does not go on, or one
    // that skips the rest (the server's latest): every ETag is listed in the same sync, so every
    // edit and new card arrives and the sync completes.
    void partialChanges_data()
    {
        QTest::addColumn<QByteArray>("next"); // the token the 507 gives
        QTest::newRow("token of the request") << QByteArray("t1");
        QTest::newRow("server's latest token") << QByteArray("t9");
        QTest::newRow("no token") << QByteArray();
        QTest::newRow("token going on") << QByteArray("t2");
    }
    void partialChanges()
    {
        QFETCH(QByteArray, next);
        Book book;
        for (int n = 1; n <= 5; ++n) {
            book.cards.insert("/k/" + QByteArray::number(n) + ".vcf", card(n));
        }
        QList<QByteArray> changed;
        book.listing = [&](const QByteArray &token) {
            if (token.isEmpty()) {
                return Answer{207, multistatus(book.listed(book.cards.keys()), "t1")};
            }
            if (token == "t1") {
                return Answer{207, multistatus(book.listed(changed.mid(0, 2)) + response("/k/", {}, 507), next)};
            }
            return Answer{207, multistatus(token == "t2" ? book.listed(changed.mid(2)) : QByteArray(), "t9")};
        };
        HostileServer server;
        server.handler = [&book](const Request &r) {
            return book.answer(r);
        };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(5000);
        const SyncAccount a = account(server);
        const auto sync = [&] {
            return syncOnce(engine, a);
        };
        SyncOutcome o = sync();
        QVERIFY2(o.ok && o.contacts.received == 5, qPrintable(o.error));
        // On the phone: three cards edited, three new ones.
        for (int n = 1; n <= 3; ++n) {
            book.cards["/k/" + QByteArray::number(n) + ".vcf"] = card(n, 10);
            book.cards.insert("/k/" + QByteArray::number(n + 5) + ".vcf", card(n + 5));
            changed << "/k/" + QByteArray::number(n) + ".vcf"
                    << "/k/" + QByteArray::number(n + 5) + ".vcf";
        }
        o = sync();
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.received, 6);
        ContactFile contacts(dir.path());
        QVERIFY(contacts.load(nullptr));
        QCOMPARE(contacts.count(), 8);
        o = sync();
        QVERIFY2(o.ok && o.contacts.received == 0 && o.contacts.sent == 0, qPrintable(o.error));
    }

    // What went wrong, said in Polish: where a redirect points, what an HTTP status or a broken
    // answer means.
    void errorTexts_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("raw"); // instead of an HTTP answer
        QTest::addColumn<QString>("says");
        QTest::newRow("redirect") << 307 << QByteArray() << u"kieruje pod adres %1/inny/k/ (HTTP 307)"_s;
        QTest::newRow("redirect nowhere") << 302 << QByteArray() << u"nie podaje (HTTP 302)"_s;
        QTest::newRow("unavailable") << 503 << QByteArray() << u"Serwer jest chwilowo niedostępny"_s;
        QTest::newRow("no space") << 507 << QByteArray() << u"Na serwerze zabrakło miejsca (HTTP 507)."_s;
        QTest::newRow("forbidden") << 403 << QByteArray() << u"odmówił dostępu"_s;
        QTest::newRow("closed at once") << 0 << QByteArray() << u"serwer zamknął połączenie"_s;
    }
    void errorTexts()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, raw);
        QFETCH(QString, says);
        HostileServer server;
        server.handler = [&](const Request &) {
            Answer a(status, raw);
            a.raw = status == 0;
            if (status == 307) {
                a.headers = "Location: /inny/k/\r\n";
            }
            return a;
        };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(5000);
        SyncAccount a = account(server);
        const SyncOutcome o = syncOnce(engine, a);
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(says.contains(u"%1"_s) ? says.arg(server.url()) : says), qPrintable(o.error));
        QVERIFY2(!o.error.contains(u"nr "_s), qPrintable(o.error));
    }

    // A server without ETags is followed by the cards' contents, and one that stamps what it stores
    // with its own REV gives our copies back as ours: nothing is taken twice or refused, and an
    // edit on both sides is merged. A card too large for "Morwinek.sync" is fetched again to be
    // patched, so what the phone wrote in it stays.
    void serverOwnVersions_data()
    {
        QTest::addColumn<bool>("etags");
        QTest::addColumn<bool>("stamps");
        QTest::addColumn<int>("padding"); // of the second card's note
        QTest::newRow("no ETags") << false << false << 0;
        QTest::newRow("REV rewritten on store, no ETag for PUT") << true << true << 0;
        QTest::newRow("card over 256 KB") << true << false << 300 * 1024;
    }
    void serverOwnVersions()
    {
        QFETCH(bool, etags);
        QFETCH(bool, stamps);
        QFETCH(int, padding);
        Book book;
        book.etags = etags;
        book.stamps = stamps;
        for (int n = 1; n <= 3; ++n) {
            book.cards.insert("/k/" + QByteArray::number(n) + ".vcf", card(n, n == 2 ? padding : 0));
        }
        HostileServer server;
        server.handler = [&book](const Request &r) {
            return book.answer(r);
        };
        QTemporaryDir dir;
        DavSyncEngine engine(dir.path());
        engine.setTimeout(5000);
        const SyncAccount a = account(server);
        const auto sync = [&] {
            return syncOnce(engine, a);
        };
        QCOMPARE(sync().contacts.received, 3);
        QVERIFY(QFileInfo(dir.filePath(u"Morwinek.sync"_s)).size() < 64 * 1024);

        // Here: a title for "Osoba 1" and "Osoba 2"; on the phone: another number for "Osoba 2" (but
        // for the large card, which is to be patched from a copy fetched again).
        ContactFile contacts(dir.path());
        QVERIFY(contacts.load(nullptr));
        for (int position = 0; position < contacts.count(); ++position) {
            Contact c = contacts.list().contact(position);
            if (c.Nazwa.endsWith(u'3')) {
                continue;
            }
            c.Tytul = u"Kierownik"_s;
            QString notes;
            QVERIFY(contacts.readNotes(c.ID, &notes, nullptr));
            QVERIFY(contacts.store(&position, c, notes, nullptr));
        }
        const QByteArray number = padding ? "TEL:+48 600 000 2\r\n" : "TEL:+48 600 000 222\r\n";
        book.cards["/k/2.vcf"].replace("TEL:+48 600 000 2\r\n", number);
        const SyncOutcome both = sync();
        QVERIFY2(both.ok, qPrintable(both.error));
        QCOMPARE(both.contacts.sent, 2);
        QCOMPARE(both.contacts.skipped, 0);
        QCOMPARE(both.contacts.conflicts, 0);
        const QByteArray second = book.cards["/k/2.vcf"];
        QVERIFY2(second.contains("TITLE:Kierownik") && second.contains(number),
                 QByteArray(second).replace(QByteArray(padding, 'x'), "...").constData());
        QVERIFY(second.contains("NOTE:" + QByteArray(padding, 'x') + "\r\n"));

        QFile data(dir.filePath(u"Morwinek.data"_s));
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QByteArray before = data.readAll();
        const SyncOutcome again = sync();
        QVERIFY2(again.ok, qPrintable(again.error));
        QCOMPARE(again.contacts.received, 0);
        QCOMPARE(again.contacts.sent, 0);
        QVERIFY(data.seek(0));
        QCOMPARE(data.readAll(), before);
    }

    // A redirect during discovery to another server, or from https to plain http (even on loopback
    // and with plain http allowed), stops and names the address; the other server is never asked.
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
        QTemporaryDir dir;
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        const QSslConfiguration system = tls;
        const auto restore = qScopeGuard([&system] {
            QSslConfiguration::setDefaultConfiguration(system);
        });
        if (https) { // a certificate of the test's own, trusted for the test
            QProcess openssl;
            openssl.setWorkingDirectory(dir.path());
            openssl.start(u"openssl"_s,
                          u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=127.0.0.1 "
                          u"-addext subjectAltName=IP:127.0.0.1 -keyout key.pem -out cert.pem"_s.split(u' '));
            QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
            QFile cert(dir.filePath(u"cert.pem"_s)), key(dir.filePath(u"key.pem"_s));
            QVERIFY(cert.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
            tls.setLocalCertificate(QSslCertificate(cert.readAll()));
            tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
            QSslConfiguration trusting = system;
            trusting.addCaCertificate(tls.localCertificate());
            QSslConfiguration::setDefaultConfiguration(trusting);
        }
        HostileServer other;
        other.handler = [](const Request &) {
            return Answer{401, {}, "WWW-Authenticate: Basic realm=\"inny\"\r\n"};
        };
        const QString target = to.arg(QUrl(other.url()).port());
        HostileServer server(https ? &tls : nullptr);
        server.handler = [&target](const Request &) {
            return Answer{301, {}, "Location: " + target.toUtf8() + "\r\n"};
        };
        DavSyncEngine engine(dir.path());
        SyncAccount a;
        a.address = server.url() + u"/"_s;
        a.user = u"anna"_s;
        a.password = u"tajne"_s;
        a.allowPlainHttp = true;
        QSignalSpy found(&engine, &SyncEngine::discovered);
        engine.discover(a);
        QVERIFY(found.wait(20000));
        QVERIFY2(found.first().at(1).toString().contains(target), qPrintable(found.first().at(1).toString()));
        QCOMPARE(engine.redirectedTo(), https ? QUrl() : QUrl(target)); // never offered: from https to http
        QVERIFY(!server.requests.isEmpty());
        QVERIFY(other.requests.isEmpty()); // neither the password nor anything else
    }
};

QTEST_GUILESS_MAIN(tst_DavHostile)
#include "tst_davhostile.moc"
