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
    QTest::newRow("1 January") << u"01.01 Masław      Mieczysław  Maria       Mieszko "_s;
    QTest::newRow("29 February") << u"02.29 Swald       Lutosława   Roman         "_s;
    QTest::newRow("1 November") << u"11.01 Andrzej     Cezary      "_s;
    QTest::newRow("24 December") << u"12.24 Adam        Ewa         Ewelina     Herimnia    Irmina      Noe"_s;
    QTest::newRow("31 December") << u"12.31 Katarzyna   Mariusz     Melania     Sylwester   Hermes          "_s;
}

void TestNameDays::builtIn_quotedRows()
{
    QFETCH(QString, row);
    QVERIFY(NameDays::builtIn().rows().contains(row));
}

void TestNameDays::builtIn_everyDayOfLeapYearHasTwoToSixNames()
{
    const QStringList &rows = NameDays::builtIn().rows();
    QCOMPARE(rows.size(), 366);
    QDate day(2024, 1, 1);
    for (const QString &row : rows) {
        QCOMPARE(row.left(6), day.toString(u"MM.dd "_s));
        const QStringList names = NameDays::namesOfRow(row);
        QVERIFY2(names.size() >= 2 && names.size() <= 6, qPrintable(row));
        day = day.addDays(1);
    }
}

QTEST_GUILESS_MAIN(TestNameDays)
#include "tst_namedays.moc"
