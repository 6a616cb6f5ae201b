#include "core/common/Cp1250.h"
#include "core/contacts/Contact.h"

#include <QtTest>

class TestContact : public QObject
{
    Q_OBJECT
private slots:
    void columns_tileTheLine();
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void roundTrip_keepsEveryField();
};

void TestContact::columns_tileTheLine()
{
    // Other parts of the program read the name, city and dates straight from these columns.
    int next = 0;
    for (const Contact::Column &c : Contact::columns()) {
        QCOMPARE(c.start, next);
        next += c.width;
    }
    QCOMPARE(next, Contact::lineLength);
    QCOMPARE(Contact::column(u"Nazwa"_qs)->start, 337);
    QCOMPARE(Contact::column(u"DomMiasto"_qs)->start, 41);
    QCOMPARE(Contact::column(u"Imieniny"_qs)->start, 332);
    QCOMPARE(Contact::column(u"Slub"_qs)->start, 588);
    QCOMPARE(Contact::column(u"Urodziny"_qs)->start, 680);
}

void TestContact::encode_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("stored"); // the field's columns in the line

    QTest::newRow("12-char name padded to 30") << "Nazwa"
                                               << "Kowalski Jan" << QByteArray("Kowalski Jan").append(18, ' ');
    QTest::newRow("31 chars cut to 30") << "Nazwa" << QString(31, u'x') << QByteArray(30, 'x');
    QTest::newRow("leading blanks not stored") << "Miasto"
                                               << "   Gdańsk" << QByteArray();
    QTest::newRow("leading and trailing tabs") << "Email"
                                               << "\ta@b.pl \t" << QByteArray("a@b.pl").append(44, ' ');
    QTest::newRow("polish letters one byte each")
        << "DomMiasto" << u"Łódź"_qs << QByteArray("\xA3\xF3\x64\x9F").append(21, ' ');
    QTest::newRow("extension width 4") << "TelWew"
                                       << "123456" << QByteArray("1234");
    QTest::newRow("empty field all blanks") << "Tytul"
                                            << "" << QByteArray(30, ' ');
}

void TestContact::encode()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QByteArray, stored);
    if (field == u"Miasto") {
        // Leading blanks dropped: the value starts at the field's first column.
        Contact c;
        c.DomMiasto = value;
        const QByteArray line = c.toLine();
        QCOMPARE(line.mid(41, 25), QByteArray("Gda\xF1sk").append(19, ' '));
        return;
    }
    Contact c;
    const Contact::Column *column = Contact::column(field);
    QVERIFY(column);
    c.*column->field = value;
    const QByteArray line = c.toLine();
    QCOMPARE(line.size(), Contact::lineLength);
    QCOMPARE(line.mid(column->start, column->width), stored);
    QCOMPARE(line.left(column->start), QByteArray(column->start, ' '));
}

void TestContact::decode_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("birthday");

    QByteArray full(690, ' ');
    full.replace(0, 5, "10006");
    full.replace(337, 13, "  Nowak Anna ");
    full.replace(680, 10, "05.07.1980");
    QTest::newRow("full line, fields trimmed") << full << "10006"
                                               << "Nowak Anna"
                                               << "05.07.1980";
    QTest::newRow("short line ends inside the name") << full.left(347) << "10006"
                                                     << "Nowak An"
                                                     << "";
    QTest::newRow("empty line is an empty contact") << QByteArray() << ""
                                                    << ""
                                                    << "";
    QTest::newRow("characters past 690 ignored") << QByteArray(full).append("EXTRA") << "10006"
                                                 << "Nowak Anna"
                                                 << "05.07.1980";
    QByteArray tabs = full;
    tabs.replace(337, 3, "\t\x01 ");
    QTest::newRow("control characters trimmed") << tabs << "10006"
                                                << "owak Anna"
                                                << "05.07.1980";
}

void TestContact::decode()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(QString, birthday);
    const Contact c = Contact::fromLine(line);
    QCOMPARE(c.ID, id);
    QCOMPARE(c.Nazwa, name);
    QCOMPARE(c.Urodziny, birthday);
    QCOMPARE(Contact::idOf(line), id);
    QCOMPARE(Contact::nameOf(line), name);
}

void TestContact::roundTrip_keepsEveryField()
{
    // Each field gets a value of its full width, distinct per field, so a shifted column shows.
    Contact c;
    int n = 0;
    for (const Contact::Column &col : Contact::columns()) {
        QString value;
        for (int i = 0; i < col.width; ++i) {
            value.append(QChar(u'A' + (n + i) % 26));
        }
        value[0] = u'ż';
        c.*col.field = value;
        ++n;
    }
    const QByteArray line = c.toLine();
    QCOMPARE(Contact::fromLine(line), c);
    QCOMPARE(Contact::fromLine(line).toLine(), line);
}

QTEST_GUILESS_MAIN(TestContact)
#include "tst_contact.moc"
