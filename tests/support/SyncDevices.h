#pragma once
// Two data folders as two devices syncing through a real Radicale server, and the server as a test
// sees it without the code under test.
#include "support/RadicaleServer.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/sync/DavSyncEngine.h"

#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace SyncDevices {

using namespace Qt::StringLiterals;

// The server as a test sees it, without the code under test: plain requests with basic auth.
class RawDav
{
public:
    explicit RawDav(QString root)
        : m_root(std::move(root))
    {}

    struct Answer
    {
        int status = 0;
        QByteArray body;
        QByteArray etag;
    };

    Answer send(const QByteArray &method,
                const QString &path,
                const QByteArray &body = {},
                const QList<std::pair<QByteArray, QByteArray>> &headers = {})
    {
        QNetworkRequest request(QUrl(m_root).resolved(QUrl(path)));
        request.setRawHeader("Authorization",
                             "Basic " + (QByteArray(RadicaleServer::user) + ':' + RadicaleServer::password).toBase64());
        for (const auto &[name, value] : headers) {
            request.setRawHeader(name, value);
        }
        QNetworkReply *reply = m_network.sendCustomRequest(request, method, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (!reply->isFinished()) {
            done.wait(20000);
        }
        Answer a{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                 reply->readAll(),
                 reply->rawHeader("ETag")};
        reply->deleteLater();
        return a;
    }

    // Address book and calendar of their own for one test.
    std::pair<QString, QString> makeCollections(const QString &name)
    {
        const QString book = u"/anna/"_s + name + u"-k/"_s;
        const QString calendar = u"/anna/"_s + name + u"-t/"_s;
        send("MKCOL",
             book,
             "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><set><prop>"
             "<resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>");
        send("MKCALENDAR", calendar);
        return {QUrl(m_root).resolved(QUrl(book)).toString(), QUrl(m_root).resolved(QUrl(calendar)).toString()};
    }

    // The members of a collection: href . data.
    QMap<QString, QByteArray> members(const QString &collection, bool calendar)
    {
        const QByteArray ns = calendar ? "urn:ietf:params:xml:ns:caldav" : "urn:ietf:params:xml:ns:carddav";
        const QByteArray body =
            "<?xml version=\"1.0\"?><C:" + QByteArray(calendar ? "calendar-query" : "addressbook-query")
            + " xmlns=\"DAV:\" xmlns:C=\"" + ns + "\"><prop><C:" + (calendar ? "calendar-data" : "address-data")
            + "/></prop>" + (calendar ? "<C:filter><C:comp-filter name=\"VCALENDAR\"/></C:filter>" : "")
            + "</C:" + (calendar ? "calendar-query" : "addressbook-query") + ">";
        const Answer a = send("REPORT", collection, body, {{"Depth", "1"}});
        QMap<QString, QByteArray> result;
        QXmlStreamReader xml(a.body);
        QString href;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == u"href") {
                href = xml.readElementText();
            } else if (xml.name() == u"address-data" || xml.name() == u"calendar-data") {
                result.insert(href, xml.readElementText().toUtf8());
            }
        }
        return result;
    }

private:
    QString m_root;
    QNetworkAccessManager m_network;
};

// One data folder with its engine.
struct Device
{
    QTemporaryDir dir;
    DavSyncEngine engine{dir.path()};
    QDate today = QDate::currentDate();

    Device() { engine.setToday(today); }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    SyncOutcome sync(const SyncAccount &account)
    {
        QSignalSpy spy(&engine, &SyncEngine::finished);
        engine.synchronize(account);
        if (spy.isEmpty() && !spy.wait(120000)) {
            return {};
        }
        return spy.first().first().value<SyncOutcome>();
    }

    QList<Contact> contacts() const
    {
        ContactFile book(dir.path());
        QList<Contact> result;
        if (book.load(nullptr)) {
            for (int i = 0; i < book.count(); ++i) {
                result.append(book.list().contact(i));
            }
        }
        return result;
    }
    // The contact of that name, or an empty one.
    Contact contact(const QString &name) const
    {
        for (const Contact &c : contacts()) {
            if (c.Nazwa == name) {
                return c;
            }
        }
        return {};
    }
    bool has(const QString &name) const { return !contact(name).Nazwa.isEmpty(); }
    QStringList names() const
    {
        QStringList result;
        for (const Contact &c : contacts()) {
            result.append(c.Nazwa);
        }
        return result;
    }
    QString addContact(Contact c, const QString &notes = {}, const QByteArray &photo = {})
    {
        QDir(dir.path()).mkpath(u"notes"_s);
        ContactFile book(dir.path());
        book.setIdentifierReserve(&SyncState::knownIdentifiers); // as the address book window has it
        if (!book.load(nullptr) || !book.list().newIdentifier(&c.ID, nullptr) || !book.add(c, nullptr)) {
            return {};
        }
        int position = book.count() - 1;
        if (!book.store(&position, c, notes, nullptr)) {
            return {};
        }
        if (!photo.isEmpty()) {
            QDir(dir.path()).mkpath(u"foto"_s);
            (void)TextFile::writeAtomically(book.photoPath(c.ID), photo, nullptr);
        }
        return c.ID;
    }
    void editContact(const QString &name, const std::function<void(Contact &)> &edit)
    {
        ContactFile book(dir.path());
        QVERIFY(book.load(nullptr));
        for (int i = 0; i < book.count(); ++i) {
            Contact c = book.list().contact(i);
            if (c.Nazwa == name) {
                QString notes;
                QVERIFY(book.readNotes(c.ID, &notes, nullptr));
                edit(c);
                int position = i;
                QVERIFY(book.store(&position, c, notes, nullptr));
                return;
            }
        }
        QFAIL("no such contact");
    }
    void removeContact(const QString &name)
    {
        ContactFile book(dir.path());
        QVERIFY(book.load(nullptr));
        for (int i = 0; i < book.count(); ++i) {
            if (book.list().contact(i).Nazwa == name) {
                QVERIFY(book.remove(i, nullptr));
                return;
            }
        }
        QFAIL("no such contact");
    }
    QStringList records() const
    {
        QList<QByteArray> lines;
        (void)TextFile::readLines(path(u"Morwinek.term"_s), &lines, nullptr, nullptr);
        QStringList result;
        for (const QByteArray &line : lines) {
            result.append(Cp1250::decode(line));
        }
        result.sort();
        return result;
    }
    void setRecords(const QStringList &records)
    {
        QList<QByteArray> lines;
        for (const QString &r : records) {
            lines.append(Cp1250::encode(r));
        }
        QVERIFY(TextFile::writeLines(path(u"Morwinek.term"_s), lines, nullptr));
    }
    QStringList conflictFiles() const { return QDir(path(u"konflikty"_s)).entryList(QDir::Files); }
};

// An account of the test server with an address book and a calendar of their own.
inline SyncAccount accountFor(RawDav &raw, const RadicaleServer &server, const QString &name)
{
    const auto [book, calendar] = raw.makeCollections(name);
    SyncAccount a;
    a.address = server.url();
    a.user = QString::fromLatin1(RadicaleServer::user);
    a.password = QString::fromLatin1(RadicaleServer::password);
    a.addressBookUrl = book;
    a.calendarUrl = calendar;
    return a;
}

inline QString record(const QDate &day, const QString &person, const QString &place, const QString &description)
{
    return AppointmentRecord::encode({DateText::toText(day), person, place, description});
}

inline Contact named(const QString &name, const QString &mobile = {}, const QString &email = {})
{
    Contact c;
    c.Nazwa = name;
    c.TelKom = mobile;
    c.Email = email;
    return c;
}

inline bool isZero(const CollectionSummary &s)
{
    return s.sent == 0 && s.received == 0 && s.deletedHere == 0 && s.deletedOnServer == 0 && s.conflicts == 0;
}

} // namespace SyncDevices

using namespace SyncDevices;
