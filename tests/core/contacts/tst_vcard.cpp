#include "support/ExchangeBytes.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/exchange/VCard.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A few bytes that start like a JPEG file.
const QByteArray jpeg = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffd9") + QByteArray(200, 'x');

ExchangeContact fullContact()
{
    ExchangeContact item;
    Contact &c = item.contact;
    c.Nazwa = u"Źdźbło-Kowalska Anna Maria"_s;
    c.Dep = u"Dział; sprzedaży, północ"_s;
    c.Firma = u"Zakład \\Ślusarski\\"_s;
    c.DomKod = u"00-950"_s;
    c.DomMiasto = u"Łódź"_s;
    c.DomUlica = u"ul. Żółkiewskiego 5, m. 7; klatka B"_s;
    c.DomURL = u"http://example.pl/a,b;c"_s;
    c.Email = u"anna@example.pl"_s;
    c.Faks = u"22 999 88 77"_s;
    c.Imieniny = u"26.07"_s;
    c.PracaKod = u"30-001"_s;
    c.PracaMiasto = u"Kraków"_s;
    c.PracaUlica = u"Rynek Główny 1"_s;
    c.PracaURL = u"https://firma.example.pl/"_s;
    c.Pseudo = u"Ania, Anka"_s;
    c.Slub = u"29.02.2004"_s;
    c.TelDom = u"22 123 45 67"_s;
    c.TelKom = u"+48 600 100 200"_s;
    c.TelSlu = u"(22) 555 66 77"_s;
    c.TelWew = u"123"_s;
    c.Tytul = u"Kierownik; zmiana \"A\""_s;
    c.Urodziny = u"08.03.1980"_s;
    item.notes = u"Pierwsza linia\nDruga, z przecinkiem; i średnikiem\n\\koniec"_s;
    item.photo = jpeg;
    return item;
}

// Every field the samples set, as "Field=value" pairs; "notes" and "photo" for the rest.
QString describe(const ExchangeContact &item)
{
    QStringList parts;
    for (const Contact::Column &c : Contact::columns()) {
        if (!(item.contact.*c.field).isEmpty()) {
            parts.append(QLatin1String(c.name) + u'=' + item.contact.*c.field);
        }
    }
    if (!item.notes.isEmpty()) {
        parts.append(u"notes="_s + item.notes);
    }
    if (!item.photo.isEmpty()) {
        parts.append(u"photo=%1 bytes"_s.arg(item.photo.size()));
    }
    if (item.group) {
        parts.append(u"group"_s);
    }
    return parts.join(u'|');
}

} // namespace

class TestVCard : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_keepsEveryField();
    void write_isVersion4();
    void write_leavesOutControlCharacters_data();
    void write_leavesOutControlCharacters();
    void birthday_withoutYear_data();
    void birthday_withoutYear();
    void read_samples_data();
    void read_samples();
    void read_malformed_data();
    void read_malformed();
    void read_phoneFiles_data();
    void read_phoneFiles();
};

void TestVCard::roundTrip_keepsEveryField()
{
    ExchangeContact bare;
    bare.contact.Nazwa = u"Nowak"_s;
    ExchangeContact extensionOnly;
    extensionOnly.contact.Nazwa = u"Wiśniewski Piotr"_s;
    extensionOnly.contact.TelWew = u"7"_s;
    ExchangeContact freeText;
    freeText.contact.Nazwa = u"Zieliński  Jan"_s; // two blanks stay two blanks
    freeText.contact.Urodziny = u"ok. 1950"_s;
    // Texts a reader would take for an extension, a URI or an escape.
    ExchangeContact lookalikes;
    lookalikes.contact.Nazwa = u"Kamiński Adam"_s;
    lookalikes.contact.TelDom = u"22 123 45 67 wew. 12"_s;
    lookalikes.contact.TelKom = u"tel:600100200"_s;
    lookalikes.contact.TelSlu = u"22 555 x 123456"_s;
    lookalikes.contact.Faks = u"22 999; ext=5"_s;
    lookalikes.contact.DomURL = u"file://serwer\\dom\\"_s;
    lookalikes.contact.PracaURL = u"http://example.pl/\\n"_s;
    const QList<ExchangeContact> contacts = {fullContact(), bare, extensionOnly, freeText, lookalikes};

    QByteArray bytes;
    QVERIFY(VCard::write(contacts, &bytes));
    QList<ExchangeContact> back;
    ExchangeError error;
    QVERIFY2(VCard::read(bytes, &back, &error), qPrintable(error.text()));
    QCOMPARE(back.size(), contacts.size());
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        QCOMPARE(describe(back[i]), describe(contacts[i]));
        QCOMPARE(back[i].photo, contacts[i].photo);
    }
}

void TestVCard::write_isVersion4()
{
    QByteArray bytes;
    QVERIFY(VCard::write({fullContact()}, &bytes));
    QVERIFY(bytes.startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n"));
    QVERIFY(bytes.contains("\r\nN:Źdźbło-Kowalska;Anna Maria;;;\r\n"));
    QVERIFY(bytes.contains("\r\nBDAY:19800308\r\n"));
    QVERIFY(bytes.contains("TEL;TYPE=work:(22) 555 66 77 wew. 123\r\n"));
    QVERIFY(bytes.contains("\r\nPHOTO:data:image/jpeg;base64,/9j/"));
}

void TestVCard::write_leavesOutControlCharacters_data()
{
    QTest::addColumn<ExchangeContact>("item");
    QTest::addColumn<QByteArray>("line"); // as written, but for the control characters

    const auto with = [](QString Contact::*field, const QString &value) {
        ExchangeContact item;
        item.contact.Nazwa = u"Nowak Jan"_s;
        item.contact.*field = value;
        return item;
    };
    QTest::newRow("bell in the name") << with(&Contact::Nazwa, u"Nowak\a Jan"_s) << QByteArray("\r\nFN:Jan Nowak\r\n");
    QTest::newRow("NUL in the firm") << with(&Contact::Firma, QString(u"Fir\0ma"_s)) << QByteArray("\r\nORG:Firma\r\n");
    QTest::newRow("DEL in an address") << with(&Contact::DomURL, u"http://example.pl/\x7f"_s)
                                       << QByteArray("\r\nURL;TYPE=home:http://example.pl/\r\n");
    QTest::newRow("escape in a date that is no date")
        << with(&Contact::Urodziny, u"ok.\x1b 1950"_s) << QByteArray("\r\nBDAY;VALUE=text:ok. 1950\r\n");
    ExchangeContact notes = with(&Contact::Pseudo, {});
    notes.notes = u"raz\x0b\tdwa\x0c\ntrzy\x1f"_s;
    QTest::newRow("notes keep tab and line break") << notes << QByteArray("\r\nNOTE:raz\tdwa\\ntrzy\r\n");
}

void TestVCard::write_leavesOutControlCharacters()
{
    QFETCH(ExchangeContact, item);
    QFETCH(QByteArray, line);
    QByteArray bytes;
    QVERIFY(VCard::write({item}, &bytes));
    QCOMPARE(ExchangeBytes::strayControls(bytes, false), QByteArray());
    QVERIFY2(bytes.contains(line), bytes.constData());
}

// A birthday without its year goes out as phones write it, in either form the book may hold, and
// comes back as the day and month.
void TestVCard::birthday_withoutYear_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("day and month") << u"07.12"_s << QByteArray("\r\nBDAY:--1207\r\n") << u"07.12"_s;
    QTest::newRow("year 1604 of an earlier version")
        << u"07.12.1604"_s << QByteArray("\r\nBDAY:--1207\r\n") << u"07.12"_s;
    QTest::newRow("leap day") << u"29.02"_s << QByteArray("\r\nBDAY:--0229\r\n") << u"29.02"_s;
    QTest::newRow("whole date") << u"07.12.1980"_s << QByteArray("\r\nBDAY:19801207\r\n") << u"07.12.1980"_s;
    QTest::newRow("no such day") << u"31.04"_s << QByteArray("\r\nBDAY;VALUE=text:31.04\r\n") << u"31.04"_s;
}

void TestVCard::birthday_withoutYear()
{
    QFETCH(QString, stored);
    QFETCH(QByteArray, line);
    ExchangeContact item;
    item.contact.Nazwa = u"Nowak Jan"_s;
    item.contact.Urodziny = stored;
    QByteArray bytes;
    QVERIFY(VCard::write({item}, &bytes));
    QVERIFY2(bytes.contains(line), bytes.constData());
    QList<ExchangeContact> read;
    QVERIFY(VCard::read(bytes, &read, nullptr));
    QTEST(read.value(0).contact.Urodziny, "readBack");
}

void TestVCard::read_samples_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("phone 2.1, quoted-printable UTF-8, soft breaks, base64 photo")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C5=81ukasiewicz;Zdzis=C5=82aw;;;\r\n"
                      "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Zdzis=C5=82aw =C5=81ukasiewicz\r\n"
                      "TEL;CELL:600100200\r\nTEL;HOME:221234567\r\nTEL;CELL:600999888\r\n"
                      "EMAIL;HOME:zdzich@example.pl\r\n"
                      "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;ul. D=C5=82uga 1=\r\n"
                      "5;Krak=C3=B3w;;30-001;Polska\r\n"
                      "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/\r\n"
                      "  2Q==\r\n\r\nEND:VCARD\r\n")
        << u"DomKod=30-001|DomMiasto=Kraków|DomUlica=ul. Długa 15|Email=zdzich@example.pl|"
           "Nazwa=Łukasiewicz Zdzisław|TelDom=221234567|TelKom=600100200|TelSlu=600999888|photo=22 bytes"_s;

    QTest::newRow("mail program 2.1, windows-1250, extension after the number")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;LANGUAGE=pl;CHARSET=Windows-1250:")
               + Cp1250::encode(u"Żak;Józef")
               + "\r\nORG;CHARSET=Windows-1250:" + Cp1250::encode(u"Huta Łabędy;Dział płac")
               + "\r\nTITLE:Kierownik\r\nTEL;WORK;VOICE:32 123 45 67 wew. 214\r\nTEL;WORK;FAX:32 123 45 00\r\n"
                 "EMAIL;PREF;INTERNET:jozef@example.pl\r\nBDAY:19751231\r\nX-WAB-GENDER:2\r\n"
                 "ADR;WORK;PREF;ENCODING=QUOTED-PRINTABLE:;;ul. Z=B3ota 5;Gliwice;;44-100;Polska\r\nEND:VCARD\r\n"
        << u"Dep=Dział płac|Email=jozef@example.pl|Faks=32 123 45 00|Firma=Huta Łabędy|Nazwa=Żak Józef|"
           "PracaKod=44-100|PracaMiasto=Gliwice|PracaUlica=ul. Złota 5|TelSlu=32 123 45 67|TelWew=214|"
           "Tytul=Kierownik|Urodziny=31.12.1975"_s;

    QTest::newRow("phone 3.0, grouped properties, TYPE lists, folded photo")
        << QByteArray("BEGIN:VCARD\nVERSION:3.0\nN:Nowak;Ewa;;;\nFN:Ewa Nowak\n"
                      "item1.ADR;type=HOME;type=pref:;;ul. Długa 1;Kraków;;30-001;Polska\n"
                      "item1.X-ABLabel:_$!<Home>!$_\n"
                      "TEL;type=CELL;type=VOICE;type=pref:+48 600 100 200\n"
                      "TEL;TYPE=\"work,voice\":12 345 67 89\n"
                      "item2.URL;type=pref:http\\://ewa.example.pl\n"
                      "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQAB\n AAD/2Q==\n"
                      "BDAY;value=date:1980-03-08\nEND:VCARD\n")
        << u"DomKod=30-001|DomMiasto=Kraków|DomUlica=ul. Długa 1|DomURL=http://ewa.example.pl|Nazwa=Nowak Ewa|"
           "TelKom=+48 600 100 200|TelSlu=12 345 67 89|Urodziny=08.03.1980|photo=22 bytes"_s;

    QTest::newRow("address book 3.0, only FN, escaped note, year-less birthday")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna Maria Wójcik\r\nBDAY:--03-08\r\n"
                      "NOTE:Linia 1\\nLinia 2\\, dalej\\; koniec \\\\ ukośnik i bardzo długi tekst, który\r\n"
                      "  się zawija\r\nEND:VCARD\r\n")
        << u"Nazwa=Anna Maria Wójcik|Urodziny=08.03|notes=Linia 1\nLinia 2, dalej; koniec \\ ukośnik i bardzo "
           u"długi tekst, który "
           "się zawija"_s;

    QTest::newRow("2.1 in ISO 8859-2, a tel: URI with ext=")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-2;ENCODING=QUOTED-PRINTABLE:=A3=B1cki;=A6wi="
                      "EAtos=B3aw\r\n"
                      "TEL;VALUE=uri;TYPE=work:tel:+48-22-555-00-00;ext=42\r\nEND:VCARD\r\n")
        << u"Nazwa=Łącki Świętosław|TelSlu=+48-22-555-00-00|TelWew=42"_s;

    QTest::newRow("company card without a name, two cards")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nORG:Piekarnia "
                      "Bułka\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nFN:X\r\nEND:VCARD\r\n")
        << u"Firma=Piekarnia Bułka|Nazwa=Piekarnia Bułka"_s;

    // A UID reads as it would be written back, so a card exported again keeps its identity.
    QTest::newRow("UID with a control character") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID: ab\x17"
                                                                "cd \r\nFN:Ewa\r\nEND:VCARD\r\n")
                                                  << u"Nazwa=Ewa|uid=abcd"_s;
}

void TestVCard::read_samples()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY2(VCard::read(bytes, &contacts, &error), qPrintable(error.text()));
    QVERIFY(!contacts.isEmpty());
    const QString uid = contacts.first().uid;
    QCOMPARE(describe(contacts.first()) + (uid.isEmpty() ? QString() : u"|uid="_s + uid), expected);
}

void TestVCard::read_malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::newRow("card never closed") << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\n\nBEGIN:VCARD\nFN:B\n")
                                       << 6;
    QTest::newRow("line without colon") << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nTEL 123\r\nEND:VCARD\r\n")
                                        << 4;
    QTest::newRow("text before the card") << QByteArray("hello:world\r\nBEGIN:VCARD\r\nEND:VCARD\r\n") << 1;
    QTest::newRow("END without BEGIN") << QByteArray("BEGIN:VCARD\nFN:A\nEND:VCARD\nEND:VCARD\n") << 4;
    QTest::newRow("card inside a card") << QByteArray("BEGIN:VCARD\nFN:A\n folded\nBEGIN:VCARD\nEND:VCARD\n") << 4;
}

void TestVCard::read_malformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY(!VCard::read(bytes, &contacts, &error));
    QCOMPARE(error.line, line);
    QVERIFY(contacts.isEmpty());
}

// Cards as phones and mail programs write them, each file beside what its cards must become.
void TestVCard::read_phoneFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("iPhone: labels, a company card, a group, a year-less birthday") << u"iphone"_s;
    QTest::newRow("Android 3.0 and 4.0: two mobiles, PREF, a typed label, a group") << u"android-davx5"_s;
    QTest::newRow("Thunderbird 4.0: PREF e-mail, a card with FN alone, with ORG alone") << u"thunderbird"_s;
}

void TestVCard::read_phoneFiles()
{
    QFETCH(QString, name);
    const auto contents = [](const QString &file) {
        QFile in(QStringLiteral(TEST_DATA_DIR "/vcard/") + file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    QStringList expected;
    for (const QString &line : QString::fromUtf8(contents(name + u".expected"_s)).split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'#')) {
            expected.append(line);
        }
    }
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY2(VCard::read(contents(name + u".vcf"_s), &contacts, &error), qPrintable(error.text()));
    QCOMPARE(contacts.size(), expected.size());
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        QCOMPARE(describe(contacts[i]), expected[i]);
        if (contacts[i].group) {
            continue;
        }
        // What is read is written so that it reads back the same; a birthday without its year as --MMDD.
        QByteArray written;
        QVERIFY(VCard::write({contacts[i]}, &written));
        const QString born = contacts[i].contact.Urodziny;
        if (born.size() == 5) {
            QVERIFY2(written.contains("\r\nBDAY:--" + (born.mid(3, 2) + born.left(2)).toLatin1() + "\r\n"),
                     written.constData());
        }
        QList<ExchangeContact> again;
        QVERIFY(VCard::read(written, &again, &error));
        QCOMPARE(describe(again.value(0)), expected[i]);
    }
}

QTEST_GUILESS_MAIN(TestVCard)
#include "tst_vcard.moc"
