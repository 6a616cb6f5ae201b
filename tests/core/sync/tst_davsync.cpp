// Two data folders as two devices syncing through a real Radicale server.
#include "support/Pictures.h"
#include "support/RadicaleServer.h"
#include "support/SyncDevices.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoCodec.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/VCard.h"
#include "core/sync/DavSyncEngine.h"
#include "core/sync/SyncState.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_DavSync : public QObject
{
    Q_OBJECT

private:
    RadicaleServer m_server;
    std::unique_ptr<RawDav> m_raw;
    int m_collections = 0;

    SyncAccount account() { return accountFor(*m_raw, m_server, u"t%1"_s.arg(++m_collections)); }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<SyncOutcome>();
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_raw = std::make_unique<RawDav>(m_server.url());
    }

    void discoveryCreatesThenFinds()
    {
        DavSyncEngine engine(QDir::tempPath());
        SyncAccount a;
        a.address = m_server.url();
        a.user = QString::fromLatin1(RadicaleServer::user);
        a.password = QString::fromLatin1(RadicaleServer::password);
        {
            // Nothing is made on the server unasked: what is there is reported, here nothing.
            QSignalSpy spy(&engine, &SyncEngine::discovered);
            engine.discover(a);
            QVERIFY(spy.wait(20000));
            QCOMPARE(spy.first().at(1).toString(), QString());
            QVERIFY(spy.first().first().value<QList<DavCollection>>().isEmpty());
        }
        a.createMissing = true;
        QList<DavCollection> first;
        for (int round = 0; round < 2; ++round) {
            QSignalSpy spy(&engine, &SyncEngine::discovered);
            engine.discover(a);
            QVERIFY(spy.wait(20000));
            const auto found = spy.first().first().value<QList<DavCollection>>();
            QCOMPARE(spy.first().at(1).toString(), QString());
            QCOMPARE(std::count_if(found.cbegin(),
                                   found.cend(),
                                   [](const DavCollection &c) {
                                       return c.kind == DavCollection::AddressBook;
                                   }),
                     1);
            QCOMPARE(std::count_if(found.cbegin(),
                                   found.cend(),
                                   [](const DavCollection &c) {
                                       return c.kind == DavCollection::Calendar;
                                   }),
                     1);
            if (round == 0) {
                first = found;
            } else {
                QCOMPARE(found.size(), first.size()); // found again, none created twice
            }
        }
        // The user's principal as the address finds the same.
        a.address = m_server.url() + u"anna/"_s;
        QSignalSpy spy(&engine, &SyncEngine::discovered);
        engine.discover(a);
        QVERIFY(spy.wait(20000));
        QCOMPARE(spy.first().first().value<QList<DavCollection>>().size(), first.size());
    }

    void twoDevices()
    {
        const SyncAccount a = account();
        Device one;
        Device two;
        const QByteArray photo = pictureOf("JPEG", 64, 48);
        QVERIFY(
            !one.addContact(named(u"Kowalski Jan"_s, u"600100200"_s), u"Lubi kawę\nDrugi wiersz"_s, photo).isEmpty());
        QVERIFY(!one.addContact(named(u"Nowak Anna"_s, {}, u"anna@example.org"_s)).isEmpty());
        Contact born = named(u"Żak Zenon"_s);
        born.Urodziny = u"03.05.1970"_s;
        QVERIFY(!one.addContact(born).isEmpty());
        const QDate day = one.today.addDays(5);
        const QString r1 = record(day, u"Kowalski Jan"_s, u"Kraków"_s, u"Spotkanie w sprawie łąki"_s);
        const QString r2 = record(day.addDays(1), {}, {}, u"Dentysta"_s);
        one.setRecords({r1, r2});
        QVERIFY(!two.addContact(named(u"Zieliński Piotr"_s, u"700"_s)).isEmpty());
        const QString r3 = record(day.addDays(2), u"Zieliński Piotr"_s, {}, u"Obiad"_s);
        two.setRecords({r3});

        // First sync both ways.
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.sent, 3);
        QCOMPARE(o.appointments.sent, 2);
        o = two.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.received, 3);
        QCOMPARE(o.contacts.sent, 1);
        o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.received, 1);
        QCOMPARE(o.appointments.received, 1);
        QStringList names = one.names();
        QCOMPARE(names, two.names());
        QCOMPARE(names, (QStringList{u"Kowalski Jan"_s, u"Nowak Anna"_s, u"Zieliński Piotr"_s, u"Żak Zenon"_s}));
        QCOMPARE(one.records(), two.records());
        QCOMPARE(one.records().size(), 3);
        // Notes and photo came along; no birthday went up as an event.
        const Contact jan = two.contact(u"Kowalski Jan"_s);
        QString notes;
        QVERIFY(ContactFile(two.dir.path()).readNotes(jan.ID, &notes, nullptr));
        QCOMPARE(notes, u"Lubi kawę\nDrugi wiersz"_s);
        QByteArray photoThere;
        QVERIFY(TextFile::readBytes(ContactFile(two.dir.path()).photoPath(jan.ID), &photoThere, nullptr, nullptr));
        QCOMPARE(photoThere, photo);
        QCOMPARE(m_raw->members(a.calendarUrl, true).size(), 3);

        // Nothing changed: nothing sent, one look per collection.
        const int before = one.engine.requestsSent();
        o = one.sync(a);
        QVERIFY(o.ok);
        QVERIFY(isZero(o.contacts) && isZero(o.appointments));
        QCOMPARE(one.engine.requestsSent() - before, 2);
        o = two.sync(a);
        QVERIFY(o.ok);
        QVERIFY(isZero(o.contacts) && isZero(o.appointments));

        // Different fields of one contact on each side: both edits everywhere, no conflict.
        one.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.TelKom = u"601"_s;
        });
        two.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.Email = u"jan@example.org"_s;
        });
        // Deletes both ways and a new contact.
        one.removeContact(u"Nowak Anna"_s);
        two.setRecords({r1, r3});
        QVERIFY(!two.addContact(named(u"Wiśniewska Ewa"_s)).isEmpty());
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.contacts.deletedOnServer, 1);
        QVERIFY((o = two.sync(a)).ok);
        QCOMPARE(o.contacts.deletedHere, 1);
        QCOMPARE(o.contacts.conflicts, 0);
        QCOMPARE(o.appointments.deletedOnServer, 1);
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.deletedHere, 1);
        for (Device *d : {&one, &two}) {
            const Contact c = d->contact(u"Kowalski Jan"_s);
            QCOMPARE(c.TelKom, u"601"_s);
            QCOMPARE(c.Email, u"jan@example.org"_s);
            QVERIFY(!d->has(u"Nowak Anna"_s));
            QVERIFY(d->has(u"Wiśniewska Ewa"_s));
            QCOMPARE(d->records(), (QStringList{r1, r3}));
        }
        QVERIFY(one.conflictFiles().isEmpty() && two.conflictFiles().isEmpty());

        // The same field on both sides: the local value stays, the server's card is kept aside.
        one.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.Pseudo = u"Janek"_s;
        });
        two.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.Pseudo = u"Jasio"_s;
        });
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY((o = two.sync(a)).ok);
        QCOMPARE(o.contacts.conflicts, 1);
        QCOMPARE(two.contact(u"Kowalski Jan"_s).Pseudo, u"Jasio"_s);
        const QStringList kept = two.conflictFiles();
        QCOMPARE(kept.size(), 1);
        QByteArray keptText;
        QVERIFY(TextFile::readBytes(two.path(u"konflikty/"_s + kept.first()), &keptText, nullptr, nullptr));
        QVERIFY(keptText.contains("Janek"));
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Pseudo, u"Jasio"_s);

        // An edited appointment travels as a delete and a create.
        const QString r1b = record(day, u"Kowalski Jan"_s, u"Kraków"_s, u"Spotkanie przełożone"_s);
        one.setRecords({r1b, r3});
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY((o = two.sync(a)).ok);
        QCOMPARE(two.records(), (QStringList{r1b, r3}));

        // A deleted contact's identifier is never given again.
        const QString gone = two.contact(u"Wiśniewska Ewa"_s).ID;
        two.removeContact(u"Wiśniewska Ewa"_s);
        QVERIFY((o = two.sync(a)).ok);
        QVERIFY(!two.addContact(named(u"Żółw Tadeusz"_s)).isEmpty());
        QVERIFY(two.contact(u"Żółw Tadeusz"_s).ID != gone);
        ContactFile book(two.dir.path());
        book.setIdentifierReserve(&SyncState::knownIdentifiers);
        QVERIFY(book.load(nullptr));
        QStringList fresh;
        QVERIFY(book.list().newIdentifiers(50, &fresh, nullptr));
        QVERIFY(!fresh.contains(gone));
    }

    void foreignCardKeepsWhatTheBookCannotHold()
    {
        const SyncAccount a = account();
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:telefon-1\r\nFN:Marek Wójcik\r\n"
                                "N:Wójcik;Marek;;;\r\nTEL;TYPE=CELL:+48 600 000 001\r\nTEL;TYPE=HOME:22 000 00 02\r\n"
                                "TEL;TYPE=WORK:22 000 00 03\r\nTEL;TYPE=CELL:600 000 004\r\nTEL:600 000 005\r\n"
                                "BDAY:--0415\r\nCATEGORIES:Rodzina,Praca\r\nX-PHONE-THING:zostaje\r\n"
                                "item1.EMAIL;TYPE=INTERNET:marek@example.org\r\nitem1.X-ABLabel:prywatny\r\n"
                                "END:VCARD\r\n";
        QVERIFY(
            m_raw
                ->send(
                    "PUT", QUrl(a.addressBookUrl).path() + u"telefon-1.vcf"_s, card, {{"Content-Type", "text/vcard"}})
                .status
            < 300);
        Device one;
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(one.contact(u"Wójcik Marek"_s).TelKom, u"+48 600 000 001"_s);
        one.editContact(u"Wójcik Marek"_s, [](Contact &c) {
            c.Nazwa = u"Wójcik Marek Jan"_s;
            c.TelKom = u"+48 600 999 999"_s;
        });
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.contacts.sent, 1);
        const QByteArray now =
            m_raw->members(a.addressBookUrl, false).value(QUrl(a.addressBookUrl).path() + u"telefon-1.vcf"_s);
        for (const char *kept : {"22 000 00 02",
                                 "22 000 00 03",
                                 "600 000 004",
                                 "600 000 005",
                                 "BDAY:--0415",
                                 "CATEGORIES:Rodzina,Praca",
                                 "X-PHONE-THING:zostaje",
                                 "item1.X-ABLabel:prywatny",
                                 "UID:telefon-1",
                                 "marek@example.org"}) {
            QVERIFY2(now.toLower().contains(QByteArray(kept).toLower()), kept); // the server may change the case
        }
        QVERIFY(now.contains("+48 600 999 999"));
        QVERIFY(!now.contains("+48 600 000 001"));
        QVERIFY(now.contains("Marek Jan"));
    }

    void changedMeanwhileIsMerged()
    {
        const SyncAccount a = account();
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s, u"600"_s)).isEmpty());
        SyncOutcome o = one.sync(a);
        QVERIFY(o.ok);
        one.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.TelDom = u"22 111"_s;
        });
        // Between the listing and the write, a phone changes the title on the server (412 follows).
        bool changed = false;
        one.engine.stageHook = [&](const QString &stage, bool calendar) {
            if (stage == u"wysylanie" && !calendar && !changed) {
                changed = true;
                const auto members = m_raw->members(a.addressBookUrl, false);
                QCOMPARE(members.size(), 1);
                QByteArray text = members.first();
                text.replace("END:VCARD", "TITLE:Kierownik\r\nEND:VCARD");
                QVERIFY(m_raw->send("PUT", members.firstKey(), text, {{"Content-Type", "text/vcard"}}).status < 300);
            }
        };
        o = one.sync(a);
        one.engine.stageHook = nullptr;
        QVERIFY2(o.ok, qPrintable(o.error));
        QVERIFY(changed);
        QCOMPARE(o.contacts.conflicts, 0);
        const QByteArray now = m_raw->members(a.addressBookUrl, false).first();
        QVERIFY(now.contains("TITLE:Kierownik"));
        QVERIFY(now.contains("22 111"));
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Tytul, u"Kierownik"_s);
    }

    void staleSyncTokenFallsBackToETags()
    {
        const SyncAccount a = account();
        Device one;
        Device two;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s)).isEmpty());
        QVERIFY(one.sync(a).ok);
        QVERIFY(two.sync(a).ok);
        two.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.Email = u"j@example.org"_s;
        });
        QVERIFY(!two.addContact(named(u"Nowak Ewa"_s)).isEmpty());
        QVERIFY(two.sync(a).ok);
        // A token the server no longer knows answers 403 valid-sync-token.
        SyncState state;
        QVERIFY(state.load(one.dir.path(), nullptr));
        QVERIFY(!state.contacts.syncToken.isEmpty());
        state.contacts.syncToken = u"http://radicale.org/ns/sync/"_s + QString(64, u'0');
        state.contacts.ctag.clear();
        QVERIFY(state.save(one.dir.path(), nullptr));
        const SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.received, 2);
        QCOMPARE(o.contacts.sent, 0);
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Email, u"j@example.org"_s);
        QCOMPARE(one.names(), two.names());
    }

    void sameUidElsewhereIsLinked()
    {
        const SyncAccount a = account();
        Device one;
        const QString id = one.addContact(named(u"Kowalski Jan"_s, u"600"_s));
        const QString uid = SyncState::exportUids(one.dir.path(), {id}).value(id);
        QVERIFY(!uid.isEmpty());
        // Another client puts this contact's card on the server under its own name while the sync
        // runs: the create is refused with 409 no-uid-conflict.
        bool put = false;
        one.engine.stageHook = [&](const QString &stage, bool calendar) {
            if (stage == u"wysylanie" && !calendar && !put) {
                put = true;
                const QByteArray card =
                    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid.toUtf8()
                    + "\r\nFN:Jan Kowalski\r\nN:Kowalski;Jan;;;\r\nTEL;TYPE=CELL:600\r\nEND:VCARD\r\n";
                QVERIFY(m_raw
                            ->send("PUT",
                                   QUrl(a.addressBookUrl).path() + u"inny.vcf"_s,
                                   card,
                                   {{"Content-Type", "text/vcard"}})
                            .status
                        < 300);
            }
        };
        SyncOutcome o = one.sync(a);
        one.engine.stageHook = nullptr;
        QVERIFY2(o.ok, qPrintable(o.error));
        QVERIFY(put);
        const auto members = m_raw->members(a.addressBookUrl, false);
        QCOMPARE(members.size(), 1);
        QVERIFY(members.firstKey().endsWith(u"inny.vcf"));
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
        QCOMPARE(one.contacts().size(), 1);
    }

    void tooLargeCardGoesWithSmallerPhoto()
    {
        const SyncAccount a = account();
        QString error;
        m_server.stop();
        QVERIFY2(m_server.start(&error, u"max_content_length = 60000"_s), qPrintable(error));
        Device one;
        const QByteArray photo = pictureOf("JPEG", 2400, 1800);
        QVERIFY(photo.size() * 4 / 3 > 60000);
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s), {}, photo).isEmpty());
        SyncOutcome o = one.sync(a);
        m_server.stop();
        QVERIFY2(m_server.start(&error), qPrintable(error));
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.sent, 1);
        QList<ExchangeContact> read;
        QVERIFY(VCard::read(m_raw->members(a.addressBookUrl, false).first(), &read, nullptr));
        QImage small;
        QVERIFY(PhotoCodec::decodeJpeg(read.first().photo, QSize(4000, 4000), &small, nullptr));
        QCOMPARE(std::max(small.width(), small.height()), 512);
        QByteArray here;
        QVERIFY(TextFile::readBytes(
            ContactFile(one.dir.path()).photoPath(one.contacts().first().ID), &here, nullptr, nullptr));
        QCOMPARE(here, photo);
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
        // Another field changed later still leaves the photo alone here.
        one.editContact(u"Kowalski Jan"_s, [](Contact &c) {
            c.TelKom = u"600"_s;
        });
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.contacts.sent, 1);
        QVERIFY(TextFile::readBytes(
            ContactFile(one.dir.path()).photoPath(one.contacts().first().ID), &here, nullptr, nullptr));
        QCOMPARE(here, photo);
    }

    // A photo added here to a phone's card is never lost because the server's copy came back without
    // it: Radicale cuts a data: URI in a vCard 4.0, and a phone may write its card without the photo.
    // A photo the phone removed from a card it had whole goes here too.
    void photoAddedHere_survivesServerCopy_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("phoneRewrites"); // the phone's own card, not the server's copy
        QTest::addColumn<QString>("warning");
        QTest::newRow("4.0, the phone edits the server's copy") << 4 << false << u"uszkadza zdjęcia"_s;
        QTest::newRow("4.0, the phone writes its own card") << 4 << true << u"bez zdjęcia"_s;
        QTest::newRow("3.0, kept whole; removed on the phone later") << 3 << false << QString();
    }
    void photoAddedHere_survivesServerCopy()
    {
        QFETCH(int, version);
        QFETCH(bool, phoneRewrites);
        QFETCH(QString, warning);
        const SyncAccount a = account();
        const QString href = QUrl(a.addressBookUrl).path() + u"telefon-7.vcf"_s;
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:" + QByteArray(version == 4 ? "4.0" : "3.0")
                                + "\r\nUID:telefon-7\r\nFN:Ewa Nowak\r\nN:Nowak;Ewa;;;\r\nTEL:600 000 001\r\n"
                                  "END:VCARD\r\n";
        const auto phonePut = [&](const QByteArray &text) {
            return m_raw->send("PUT", href, text, {{"Content-Type", "text/vcard"}}).status;
        };
        QVERIFY(phonePut(card) < 300);
        Device one;
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok && o.contacts.received == 1, qPrintable(o.error));
        const QString id = one.contact(u"Nowak Ewa"_s).ID;
        const QString photoPath = ContactFile(one.dir.path()).photoPath(id);
        const QByteArray photo = pictureOf("JPEG", 40, 30);
        QVERIFY(QDir(one.dir.path()).mkpath(u"foto"_s));
        QVERIFY(TextFile::writeAtomically(photoPath, photo, nullptr));
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.contacts.sent, 1);

        // The phone changes the number.
        QByteArray edited = phoneRewrites ? card : m_raw->members(a.addressBookUrl, false).value(href);
        QVERIFY(edited.replace("600 000 001", "600 000 002").contains("600 000 002"));
        QVERIFY(phonePut(edited) < 300);
        o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(one.contact(u"Nowak Ewa"_s).TelDom + one.contact(u"Nowak Ewa"_s).TelKom, u"600 000 002"_s);
        QByteArray here;
        QVERIFY(TextFile::readBytes(photoPath, &here, nullptr, nullptr));
        QCOMPARE(here, photo);
        const QString warned = o.warnings.join(u'\n');
        QVERIFY2(warning.isEmpty() ? warned.isEmpty() : warned.contains(warning), qPrintable(warned));
        // Sent back, in a form the server keeps whole (Radicale: base64 in a 4.0 card too) once a
        // cut photo showed what it does.
        const QByteArray there = m_raw->members(a.addressBookUrl, false).value(href);
        QList<ExchangeContact> read;
        QVERIFY(VCard::read(there, &read, nullptr) && !read.isEmpty());
        QCOMPARE(read.first().photo, phoneRewrites ? QByteArray() : photo);
        QVERIFY(there.contains("600 000 002"));
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY2(isZero(o.contacts) && o.warnings.isEmpty(), qPrintable(o.warnings.join(u'\n')));

        if (version == 3) { // the phone had the photo whole: its removal counts
            QByteArray removed;
            for (const QByteArray &line : m_raw->members(a.addressBookUrl, false).value(href).split('\n')) {
                if (!line.startsWith("PHOTO") && !line.startsWith(' ')) {
                    removed += line + '\n';
                }
            }
            QVERIFY(phonePut(removed) < 300);
            QVERIFY((o = one.sync(a)).ok);
            QCOMPARE(o.contacts.received, 1);
            QVERIFY(!QFileInfo::exists(photoPath));
        }
    }

    void killedServerThenCompleteSync()
    {
        const SyncAccount a = account();
        Device one;
        const int count = 120;
        ContactFile book(one.dir.path());
        QVERIFY(book.load(nullptr));
        QList<QByteArray> lines;
        for (int i = 0; i < count; ++i) {
            Contact c = named(u"Osoba %1"_s.arg(i, 3, 10, QChar(u'0')), u"600%1"_s.arg(i));
            c.ID = QString::number(10000 + i);
            lines.append(c.toLine());
        }
        QVERIFY(book.addSorted(lines, nullptr));
        const QByteArray dataBefore = [&] {
            QByteArray b;
            (void)TextFile::readBytes(one.path(u"Morwinek.data"_s), &b, nullptr, nullptr);
            return b;
        }();
        bool killed = false;
        QObject::connect(&one.engine, &SyncEngine::progress, [&](int done, int) {
            if (done >= 30 && !killed) {
                killed = true;
                m_server.kill();
            }
        });
        SyncOutcome o = one.sync(a);
        QVERIFY(killed);
        QVERIFY(!o.ok);
        QVERIFY(!o.error.isEmpty());
        QByteArray dataAfter;
        QVERIFY(TextFile::readBytes(one.path(u"Morwinek.data"_s), &dataAfter, nullptr, nullptr));
        QCOMPARE(dataAfter, dataBefore);
        SyncState state;
        QVERIFY(state.load(one.dir.path(), nullptr));
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        QVERIFY2((o = one.sync(a)).ok, qPrintable(o.error));
        QVERIFY(o.contacts.sent < count);
        QCOMPARE(m_raw->members(a.addressBookUrl, false).size(), count);
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
        Device two;
        QVERIFY((o = two.sync(a)).ok);
        QCOMPARE(two.contacts().size(), count);
    }

    void eventsFromElsewhere()
    {
        const SyncAccount a = account();
        const QString path = QUrl(a.calendarUrl).path();
        const QDate day = QDate::currentDate().addDays(3);
        const auto put = [&](const QString &name, const QByteArray &event) {
            const QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//PL\r\nBEGIN:VEVENT\r\n" + event
                                    + "DTSTAMP:20260101T000000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
            QVERIFY(m_raw->send("PUT", path + name, text, {{"Content-Type", "text/calendar"}}).status < 300);
        };
        put(u"a.ics"_s,
            "UID:a\r\nDTSTART;VALUE=DATE:" + day.toString(u"yyyyMMdd"_s).toLatin1() + "\r\nSUMMARY:Urlop\r\n");
        const QDateTime evening(day, QTime(23, 30), Qt::UTC);
        put(u"b.ics"_s,
            "UID:b\r\nDTSTART:" + evening.toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1()
                + "\r\nSUMMARY:Pociąg\r\nLOCATION:Dworzec\r\n");
        put(u"c.ics"_s,
            "UID:c\r\nDTSTART;VALUE=DATE:" + day.toString(u"yyyyMMdd"_s).toLatin1()
                + "\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Basen\r\n");
        Device one;
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.appointments.received, 2);
        QCOMPARE(o.appointments.skipped, 1);
        QCOMPARE(one.records(),
                 (QStringList{record(day, {}, {}, u"Urlop"_s),
                              record(evening.toLocalTime().date(), {}, u"Dworzec"_s, u"Pociąg"_s)}));
        // Dropped here as old (as the appointments window drops it): stays on the server.
        Device later;
        QVERIFY((o = later.sync(a)).ok);
        QCOMPARE(later.records().size(), 2);
        later.engine.setToday(day.addDays(10));
        later.setRecords({});
        QVERIFY((o = later.sync(a)).ok);
        QCOMPARE(o.appointments.deletedOnServer, 0);
        QCOMPARE(m_raw->members(a.calendarUrl, true).size(), 3);
        // Deleted here by the user (within the range): gone on the server too.
        one.setRecords({record(day, {}, {}, u"Urlop"_s)});
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.deletedOnServer, 1);
        QCOMPARE(m_raw->members(a.calendarUrl, true).size(), 2);
    }

    void exportCarriesTheSyncedUids()
    {
        const SyncAccount a = account();
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s)).isEmpty());
        const auto exported = [&one] {
            ContactFile book(one.dir.path());
            QByteArray bytes;
            if (book.load(nullptr)
                && ContactExchange::exportTo(ContactExchange::Format::VCard,
                                             book,
                                             one.path(u"a.vcf"_s),
                                             QDateTime::currentDateTime(),
                                             nullptr,
                                             {},
                                             nullptr,
                                             &SyncState::exportUids)) {
                (void)TextFile::readBytes(one.path(u"a.vcf"_s), &bytes, nullptr, nullptr);
            }
            QList<ExchangeContact> read;
            (void)VCard::read(bytes, &read, nullptr);
            QStringList uids;
            for (const ExchangeContact &c : read) {
                uids.append(c.uid);
            }
            uids.sort();
            return uids;
        };
        const QStringList before = exported(); // exported before any sync
        QCOMPARE(before.size(), 1);
        QVERIFY(!before.first().isEmpty());
        QVERIFY(m_raw
                    ->send("PUT",
                           QUrl(a.addressBookUrl).path() + u"z-telefonu.vcf"_s,
                           "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:z-telefonu-1\r\nFN:Ewa Nowak\r\nN:Nowak;Ewa;;;\r\n"
                           "END:VCARD\r\n",
                           {{"Content-Type", "text/vcard"}})
                    .status
                < 300);
        QVERIFY(one.sync(a).ok);
        QStringList onServer;
        for (const QByteArray &card : m_raw->members(a.addressBookUrl, false)) {
            QList<ExchangeContact> read;
            QVERIFY(VCard::read(card, &read, nullptr));
            onServer.append(read.first().uid);
        }
        onServer.sort();
        QCOMPARE(exported(), onServer);
        QVERIFY(onServer.contains(before.first()));
        QVERIFY(onServer.contains(u"z-telefonu-1"_s));
    }

    // "Nowy" stores a contact under a placeholder name until the user types one: it stays here,
    // unsent, and travels once named.
    void unnamedNewContactWaits()
    {
        const SyncAccount a = account();
        Device one;
        const QString placeholder = QChar(0x02D9) + u"Wprowadź nazwisko"_s + QChar(0x02D9);
        QVERIFY(!one.addContact(named(placeholder)).isEmpty());
        QVERIFY(!one.addContact(named(u"Nowak Anna"_s)).isEmpty());
        const SyncOutcome first = one.sync(a);
        QVERIFY2(first.ok, qPrintable(first.error));
        QCOMPARE(first.contacts.sent, 1);
        QCOMPARE(first.contacts.deletedHere, 0);
        QCOMPARE(m_raw->members(a.addressBookUrl, false).size(), 1);
        QVERIFY(one.has(placeholder));
        one.editContact(placeholder, [](Contact &c) {
            c.Nazwa = u"Wiśniewski Piotr"_s;
        });
        const SyncOutcome afterNaming = one.sync(a);
        QVERIFY2(afterNaming.ok, qPrintable(afterNaming.error));
        QCOMPARE(afterNaming.contacts.sent, 1);
        QCOMPARE(m_raw->members(a.addressBookUrl, false).size(), 2);
    }

    void wrongPassword()
    {
        SyncAccount a = account();
        a.password = u"zle"_s;
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s)).isEmpty());
        const SyncOutcome o = one.sync(a);
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(u"hasła"), qPrintable(o.error));
        QVERIFY(!QFileInfo::exists(one.path(u"konflikty"_s)));
    }

    // A server that answers nonsense, or nothing at all.
    void badServers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("says");
        QTest::newRow("garbled multistatus")
            << QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\n"
                          "Content-Length: 14\r\nConnection: close\r\n\r\n<html><b>x</i>")
            << u"nie można odczytać"_s;
        QTest::newRow("silent") << QByteArray() << u"nie odpowiedział"_s;
    }
    void badServers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, says);
        QTcpServer fake;
        QVERIFY(fake.listen(QHostAddress::LocalHost, 0));
        QList<QTcpSocket *> sockets;
        QObject::connect(&fake, &QTcpServer::newConnection, [&] {
            QTcpSocket *socket = fake.nextPendingConnection();
            sockets.append(socket);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer] {
                socket->readAll();
                if (!answer.isEmpty()) {
                    socket->write(answer);
                    socket->disconnectFromHost();
                }
            });
        });
        SyncAccount a;
        a.address = u"http://127.0.0.1:%1/"_s.arg(fake.serverPort());
        a.user = u"anna"_s;
        a.password = u"x"_s;
        a.addressBookUrl = a.address + u"k/"_s;
        a.calendarUrl = a.address + u"t/"_s;
        Device one;
        one.engine.setTimeout(1000);
        const SyncOutcome o = one.sync(a);
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(says), qPrintable(o.error));
        QVERIFY(!QFileInfo::exists(one.path(u"Morwinek.data"_s)));
    }

    // A certificate no system trusts stops the sync with its reason and touches nothing here; once the
    // certificate is trusted, the same server syncs over https.
    void certificates()
    {
        RadicaleServer secure;
        QString error;
        QVERIFY2(secure.startTls(&error), qPrintable(error));
        QVERIFY(secure.url().startsWith(u"https://"_s));
        SyncAccount a;
        a.address = secure.url();
        a.user = QString::fromLatin1(RadicaleServer::user);
        a.password = QString::fromLatin1(RadicaleServer::password);
        a.addressBookUrl = secure.url() + u"anna/k/"_s;
        a.calendarUrl = secure.url() + u"anna/t/"_s;
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s)).isEmpty());
        const auto dataFile = [&one] {
            QFile file(one.path(u"Morwinek.data"_s));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = dataFile();
        const SyncOutcome refused = one.sync(a);
        QVERIFY(!refused.ok);
        QVERIFY2(refused.error.startsWith(u"Nie można bezpiecznie połączyć się z serwerem 127.0.0.1: "_s),
                 qPrintable(refused.error));
        QVERIFY2(refused.error.contains(u"self"_s, Qt::CaseInsensitive), qPrintable(refused.error));
        QCOMPARE(dataFile(), before);
        QVERIFY(!QFileInfo::exists(one.path(u"konflikty"_s)));

        const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
        const auto restore = qScopeGuard([&system] {
            QSslConfiguration::setDefaultConfiguration(system);
        });
        QSslConfiguration trusting = system;
        QVERIFY(trusting.addCaCertificates(secure.certificatePath()));
        QSslConfiguration::setDefaultConfiguration(trusting);
        QSignalSpy found(&one.engine, &SyncEngine::discovered);
        a.createMissing = true;
        one.engine.discover(a);
        QVERIFY(found.wait(30000));
        QCOMPARE(found.first().at(1).toString(), QString());
        for (const DavCollection &c : found.first().first().value<QList<DavCollection>>()) {
            QVERIFY2(c.url.startsWith(u"https://127.0.0.1:"_s), qPrintable(c.url));
            (c.kind == DavCollection::AddressBook ? a.addressBookUrl : a.calendarUrl) = c.url;
        }
        const SyncOutcome synced = one.sync(a);
        QVERIFY2(synced.ok, qPrintable(synced.error));
        QCOMPARE(synced.contacts.sent, 1);
    }

    // A password beyond ASCII goes out as UTF-8; a server without authentication needs no name.
    void accounts_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("UTF-8 password") << QString::fromLatin1(RadicaleServer::user) << u"tajne hasło"_s;
        QTest::newRow("no authentication, no name") << QString() << QString();
    }
    void accounts()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        RadicaleServer server;
        server.setPassword(password.toUtf8());
        server.setAuthentication(!user.isEmpty());
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        SyncAccount a;
        a.address = server.url();
        a.user = user;
        a.password = password;
        Device one;
        if (user.isEmpty()) {
            // Nobody's principal to find: the collections are named as they are.
            std::tie(a.addressBookUrl, a.calendarUrl) = RawDav(server.url()).makeCollections(u"bez"_s);
        } else {
            QSignalSpy found(&one.engine, &SyncEngine::discovered);
            a.createMissing = true;
            one.engine.discover(a);
            QVERIFY(found.wait(30000));
            QCOMPARE(found.first().at(1).toString(), QString());
            for (const DavCollection &c : found.first().first().value<QList<DavCollection>>()) {
                (c.kind == DavCollection::AddressBook ? a.addressBookUrl : a.calendarUrl) = c.url;
            }
        }
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s)).isEmpty());
        const SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.sent, 1);
    }

    void plainHttpOnlyToLoopback()
    {
        SyncAccount a = account();
        a.addressBookUrl.replace(u"127.0.0.1"_s, u"example.org"_s);
        Device one;
        const SyncOutcome o = one.sync(a);
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(u"http"), qPrintable(o.error));
    }
};

QTEST_GUILESS_MAIN(tst_DavSync)
#include "tst_davsync.moc"
