#include "support/ContactLines.h"

#include "core/contacts/ContactSearch.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestContactSearch : public QObject
{
    Q_OBJECT
private slots:
    void contains_data();
    void contains();
    void findNext_visitsMatchesInOrderThenRestarts();
    void findNext_searchesAfterIdentifierOnly();
};

void TestContactSearch::contains_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::newRow("Polish letters across case") << u"ul. ŻÓŁTA 5, ŁÓDŹ"_s << u"łódź"_s << true;
    QTest::newRow("lower in stored, upper typed") << u"świętokrzyska"_s << u"ŚWIĘTO"_s << true;
    QTest::newRow("base letter is not the Polish one") << u"Lodz"_s << u"łódź"_s << false;
    QTest::newRow("at the very end") << u"Kowalski"_s << u"SKI"_s << true;
    QTest::newRow("longer than the text") << u"Ala"_s << u"Alan"_s << false;
    QTest::newRow("empty text") << u"Ala"_s << QString() << false;
    QTest::newRow("character outside the code page") << u"Ala ? kot"_s << u"? kot ✓"_s << false;
    QTest::newRow("blanks count") << u"Jan  Nowak"_s << u"jan n"_s << false;
}

void TestContactSearch::contains()
{
    QFETCH(QString, haystack);
    QFETCH(QString, text);
    QFETCH(bool, found);
    QCOMPARE(ContactSearch::contains(Cp1250::encode(haystack), text), found);
}

void TestContactSearch::findNext_visitsMatchesInOrderThenRestarts()
{
    ContactList list;
    list.setLines({contactLineByColumns(u"Adamski"_s, u"Gdańsk"_s),
                   contactLineByColumns(u"Bednarz"_s, u"Kraków"_s),
                   contactLineByColumns(u"Cichy"_s, u"GDAŃSK"_s)});
    ContactSearch search;
    search.dialogShown();
    QCOMPARE(search.findNext(list, u" gdańsk "_s), 0);
    QCOMPARE(search.findNext(list, u"gdańsk"_s), 2);
    QCOMPARE(search.findNext(list, u"gdańsk"_s), -1);
    QCOMPARE(search.findNext(list, u"gdańsk"_s), 0);
    QCOMPARE(search.findNext(list, u"ańsk"_s), 0); // another text starts over
    search.continueAfter(1);                       // the found contact moved when a save re-sorted
    QCOMPARE(search.findNext(list, u"ańsk"_s), 2);
    QCOMPARE(search.findNext(ContactList(), u"gdańsk"_s), -1);
}

void TestContactSearch::findNext_searchesAfterIdentifierOnly()
{
    QByteArray line = contactLineByColumns(u"Nowak"_s);
    line.replace(5, 5, "12345"); // the department field starts right after the identifier
    ContactList list;
    list.setLines({line});
    ContactSearch search;
    search.dialogShown();
    QCOMPARE(search.findNext(list, u"10000"_s), -1);
    QCOMPARE(search.findNext(list, u"12345"_s), 0);
}

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
