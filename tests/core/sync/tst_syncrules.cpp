// The sync's decisions, merge, card patching, events and state file, without a server.
#include "support/Pictures.h"

#include "core/appointments/AppointmentTimes.h"
#include "core/common/DateText.h"
#include "core/exchange/ContentLines.h"
#include "core/exchange/ICalendar.h"
#include "core/exchange/VCard.h"
#include "core/sync/CardText.h"
#include "core/sync/SyncState.h"
#include "core/sync/plan/SyncRules.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

using namespace Qt::StringLiterals;
using SyncRules::Action;

Q_DECLARE_METATYPE(SyncRules::Action)

namespace {

ExchangeContact person(const QString &mobile, const QString &email = {}, const QString &notes = {})
{
    ExchangeContact c;
    c.contact.Nazwa = u"Kowalski Jan"_s;
    c.contact.TelKom = mobile;
    c.contact.Email = email;
    c.notes = notes;
    return c;
}

ExchangeContact readBack(const QByteArray &card)
{
    ExchangeContact c;
    if (!SyncRules::readCard(card, &c, nullptr)) {
        qWarning("card not readable");
    }
    return c;
}

const QByteArray phoneCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:abc-1\r\nFN:Jan Kowalski\r\nN:Kowalski;Jan;;;\r\n"
    "TEL;TYPE=CELL:600 100 200\r\nTEL;TYPE=HOME:22 100 20 30\r\nTEL;TYPE=CELL:700 000 000\r\n"
    "TEL:800 000 000\r\nEMAIL:jan@example.org\r\nCATEGORIES:Rodzina\r\nBDAY:--0704\r\n"
    "NOTE:Pierwsza linia dłuższej notatki\\, która nie mieści się w jednym wierszu pliku i \r\n"
    " jest złożona\r\nEND:VCARD\r\n";

// The card at index of a file of tests/data/vcard, as the phone wrote it.
QByteArray phoneFileCard(const char *file, int index)
{
    QFile in(QStringLiteral(TEST_DATA_DIR "/vcard/") + QLatin1String(file));
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray all = in.readAll();
    qsizetype start = -1;
    for (int i = 0; i <= index; ++i) {
        start = all.indexOf("BEGIN:VCARD", start + 1);
    }
    const qsizetype end = all.indexOf('\n', all.indexOf("END:VCARD", start)) + 1;
    return start < 0 || end <= 0 ? QByteArray() : all.mid(start, end - start);
}

const QDateTime patchTime(QDate(2026, 12, 8), QTime(8, 15, 30), Qt::UTC);

} // namespace

class tst_SyncRules : public QObject
{
    Q_OBJECT

private slots:
    void decide_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<bool>("localExists");
        QTest::addColumn<bool>("localChanged");
        QTest::addColumn<bool>("remoteExists");
        QTest::addColumn<bool>("remoteChanged");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<Action>("expected");
        QTest::newRow("new here") << false << true << false << false << false << true << Action::Upload;
        QTest::newRow("new on the server") << false << false << false << true << true << true << Action::Download;
        QTest::newRow("met on both sides") << false << true << false << true << true << true << Action::Merge;
        QTest::newRow("unchanged") << true << true << false << true << false << true << Action::Nothing;
        QTest::newRow("changed here") << true << true << true << true << false << true << Action::Upload;
        QTest::newRow("changed there") << true << true << false << true << true << true << Action::Download;
        QTest::newRow("changed on both sides") << true << true << true << true << true << true << Action::Merge;
        QTest::newRow("deleted here, unchanged there")
            << true << false << false << true << false << true << Action::DeleteRemote;
        QTest::newRow("deleted here, changed there: the change wins")
            << true << false << false << true << true << true << Action::Download;
        QTest::newRow("deleted there, unchanged here")
            << true << true << false << false << false << true << Action::DeleteLocal;
        QTest::newRow("deleted there, changed here: the change wins")
            << true << true << true << false << false << true << Action::Upload;
        QTest::newRow("deleted on both sides") << true << false << false << false << false << true << Action::Forget;
        QTest::newRow("sent, never confirmed, not there")
            << true << true << false << false << false << false << Action::Upload;
    }
    void decide()
    {
        QFETCH(bool, known);
        QFETCH(bool, localExists);
        QFETCH(bool, localChanged);
        QFETCH(bool, remoteExists);
        QFETCH(bool, remoteChanged);
        QFETCH(bool, confirmed);
        QFETCH(Action, expected);
        QCOMPARE(SyncRules::decide({known, localExists, localChanged, remoteExists, remoteChanged, confirmed}),
                 expected);
    }

    void merge_data()
    {
        QTest::addColumn<bool>("hasBase");
        QTest::addColumn<QStringList>("base"); // mobile, e-mail, notes
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<QStringList>("remote");
        QTest::addColumn<QStringList>("merged");
        QTest::addColumn<QStringList>("conflicts");
        const QStringList none;
        QTest::newRow("changed here only") << true << QStringList{"1", "a", ""} << QStringList{"2", "a", ""}
                                           << QStringList{"1", "a", ""} << QStringList{"2", "a", ""} << none;
        QTest::newRow("changed there only") << true << QStringList{"1", "a", ""} << QStringList{"1", "a", ""}
                                            << QStringList{"3", "a", ""} << QStringList{"3", "a", ""} << none;
        QTest::newRow("the same change on both sides")
            << true << QStringList{"1", "a", ""} << QStringList{"2", "a", ""} << QStringList{"2", "a", ""}
            << QStringList{"2", "a", ""} << none;
        QTest::newRow("different fields on each side")
            << true << QStringList{"1", "a", "n"} << QStringList{"2", "a", "n"} << QStringList{"1", "b", "m"}
            << QStringList{"2", "b", "m"} << none;
        QTest::newRow("one field both ways: local stays")
            << true << QStringList{"1", "a", ""} << QStringList{"2", "a", ""} << QStringList{"3", "b", ""}
            << QStringList{"2", "b", ""} << QStringList{"TelKom"};
        QTest::newRow("notes both ways") << true << QStringList{"1", "a", "x"} << QStringList{"1", "a", "y"}
                                         << QStringList{"1", "a", "z"} << QStringList{"1", "a", "y"}
                                         << QStringList{"notes"};
        QTest::newRow("no base: every difference is both ways")
            << false << QStringList{} << QStringList{"2", "a", ""} << QStringList{"3", "a", ""}
            << QStringList{"2", "a", ""} << QStringList{"TelKom"};
        QTest::newRow("no base: a value missing on one side is filled")
            << false << QStringList{} << QStringList{"", "a", ""} << QStringList{"3", "", "n"}
            << QStringList{"3", "a", "n"} << none;
        QTest::newRow("no base: one number written two ways is the server's")
            << false << QStringList{} << QStringList{"600 100 200", "A@x.pl", ""}
            << QStringList{"+48 600-100-200", "a@x.pl", ""} << QStringList{"+48 600-100-200", "a@x.pl", ""} << none;
        QTest::newRow("no base, equal") << false << QStringList{} << QStringList{"2", "a", ""}
                                        << QStringList{"2", "a", ""} << QStringList{"2", "a", ""} << none;
    }
    void merge()
    {
        QFETCH(bool, hasBase);
        QFETCH(QStringList, base);
        QFETCH(QStringList, local);
        QFETCH(QStringList, remote);
        QFETCH(QStringList, merged);
        QFETCH(QStringList, conflicts);
        const auto make = [](const QStringList &v) {
            return person(v.value(0), v.value(1), v.value(2));
        };
        const ExchangeContact b = make(base);
        const SyncRules::MergeResult r = SyncRules::merge(hasBase ? &b : nullptr, make(local), make(remote));
        QCOMPARE(r.merged.contact.TelKom, merged[0]);
        QCOMPARE(r.merged.contact.Email, merged[1]);
        QCOMPARE(r.merged.notes, merged[2]);
        QCOMPARE(r.conflicts, conflicts);
    }

    // Two copies met with no common base: the newer by REV where both have one, else the server's.
    void keptWithoutBase_data()
    {
        QTest::addColumn<QByteArray>("serverCard"); // its REV line
        QTest::addColumn<QString>("here");          // this side's time of change, ISO; empty: none
        QTest::addColumn<bool>("serverKept");
        QTest::newRow("here newer") << QByteArray("REV:20261201T100000Z") << u"2026-12-01T10:00:01Z"_s << false;
        QTest::newRow("server newer") << QByteArray("REV:20261201T100000Z") << u"2026-12-01T09:59:59Z"_s << true;
        QTest::newRow("same time") << QByteArray("REV:20261201T100000Z") << u"2026-12-01T10:00:00Z"_s << true;
        QTest::newRow("extended form") << QByteArray("REV:2026-12-01T10:00:00Z") << u"2026-12-02T00:00:00Z"_s << false;
        QTest::newRow("a day alone") << QByteArray("REV:20261201") << u"2026-11-30T23:00:00Z"_s << true;
        QTest::newRow("none here") << QByteArray("REV:20261201T100000Z") << QString() << true;
        QTest::newRow("none there") << QByteArray() << u"2026-12-01T10:00:00Z"_s << true;
        QTest::newRow("unreadable there") << QByteArray("REV:wczoraj") << u"2026-12-01T10:00:00Z"_s << true;
    }
    void keptWithoutBase()
    {
        QFETCH(QByteArray, serverCard);
        QFETCH(QString, here);
        QFETCH(bool, serverKept);
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jan\r\n"
                                + (serverCard.isEmpty() ? QByteArray() : serverCard + "\r\n") + "END:VCARD\r\n";
        const QDateTime hereTime = here.isEmpty() ? QDateTime() : QDateTime::fromString(here, Qt::ISODate);
        QCOMPARE(SyncRules::keptWithoutBase(hereTime, SyncRules::cardRevision(card)) == SyncRules::Side::Server,
                 serverKept);

        // The side kept gives its value; the other is named as the conflict either way.
        const SyncRules::Side side = serverKept ? SyncRules::Side::Server : SyncRules::Side::Here;
        const SyncRules::MergeResult r =
            SyncRules::merge(nullptr, person(u"600 100 200"_s, u"a@x.pl"_s), person(u"700"_s), side);
        QCOMPARE(r.merged.contact.TelKom, serverKept ? u"700"_s : u"600 100 200"_s);
        QCOMPARE(r.merged.contact.Email, u"a@x.pl"_s); // missing there: filled, no conflict
        QCOMPARE(r.conflicts, QStringList{u"TelKom"_s});
    }

    void mergeTakesTheServersNewPhoto()
    {
        ExchangeContact base = person(u"1"_s);
        base.photo = "\xFF\xD8\xFF old";
        ExchangeContact remote = base;
        remote.photo = "\xFF\xD8\xFF new";
        const SyncRules::MergeResult r = SyncRules::merge(&base, base, remote);
        QCOMPARE(r.merged.photo, remote.photo);
        QVERIFY(r.conflicts.isEmpty());
    }

    void patchCard_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QList<QByteArray>>("present");
        QTest::addColumn<QList<QByteArray>>("absent");
        const QList<QByteArray> others{"TEL;TYPE=HOME:22 100 20 30",
                                       "TEL;TYPE=CELL:700 000 000",
                                       "TEL:800 000 000",
                                       "CATEGORIES:Rodzina",
                                       "BDAY:--0704",
                                       "UID:abc-1"};
        QTest::newRow("mobile") << u"TelKom"_s << u"601 999 999"_s << (others + QList<QByteArray>{"601 999 999"})
                                << QList<QByteArray>{"600 100 200"};
        QTest::newRow("name") << u"Nazwa"_s << u"Kowalski Janusz"_s
                              << (others + QList<QByteArray>{"N:Kowalski;Janusz", "FN:Janusz Kowalski"})
                              << QList<QByteArray>{"FN:Jan Kowalski", "N:Kowalski;Jan;"};
        QTest::newRow("e-mail cleared") << u"Email"_s << QString() << others << QList<QByteArray>{"jan@example.org"};
        QTest::newRow("job title added") << u"Tytul"_s << u"Szef"_s << (others + QList<QByteArray>{"TITLE:Szef"})
                                         << QList<QByteArray>{};
        QTest::newRow("notes") << u"notes"_s << u"Nowa"_s << (others + QList<QByteArray>{"NOTE:Nowa"})
                               << QList<QByteArray>{"dłuższej"};
    }
    void patchCard()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QList<QByteArray>, present);
        QFETCH(QList<QByteArray>, absent);
        ExchangeContact local = readBack(phoneCard);
        SyncRules::setFieldValue(local, field, value);
        const QByteArray patched = SyncRules::patchCard(phoneCard, local, u"ignored"_s, patchTime);
        for (const QByteArray &line : present) {
            QVERIFY2(patched.contains(line), line.constData());
        }
        for (const QByteArray &line : absent) {
            QVERIFY2(!patched.contains(line), line.constData());
        }
        QCOMPARE(SyncRules::fieldValue(readBack(patched), field), value);
        QCOMPARE(patched.count("BEGIN:VCARD"), 1);
        QCOMPARE(patched.count("END:VCARD"), 1);
    }

    void patchCardUnchangedIsByteForByte()
    {
        QCOMPARE(SyncRules::patchCard(phoneCard, readBack(phoneCard), u"x"_s, patchTime), phoneCard);
    }

    void patchCardWithoutServerTextIsANewCardWithItsUid()
    {
        const QByteArray card = SyncRules::patchCard({}, person(u"600"_s), u"morwinek-1-10000"_s, patchTime);
        QList<ExchangeContact> read;
        QVERIFY(VCard::read(card, &read, nullptr));
        QCOMPARE(read.size(), 1);
        QCOMPARE(read.first().uid, u"morwinek-1-10000"_s);
        QCOMPARE(read.first().contact.TelKom, u"600"_s);
    }

    // Each row edits one field of a card as a phone wrote it: the new value stands where the old
    // one stood, under the same group, name and parameters, and every other line stays as it was.
    void patchCard_replacesTheLineThatFedTheField_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");     // in the patched card
        QTest::addColumn<QByteArray>("replaced"); // the old lines hold this, and only they go
        const QByteArray iphone = phoneFileCard("iphone.vcf", 0);
        const QByteArray android = phoneFileCard("android-davx5.vcf", 0);
        const QByteArray thunderbird = phoneFileCard("thunderbird.vcf", 0);
        QTest::newRow("iPhone: labelled work number keeps its group")
            << iphone << u"TelSlu"_s << u"42 630 99 99"_s << QByteArray("\r\nitem2.TEL:42 630 99 99\r\n")
            << QByteArray("42 630 12 34");
        QTest::newRow("iPhone: home number keeps both types")
            << iphone << u"TelDom"_s << u"42 611 00 00"_s << QByteArray("\r\nTEL;type=HOME;type=VOICE:42 611 00 00\r\n")
            << QByteArray("42 611 22 33");
        QTest::newRow("iPhone: an emptied number takes its label along")
            << iphone << u"TelSlu"_s << QString() << QByteArray("\r\nTEL;type=HOME;type=VOICE:42 611 22 33\r\n")
            << QByteArray("item2.");
        QTest::newRow("iPhone: address keeps its country and label group")
            << iphone << u"DomUlica"_s << u"ul. Piotrkowska 200"_s
            << QByteArray("\r\nitem4.ADR;type=HOME;type=pref:;;ul. Piotrkowska 200;Łódź;;90-006;Polska\r\n")
            << QByteArray("Piotrkowska 104");
        QTest::newRow("Android: the work e-mail stays typed")
            << android << u"Email"_s << u"tomasz@firma.pl"_s << QByteArray("\r\nEMAIL;TYPE=work:tomasz@firma.pl\r\n")
            << QByteArray("t.wisniewski@example.com");
        QTest::newRow("Android: the year-less birthday as read")
            << android << u"Urodziny"_s << u"13.04"_s << QByteArray("\r\nBDAY:--0413\r\n") << QByteArray("--0412");
        QTest::newRow("Android: the year-less birthday as an earlier version kept it")
            << android << u"Urodziny"_s << u"13.04.1604"_s << QByteArray("\r\nBDAY:--0413\r\n") << QByteArray("--0412");
        QTest::newRow("Thunderbird: a text number keeps VALUE=TEXT")
            << thunderbird << u"TelKom"_s << u"+48 604 000 000"_s
            << QByteArray("\r\nTEL;TYPE=cell;VALUE=TEXT:+48 604 000 000\r\n") << QByteArray("604 555 666");
        QTest::newRow("Thunderbird: a card named by FN alone stays so")
            << phoneFileCard("thunderbird.vcf", 1) << u"Nazwa"_s << u"Jan Maria Nowak-Kos"_s
            << QByteArray("\r\nFN:Jan Maria Nowak-Kos\r\n") << QByteArray("FN:Jan Maria Nowak\r\n");
        const QByteArray untyped = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Ewa;;;\r\nTEL:111 111 111\r\n"
                                   "TEL;TYPE=HOME:222 222 222\r\nEND:VCARD\r\n";
        // The untyped number is read last, into the mobile's field, though it stands first.
        QTest::newRow("untyped number stays untyped, found by its field")
            << untyped << u"TelKom"_s << u"333 333 333"_s << QByteArray("\r\nTEL:333 333 333\r\n")
            << QByteArray("111 111 111");
        const QByteArray uri = "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ewa Nowak\r\nN:Nowak;Ewa;;;\r\n"
                               "TEL;VALUE=uri;TYPE=work:tel:+48-22-555-00-00;ext=42\r\nEND:VCARD\r\n";
        QTest::newRow("extension written as the phone shows it")
            << uri << u"TelWew"_s << u"43"_s << QByteArray("\r\nTEL;TYPE=work:+48-22-555-00-00 wew. 43\r\n")
            << QByteArray("ext=42");
        const QByteArray quoted = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Nowak;Ewa\r\n"
                                  "NOTE;ENCODING=QUOTED-PRINTABLE:stara=\r\nstara\r\nEND:VCARD\r\n";
        QTest::newRow("quoted-printable note, all its lines")
            << quoted << u"notes"_s << u"nowa"_s << QByteArray("\r\nNOTE:nowa\r\n") << QByteArray("stara");
        QTest::newRow("a new number gets its field's type")
            << phoneFileCard("thunderbird.vcf", 1) << u"TelSlu"_s << u"58 000 11 22"_s
            << QByteArray("\r\nTEL;TYPE=work:58 000 11 22\r\n") << QByteArray("\x01");
    }
    void patchCard_replacesTheLineThatFedTheField()
    {
        QFETCH(QByteArray, card);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, replaced);
        QVERIFY(!card.isEmpty());
        ExchangeContact local = readBack(card);
        SyncRules::setFieldValue(local, field, value);
        const QByteArray patched = SyncRules::patchCard(card, local, u"x"_s, patchTime);
        QVERIFY2(patched.contains(line), patched.constData());
        QVERIFY2(!patched.contains(replaced), patched.constData());
        for (const ContentLines::Line &kept : ContentLines::split(card)) {
            if (!kept.raw.contains(replaced) && ContentLines::name(kept.logical) != "REV") {
                QVERIFY2(patched.contains(kept.raw), kept.raw.constData());
            }
        }
        const ExchangeContact back = readBack(patched);
        for (const QString &name : SyncRules::fieldNames()) {
            QCOMPARE(SyncRules::fieldValue(back, name), SyncRules::fieldValue(local, name));
        }
    }

    // A card written by the sync carries the time of the write; one left as it is, its own.
    void patchCard_setsRevision_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QByteArray>("revision"); // empty: the card comes back as it was
        const QByteArray stamped = "REV:20261208T081530Z";
        QTest::newRow("REV replaced") << phoneFileCard("android-davx5.vcf", 0) << true << stamped;
        QTest::newRow("REV added after VERSION")
            << phoneFileCard("iphone.vcf", 0) << true << QByteArray("VERSION:3.0\r\nREV:20261208T081530Z\r\n");
        QTest::newRow("new card") << QByteArray() << true << QByteArray("VERSION:3.0\r\nREV:20261208T081530Z\r\n");
        QTest::newRow("unchanged card untouched") << phoneFileCard("android-davx5.vcf", 0) << false << QByteArray();
    }
    void patchCard_setsRevision()
    {
        QFETCH(QByteArray, card);
        QFETCH(bool, edited);
        QFETCH(QByteArray, revision);
        ExchangeContact local = card.isEmpty() ? person(u"600 100 200"_s) : readBack(card);
        if (edited) {
            local.contact.Tytul = u"Prezes"_s;
        }
        const QByteArray patched = SyncRules::patchCard(card, local, u"x"_s, patchTime);
        if (revision.isEmpty()) {
            QCOMPARE(patched, card);
            return;
        }
        QVERIFY2(patched.contains(revision), patched.constData());
        QCOMPARE(patched.count("REV:"), 1);
    }

    // A photo added here is written as the card's version writes one, and the version stays.
    void patchCard_photoInTheCardsVersion_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QByteArray>("photo");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("4.0") << phoneFileCard("thunderbird.vcf", 0)
                             << QByteArray("\r\nPHOTO:data:image/jpeg;base64,/9j/") << QByteArray("VERSION:4.0\r\n");
        QTest::newRow("3.0") << phoneFileCard("android-davx5.vcf", 0)
                             << QByteArray("\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/") << QByteArray("VERSION:3.0\r\n");
        QTest::newRow("new card is 3.0") << QByteArray() << QByteArray("\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/")
                                         << QByteArray("VERSION:3.0\r\n");
    }
    void patchCard_photoInTheCardsVersion()
    {
        QFETCH(QByteArray, card);
        QFETCH(QByteArray, photo);
        QFETCH(QByteArray, version);
        ExchangeContact local = card.isEmpty() ? person(u"600 100 200"_s) : readBack(card);
        local.photo = pictureOf("JPEG", 40, 30);
        const QByteArray patched = SyncRules::patchCard(card, local, u"x"_s, patchTime);
        QVERIFY2(patched.contains(photo), patched.left(600).constData());
        QVERIFY(patched.contains(version));
        QCOMPARE(readBack(patched).photo, local.photo);
    }

    void sameButRevision_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("same");
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ewa Nowak\r\nN:Nowak;Ewa;;;\r\n"
                                "TEL;TYPE=CELL:600 100 200\r\nREV:20261208T081530Z\r\nEND:VCARD\r\n";
        QByteArray restamped = card;
        restamped.replace("REV:20261208T081530Z", "REV:20261208T081532Z");
        QByteArray withProdid = card;
        withProdid.replace("VERSION:3.0\r\n", "VERSION:3.0\r\nPRODID:-//Serwer//PL\r\nREV:2026-12-08T08:16:00Z\r\n");
        QByteArray refolded = card;
        refolded.replace("FN:Ewa Nowak", "FN:Ewa\n  Nowak").replace("\r\n", "\n");
        QByteArray edited = card;
        edited.replace("600 100 200", "600 100 201");
        QTest::newRow("REV rewritten") << card << restamped << true;
        QTest::newRow("PRODID and a second REV added") << card << withProdid << true;
        QTest::newRow("folded and LF") << card << refolded << true;
        QTest::newRow("a number changed") << card << edited << false;
        QTest::newRow("REV rewritten and a number changed") << restamped << edited << false;
    }
    void sameButRevision()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, stored);
        QFETCH(bool, same);
        QCOMPARE(CardText::sameButRevision(sent, stored), same);
    }

    void readEvent_data()
    {
        QTest::addColumn<QByteArray>("event");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("description");
        const int usable = int(SyncRules::EventKind::Usable);
        QTest::newRow("all-day") << QByteArray("DTSTART;VALUE=DATE:20261224\r\nSUMMARY:Wigilia\r\nLOCATION:Dom\r\n")
                                 << usable << u"24.12.2026"_s << QString() << u"Dom"_s << u"Wigilia"_s;
        const QDateTime late(QDate(2026, 12, 24), QTime(23, 30), Qt::UTC);
        QTest::newRow("timed in UTC: the local day")
            << QByteArray("DTSTART:20261224T233000Z\r\nSUMMARY:Pociąg\r\n") << usable
            << late.toLocalTime().date().toString(u"dd.MM.yyyy"_s) << QString() << QString() << u"Pociąg"_s;
        const QDateTime warsaw(QDate(2026, 12, 24), QTime(0, 30), QTimeZone("Europe/Warsaw"));
        QTest::newRow("timed with a zone")
            << QByteArray("DTSTART;TZID=Europe/Warsaw:20261224T003000\r\nSUMMARY:Nocny\r\n") << usable
            << warsaw.toLocalTime().date().toString(u"dd.MM.yyyy"_s) << QString() << QString() << u"Nocny"_s;
        QTest::newRow("floating time") << QByteArray("DTSTART:20261224T100000\r\nSUMMARY:Kawa\r\n") << usable
                                       << u"24.12.2026"_s << QString() << QString() << u"Kawa"_s;
        QTest::newRow("person comes back") << QByteArray("DTSTART;VALUE=DATE:20261224\r\nSUMMARY:Nowak Ewa: Obiad\r\n"
                                                         "X-MORWINEK-OSOBA:Nowak Ewa\r\n")
                                           << usable << u"24.12.2026"_s << u"Nowak Ewa"_s << QString() << u"Obiad"_s;
        QTest::newRow("escaped text") << QByteArray("DTSTART;VALUE=DATE:20261224\r\nSUMMARY:A\\, B\\; C\r\n") << usable
                                      << u"24.12.2026"_s << QString() << QString() << u"A, B; C"_s;
        QTest::newRow("an alarm's texts are not the event's")
            << QByteArray("DTSTART;VALUE=DATE:20261224\r\nSUMMARY:Wigilia\r\nBEGIN:VALARM\r\nACTION:EMAIL\r\n"
                          "SUMMARY:Przypomnienie\r\nTRIGGER:-PT1H\r\nEND:VALARM\r\n")
            << usable << u"24.12.2026"_s << QString() << QString() << u"Wigilia"_s;
        QTest::newRow("recurring") << QByteArray("DTSTART;VALUE=DATE:20261224\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:X\r\n")
                                   << int(SyncRules::EventKind::Recurring) << QString() << QString() << QString()
                                   << QString();
        QTest::newRow("one of a series") << QByteArray("DTSTART;VALUE=DATE:20261224\r\nRECURRENCE-ID:20261224\r\n")
                                         << int(SyncRules::EventKind::Recurring) << QString() << QString() << QString()
                                         << QString();
        QTest::newRow("no start") << QByteArray("SUMMARY:X\r\n") << int(SyncRules::EventKind::Invalid) << QString()
                                  << QString() << QString() << QString();
    }
    void readEvent()
    {
        QFETCH(QByteArray, event);
        QFETCH(int, kind);
        QFETCH(QString, date);
        QFETCH(QString, person);
        QFETCH(QString, place);
        QFETCH(QString, description);
        const QByteArray text =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:u1\r\n" + event + "END:VEVENT\r\nEND:VCALENDAR\r\n";
        Appointment a;
        QString uid;
        QCOMPARE(int(SyncRules::readEvent(text, &a, &uid)), kind);
        QCOMPARE(uid, u"u1"_s);
        if (kind == int(SyncRules::EventKind::Usable)) {
            QCOMPARE(a.date, date);
            QCOMPARE(a.person, person);
            QCOMPARE(a.place, place);
            QCOMPARE(a.description, description);
        }
    }

    void eventRoundTrip_data()
    {
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("description");
        QTest::newRow("all fields") << u"Żółkiewski Łukasz"_s << u"Gdańsk, ul. Długa; 5"_s << u"Rozmowa: budżet"_s;
        QTest::newRow("no person") << QString() << QString() << u"Dentysta"_s;
        QTest::newRow("only a person") << u"Nowak"_s << QString() << QString();
        QTest::newRow("description starting like a person") << u"Nowak"_s << QString() << u"Nowak: Nowak"_s;
        QTest::newRow("full widths") << QString(30, u'p') << QString(50, u'm') << QString(100, u'o');
    }
    void eventRoundTrip()
    {
        QFETCH(QString, person);
        QFETCH(QString, place);
        QFETCH(QString, description);
        const Appointment a{u"01.02.2027"_s, person, place, description};
        Appointment back;
        QString uid;
        const QByteArray text = SyncRules::eventText(a, u"termin-1"_s, QDateTime::currentDateTimeUtc());
        QCOMPARE(SyncRules::readEvent(text, &back, &uid), SyncRules::EventKind::Usable);
        QCOMPARE(back, a);
        QCOMPARE(uid, u"termin-1"_s);
        QVERIFY(text.contains("DTSTART;VALUE=DATE:20270201"));
    }

    // An event edited here: only what stands behind the changed fields is written anew.
    void patchEvent_data()
    {
        QTest::addColumn<QByteArray>("event");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("person");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QList<QByteArray>>("has");
        QTest::addColumn<QList<QByteArray>>("hasNot");
        QTest::addColumn<QString>("time"); // "start|end|alarm" here; "=" the event's own
        const QByteArray timed =
            "DTSTART;TZID=Europe/Warsaw:20261210T143000\r\nDTEND;TZID=Europe/Warsaw:20261210T150000\r\n"
            "SUMMARY:Dentysta\r\nLOCATION:Gabinet\r\nDESCRIPTION:Karta\r\n"
            "BEGIN:VALARM\r\nTRIGGER:-PT30M\r\nDESCRIPTION:Alarm\r\nEND:VALARM\r\n";
        QTest::newRow("description") << timed << u"10.12.2026"_s << QString() << u"Gabinet"_s << u"Ortodonta"_s
                                     << QList<QByteArray>{"SUMMARY:Ortodonta\r\n",
                                                          "LOCATION:Gabinet\r\n",
                                                          "DESCRIPTION:Karta\r\n",
                                                          "DESCRIPTION:Alarm\r\n",
                                                          "DTSTART;TZID=Europe/Warsaw:20261210T143000\r\n"}
                                     << QList<QByteArray>{"Dentysta", "X-MORWINEK-OSOBA"} << u"="_s;
        QTest::newRow("a person added") << timed << u"10.12.2026"_s << u"Nowak"_s << u"Gabinet"_s << u"Dentysta"_s
                                        << QList<QByteArray>{"SUMMARY:Nowak: Dentysta\r\n",
                                                             "X-MORWINEK-OSOBA:Nowak\r\nBEGIN:VALARM"}
                                        << QList<QByteArray>{} << u"="_s;
        QTest::newRow("place removed") << timed << u"10.12.2026"_s << QString() << QString() << u"Dentysta"_s
                                       << QList<QByteArray>{"SUMMARY:Dentysta\r\n"} << QList<QByteArray>{"LOCATION"}
                                       << u"="_s;
        QTest::newRow("moved: zoned time keeps its time of day")
            << timed << u"12.12.2026"_s << QString() << u"Gabinet"_s << u"Dentysta"_s
            << QList<QByteArray>{"DTSTART;TZID=Europe/Warsaw:20261212T143000\r\n",
                                 "DTEND;TZID=Europe/Warsaw:20261212T150000\r\n",
                                 "TRIGGER:-PT30M"}
            << QList<QByteArray>{"20261210"} << u"="_s;
        QTest::newRow("moved: all-day over three days stays three days")
            << QByteArray("DTSTART;VALUE=DATE:20261210\r\nDTEND;VALUE=DATE:20261213\r\nSUMMARY:Urlop\r\n")
            << u"20.12.2026"_s << QString() << QString() << u"Urlop"_s
            << QList<QByteArray>{"DTSTART;VALUE=DATE:20261220\r\n", "DTEND;VALUE=DATE:20261223\r\n"}
            << QList<QByteArray>{} << u"="_s;
        const QDateTime utc(QDate(2026, 3, 20), QTime(12, 0), Qt::UTC);
        const QDateTime moved = utc.toLocalTime().addDays(10).toUTC();
        QTest::newRow("moved: UTC keeps the local time of day")
            << "DTSTART:" + utc.toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1() + "\r\nSUMMARY:Lot\r\n"
            << DateText::toText(utc.toLocalTime().date().addDays(10)) << QString() << QString() << u"Lot"_s
            << QList<QByteArray>{"DTSTART:" + moved.toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1() + "\r\n"}
            << QList<QByteArray>{} << u"="_s;
        const QByteArray floating = "DTSTART:20261210T143000\r\nDTEND:20261210T150000\r\nSUMMARY:Dentysta\r\n"
                                    "BEGIN:VALARM\r\nTRIGGER:-PT30M\r\nDESCRIPTION:Alarm\r\nEND:VALARM\r\n";
        QTest::newRow("new time and alarm: floating stays floating")
            << floating << u"10.12.2026"_s << QString() << QString() << u"Dentysta"_s
            << QList<QByteArray>{"DTSTART:20261210T160000\r\nDTEND:20261210T171500\r\n",
                                 "BEGIN:VALARM\r\nTRIGGER:-PT15M\r\nDESCRIPTION:Alarm\r\n"}
            << QList<QByteArray>{"T143000", "PT30M", "VTIMEZONE"} << u"16:00|17:15|15"_s;
        QTest::newRow("time and alarm removed: all-day")
            << floating << u"10.12.2026"_s << QString() << QString() << u"Dentysta"_s
            << QList<QByteArray>{"DTSTART;VALUE=DATE:20261210\r\nDTEND;VALUE=DATE:20261211\r\n"}
            << QList<QByteArray>{"VALARM", "TRIGGER", "DESCRIPTION:Alarm", "T1430"} << u"||-1"_s;
        const auto inWarsaw = [](const QDate &day, QTime t) {
            return QDateTime(day, t).toTimeZone(QTimeZone("Europe/Warsaw")).toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1();
        };
        QTest::newRow("all-day given a time: zoned, with the zone and an alarm")
            << QByteArray("DTSTART;VALUE=DATE:20261210\r\nDTEND;VALUE=DATE:20261211\r\nSUMMARY:Dentysta\r\n")
            << u"10.12.2026"_s << QString() << QString() << u"Dentysta"_s
            << QList<QByteArray>{"VERSION:2.0\r\nBEGIN:VTIMEZONE\r\nTZID:Europe/Warsaw\r\n",
                                 "DTSTART;TZID=Europe/Warsaw:" + inWarsaw(QDate(2026, 12, 10), QTime(9, 0)) + "\r\n",
                                 "DTEND;TZID=Europe/Warsaw:" + inWarsaw(QDate(2026, 12, 10), QTime(9, 0)) + "\r\n",
                                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Dentysta\r\nTRIGGER:-PT5M\r\nEND:"
                                 "VALARM\r\nEND:VEVENT"}
            << QList<QByteArray>{"VALUE=DATE"} << u"09:00||5"_s;
        const QDateTime utcStart(QDate(2026, 7, 1), QTime(8, 0), Qt::UTC);
        const QTime localStart = utcStart.toLocalTime().time();
        QTest::newRow("UTC given another time and an alarm by its end: UTC, the alarm from the start")
            << "DTSTART:" + utcStart.toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1()
                   + "\r\nDTEND:" + utcStart.addSecs(3600).toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1()
                   + "\r\nSUMMARY:Lot\r\nBEGIN:VALARM\r\nTRIGGER;RELATED=END:-PT2H\r\nEND:VALARM\r\n"
            << DateText::toText(utcStart.toLocalTime().date()) << QString() << QString() << u"Lot"_s
            << QList<QByteArray>{"DTSTART:" + utcStart.addSecs(1800).toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1()
                                     + "\r\n",
                                 "TRIGGER:-PT30M\r\n"}
            << QList<QByteArray>{"RELATED"}
            << ClockText::toText(localStart.addSecs(1800)) + u"|"_s + ClockText::toText(localStart.addSecs(3600))
                   + u"|30"_s;
    }

    void patchEvent()
    {
        QFETCH(QByteArray, event);
        QFETCH(QString, date);
        QFETCH(QString, person);
        QFETCH(QString, place);
        QFETCH(QString, description);
        QFETCH(QList<QByteArray>, has);
        QFETCH(QList<QByteArray>, hasNot);
        QFETCH(QString, time);
        const QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:tel-1\r\nX-TEL:1\r\n" + event
                                + "END:VEVENT\r\nEND:VCALENDAR\r\n";
        // The sync sends the time the appointment has here: as the event gave it, or changed.
        Appointment now{date, person, place, description};
        Appointment was;
        QCOMPARE(ICalendar::readEvent(text, &was, nullptr), ICalendar::EventKind::Usable);
        now.time = was.time;
        if (time != u"=") {
            const QStringList parts = time.split(u'|');
            bool ok = false;
            now.time = {ClockText::parse(parts[0], &ok), ClockText::parse(parts[1], &ok), parts[2].toInt()};
        }
        const QByteArray patched = ICalendar::patchEvent(text, now, u"inny"_s, QDateTime::currentDateTimeUtc());
        for (const QByteArray &part : has) {
            QVERIFY2(patched.contains(part), part.constData());
        }
        for (const QByteArray &part : hasNot) {
            QVERIFY2(!patched.contains(part), part.constData());
        }
        QVERIFY(patched.startsWith("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"));
        QVERIFY(patched.contains("BEGIN:VEVENT\r\nUID:tel-1\r\nX-TEL:1\r\n"));
        Appointment back;
        QCOMPARE(ICalendar::readEvent(patched, &back, nullptr), ICalendar::EventKind::Usable);
        QCOMPARE(back, now);
        QCOMPARE(ICalendar::patchEvent(patched, now, u"inny"_s, {}), patched); // nothing more to change
    }

    void lineEndsComeBack()
    {
        QCOMPARE(ContentLines::withCrLf("A:1\nB:2\n"), QByteArray("A:1\r\nB:2\r\n"));
        QCOMPARE(ContentLines::withCrLf("A:1\r\nB:2\n"), QByteArray("A:1\r\nB:2\n")); // mixed: as it is
    }

    void stateFileRoundTripsAndStaysAscii()
    {
        QTemporaryDir dir;
        SyncState state;
        state.ensureFolderId();
        state.contacts.url = u"https://serwer/ksiązka/"_s;
        state.contacts.syncToken = u"http://x/sync/1 2"_s;
        SyncItem item;
        item.key = u"10007"_s;
        item.uid = u"uid ż"_s;
        item.href = u"/anna/k/a b.vcf"_s;
        item.etag = u"\"e1\""_s;
        item.hash = "abc";
        item.serverText = "BEGIN:VCARD\r\nFN:Żaneta\r\nEND:VCARD\r\n";
        item.pending = true;
        state.contacts.items.append(item);
        SyncItem recurring;
        recurring.href = u"/anna/t/r.ics"_s;
        recurring.skipped = true;
        state.appointments.items.append(recurring);
        state.retiredIds.insert(u"10003"_s);
        QVERIFY(state.save(dir.path(), nullptr));
        QFile file(dir.filePath(QLatin1String(SyncState::fileName)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(std::all_of(bytes.cbegin(), bytes.cend(), [](char c) {
            return c > 0;
        }));
        SyncState back;
        QVERIFY(back.load(dir.path(), nullptr));
        QCOMPARE(back.folderId, state.folderId);
        QCOMPARE(back.contacts.url, state.contacts.url);
        QCOMPARE(back.contacts.syncToken, state.contacts.syncToken);
        QCOMPARE(back.contacts.items.size(), 1);
        const SyncItem &i = back.contacts.items.first();
        QCOMPARE(i.key, item.key);
        QCOMPARE(i.uid, item.uid);
        QCOMPARE(i.href, item.href);
        QCOMPARE(i.etag, item.etag);
        QCOMPARE(i.hash, item.hash);
        QCOMPARE(i.serverText, item.serverText);
        QVERIFY(i.pending && !i.skipped);
        QVERIFY(back.appointments.items.first().skipped);
        QCOMPARE(SyncState::knownIdentifiers(dir.path()), (QSet<int>{10007, 10003}));
        QCOMPARE(back.contactUid(u"10007"_s), u"uid ż"_s);
        QVERIFY(back.contactUid(u"10008"_s).contains(state.folderId));
    }

    void exportUidsStayTheSame()
    {
        QTemporaryDir dir;
        const auto first = SyncState::exportUids(dir.path(), {u"10000"_s, u"10001"_s});
        const auto second = SyncState::exportUids(dir.path(), {u"10000"_s, u"10001"_s});
        QCOMPARE(first, second);
        QVERIFY(first.value(u"10000"_s) != first.value(u"10001"_s));
        QTemporaryDir other;
        QVERIFY(SyncState::exportUids(other.path(), {u"10000"_s}).value(u"10000"_s) != first.value(u"10000"_s));
    }
};

QTEST_GUILESS_MAIN(tst_SyncRules)
#include "tst_syncrules.moc"
