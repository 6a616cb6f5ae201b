#include "core/contacts/NameDays.h"

#include <QtTest>

using namespace Qt::Literals::StringLiterals;

class TestNameDays : public QObject
{
    Q_OBJECT
private slots:
    void builtIn_quotedRows_data();
    void builtIn_quotedRows();
    void builtIn_everyDayOfLeapYearHasTwoToSixNames();
};

void TestNameDays::builtIn_quotedRows_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("1 January") << u"01.01 Masław      Mieczysław  Maria       Mieszko "_s
                               << QStringList{u"Masław"_s, u"Mieczysław"_s, u"Maria"_s, u"Mieszko"_s};
    QTest::newRow("29 February") << u"02.29 Swald       Lutosława   Roman         "_s
                                 << QStringList{u"Swald"_s, u"Lutosława"_s, u"Roman"_s};
    QTest::newRow("1 November") << u"11.01 Andrzej     Cezary      "_s << QStringList{u"Andrzej"_s, u"Cezary"_s};
    QTest::newRow("24 December") << u"12.24 Adam        Ewa         Ewelina     Herimnia    Irmina      Noe"_s
                                 << QStringList{
                                        u"Adam"_s, u"Ewa"_s, u"Ewelina"_s, u"Herimnia"_s, u"Irmina"_s, u"Noe"_s};
    QTest::newRow("31 December") << u"12.31 Katarzyna   Mariusz     Melania     Sylwester   Hermes          "_s
                                 << QStringList{
                                        u"Katarzyna"_s, u"Mariusz"_s, u"Melania"_s, u"Sylwester"_s, u"Hermes"_s};
}

void TestNameDays::builtIn_quotedRows()
{
    QFETCH(QString, row);
    QFETCH(QStringList, names);
    QVERIFY(NameDays::builtIn().rows().contains(row));
    QCOMPARE(NameDays::namesOfRow(row), names);
}

void TestNameDays::builtIn_everyDayOfLeapYearHasTwoToSixNames()
{
    const QStringList &rows = NameDays::builtIn().rows();
    QCOMPARE(rows.size(), 366);
    QDate day(2024, 1, 1);
    for (const QString &row : rows) {
        QCOMPARE(row.left(6), day.toString(u"MM.dd "_s));
        // No name holds a blank, so the words after the date are the day's names.
        const QStringList words = row.mid(6).split(u' ', Qt::SkipEmptyParts);
        QVERIFY2(words.size() >= 2 && words.size() <= 6, qPrintable(row));
        QCOMPARE(NameDays::namesOfRow(row), words);
        day = day.addDays(1);
    }
}

QTEST_GUILESS_MAIN(TestNameDays)
#include "tst_namedays.moc"
