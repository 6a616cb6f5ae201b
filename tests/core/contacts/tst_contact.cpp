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
    // The record's layout as the file format fixes it: first column (1-based) and width of each field.
    struct Expected
    {
        const char *name;
        int first;
        int width;
    };
    const Expected layout[] = {
        {"ID", 1, 5},          {"Dep", 6, 30},           {"DomKod", 36, 6},       {"DomMiasto", 42, 25},
        {"DomUlica", 67, 75},  {"DomURL", 142, 75},      {"Email", 217, 50},      {"Faks", 267, 16},
        {"Firma", 283, 50},    {"Imieniny", 333, 5},     {"Nazwa", 338, 30},      {"Parametry", 368, 5},
        {"PracaKod", 373, 6},  {"PracaMiasto", 379, 25}, {"PracaUlica", 404, 75}, {"PracaURL", 479, 75},
        {"Pseudo", 554, 25},   {"Rocznica", 579, 10},    {"Slub", 589, 10},       {"TelDom", 599, 16},
        {"TelKom", 615, 16},   {"TelSlu", 631, 16},      {"TelWew", 647, 4},      {"Tytul", 651, 30},
        {"Urodziny", 681, 10},
    };
    QCOMPARE(Contact::columns().size(), std::size(layout));
    for (const Expected &e : layout) {
        // A field filled to the brim lands exactly in its columns and nowhere else.
        Contact c;
        const Contact::Column *column = Contact::column(QLatin1String(e.name));
        QVERIFY2(column, e.name);
        c.*column->field = QString(e.width + 3, u'#');
        const QByteArray line = c.toLine();
        QCOMPARE(line.size(), 690);
        QByteArray expected(690, ' ');
        expected.replace(e.first - 1, e.width, QByteArray(e.width, '#'));
        QVERIFY2(line == expected, e.name);
    }
}

void TestContact::encode_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("first");         // 1-based column where the field starts
    QTest::addColumn<QByteArray>("stored"); // the field's columns in the line

    QTest::newRow("12-char name padded to 30") << "Nazwa"
                                               << "Kowalski Jan" << 338 << QByteArray("Kowalski Jan").append(18, ' ');
    QTest::newRow("31 chars cut to 30") << "Nazwa" << QString(31, u'x') << 338 << QByteArray(30, 'x');
    QTest::newRow("leading blanks not stored") << "DomMiasto"
                                               << "   Gdańsk" << 42 << QByteArray("Gda\xF1sk").append(19, ' ');
    QTest::newRow("leading and trailing tabs") << "Email"
                                               << "\ta@b.pl \t" << 217 << QByteArray("a@b.pl").append(44, ' ');
    QTest::newRow("polish letters one byte each")
        << "DomMiasto" << u"Łódź"_qs << 42 << QByteArray("\xA3\xF3\x64\x9F").append(21, ' ');
    QTest::newRow("extension width 4") << "TelWew"
                                       << "123456" << 647 << QByteArray("1234");
    QTest::newRow("empty field all blanks") << "Tytul"
                                            << "" << 651 << QByteArray(30, ' ');
    QTest::newRow("pasted CR LF in the street")
        << "DomUlica" << u"ul. Długa 5\r\nKraków"_qs << 67 << QByteArray("ul. D\xB3uga 5  Krak\xF3w").append(55, ' ');
    QTest::newRow("LF in the name") << "Nazwa"
                                    << "Nowak\nJan" << 338 << QByteArray("Nowak Jan").append(21, ' ');
    QTest::newRow("lone CR in the identifier") << "ID"
                                               << "10\r01" << 1 << QByteArray("10 01");
    QTest::newRow("NUL in the birthday") << "Urodziny"
                                         << QString(u"01.02\0"
                                                    "2003"_qs)
                                         << 681 << QByteArray("01.02 2003");
}

void TestContact::encode()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(int, first);
    QFETCH(QByteArray, stored);
    Contact c;
    const Contact::Column *column = Contact::column(field);
    QVERIFY(column);
    c.*column->field = value;
    const QByteArray line = c.toLine();
    QCOMPARE(line.size(), 690);
    QCOMPARE(line.mid(first - 1, stored.size()), stored);
    QCOMPARE(line.left(first - 1), QByteArray(first - 1, ' '));
    QCOMPARE(line.mid(first - 1 + stored.size()), QByteArray(690 - (first - 1) - stored.size(), ' '));
    // One line of the file: no byte of it may end the line or the text.
    QVERIFY(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
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
    // A line put together by hand, field by field, in the file's column order.
    const QByteArray handBuilt = QByteArray("10042")                            // ID 1-5
                                 + QByteArray("Kadry").append(25, ' ')          // Dep 6-35
                                 + QByteArray("30-001")                         // DomKod 36-41
                                 + QByteArray("Krak\xF3w").append(19, ' ')      // DomMiasto 42-66
                                 + QByteArray("ul. D\xB3uga 5").append(64, ' ') // DomUlica 67-141
                                 + QByteArray("www.dom.pl").append(65, ' ')     // DomURL 142-216
                                 + QByteArray("jan@dom.pl").append(40, ' ')     // Email 217-266
                                 + QByteArray("12 345 67 89").append(4, ' ')    // Faks 267-282
                                 + QByteArray("Firma Sp.").append(41, ' ')      // Firma 283-332
                                 + QByteArray("24.06")                          // Imieniny 333-337
                                 + QByteArray("Nowak Jan").append(21, ' ')      // Nazwa 338-367
                                 + QByteArray("xy").append(3, ' ')              // Parametry 368-372
                                 + QByteArray("00-950")                         // PracaKod 373-378
                                 + QByteArray("Warszawa").append(17, ' ')       // PracaMiasto 379-403
                                 + QByteArray("Rynek 1").append(68, ' ')        // PracaUlica 404-478
                                 + QByteArray("www.firma.pl").append(63, ' ')   // PracaURL 479-553
                                 + QByteArray("Janek").append(20, ' ')          // Pseudo 554-578
                                 + QByteArray("r")                              // Rocznica 579-588
                                       .append(9, ' ')                          //
                                 + QByteArray("06.12.2001")                     // Slub 589-598
                                 + QByteArray("111").append(13, ' ')            // TelDom 599-614
                                 + QByteArray("600700800").append(7, ' ')       // TelKom 615-630
                                 + QByteArray("222").append(13, ' ')            // TelSlu 631-646
                                 + QByteArray("12").append(2, ' ')              // TelWew 647-650
                                 + QByteArray("Kierownik").append(21, ' ')      // Tytul 651-680
                                 + QByteArray("24.06.1975");                    // Urodziny 681-690
    QCOMPARE(handBuilt.size(), 690);
    const Contact read = Contact::fromLine(handBuilt);
    QCOMPARE(read.ID, u"10042"_qs);
    QCOMPARE(read.Dep, u"Kadry"_qs);
    QCOMPARE(read.DomKod, u"30-001"_qs);
    QCOMPARE(read.DomMiasto, u"Kraków"_qs);
    QCOMPARE(read.DomUlica, u"ul. Długa 5"_qs);
    QCOMPARE(read.DomURL, u"www.dom.pl"_qs);
    QCOMPARE(read.Email, u"jan@dom.pl"_qs);
    QCOMPARE(read.Faks, u"12 345 67 89"_qs);
    QCOMPARE(read.Firma, u"Firma Sp."_qs);
    QCOMPARE(read.Imieniny, u"24.06"_qs);
    QCOMPARE(read.Nazwa, u"Nowak Jan"_qs);
    QCOMPARE(read.Parametry, u"xy"_qs);
    QCOMPARE(read.PracaKod, u"00-950"_qs);
    QCOMPARE(read.PracaMiasto, u"Warszawa"_qs);
    QCOMPARE(read.PracaUlica, u"Rynek 1"_qs);
    QCOMPARE(read.PracaURL, u"www.firma.pl"_qs);
    QCOMPARE(read.Pseudo, u"Janek"_qs);
    QCOMPARE(read.Rocznica, u"r"_qs);
    QCOMPARE(read.Slub, u"06.12.2001"_qs);
    QCOMPARE(read.TelDom, u"111"_qs);
    QCOMPARE(read.TelKom, u"600700800"_qs);
    QCOMPARE(read.TelSlu, u"222"_qs);
    QCOMPARE(read.TelWew, u"12"_qs);
    QCOMPARE(read.Tytul, u"Kierownik"_qs);
    QCOMPARE(read.Urodziny, u"24.06.1975"_qs);
    QCOMPARE(read.toLine(), handBuilt);

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
