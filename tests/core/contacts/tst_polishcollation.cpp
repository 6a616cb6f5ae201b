#include "core/common/Cp1250.h"
#include "core/contacts/PolishCollation.h"

#include <QtTest>

using PolishCollation::PorownaniePL;
using PolishCollation::PorowZmienPL;

class TestPolishCollation : public QObject
{
    Q_OBJECT
private slots:
    void weights_data();
    void weights();
    void compare_data();
    void compare();
    void sortKey_ordersAsCompare();
};

void TestPolishCollation::weights_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    // Each pair: the first letter must weigh less than the second.
    QTest::newRow("a < ą") << "a" << u"ą"_qs;
    QTest::newRow("ą < b") << u"ą"_qs << "b";
    QTest::newRow("l < ł") << "l" << u"ł"_qs;
    QTest::newRow("ł < m") << u"ł"_qs << "m";
    QTest::newRow("o < ó") << "o" << u"ó"_qs;
    QTest::newRow("s < ś") << "s" << u"ś"_qs;
    QTest::newRow("z < ź") << "z" << u"ź"_qs;
    QTest::newRow("ź < ż") << u"ź"_qs << u"ż"_qs;
    QTest::newRow("space < digit") << " "
                                   << "0";
    QTest::newRow("digit < letter") << "9"
                                    << "A";
    QTest::newRow("ż < other accented") << u"ż"_qs << u"é"_qs;
    QTest::newRow("other accented < byte 255") << u"é"_qs << QString(Cp1250::decodeByte(255));
}

void TestPolishCollation::weights()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const auto weight = [](const QString &s) {
        return PorowZmienPL(static_cast<unsigned char>(Cp1250::encode(s)[0]));
    };
    QVERIFY2(weight(before) < weight(after), qPrintable(u"%1 vs %2"_qs.arg(weight(before)).arg(weight(after))));
    // Capitals weigh as their small letters; other accented letters keep their own codes.
    if (before != u"é") {
        QCOMPARE(weight(before.toUpper()), weight(before));
    }
}

void TestPolishCollation::compare_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("result");
    QTest::newRow("Łukasz after Lis") << u"Łukasz"_qs << "Lis" << 1;
    QTest::newRow("Łukasz before Mazur") << u"Łukasz"_qs << "Mazur" << -1;
    QTest::newRow("Ćwik after Cichy") << u"Ćwik"_qs << "Cichy" << 1;
    QTest::newRow("Ćwik before Dąb") << u"Ćwik"_qs << u"Dąb"_qs << -1;
    QTest::newRow("Żak after Zięba") << u"Żak"_qs << u"Zięba"_qs << 1;
    QTest::newRow("Żak after Źrebiec") << u"Żak"_qs << u"Źrebiec"_qs << 1;
    QTest::newRow("case ignored") << "nowak"
                                  << "NOWAK" << 0;
    QTest::newRow("polish case ignored") << u"ŁÓDŹ"_qs << u"łódź"_qs << 0;
    QTest::newRow("prefix first") << "Nowak"
                                  << "Nowakowski" << -1;
    QTest::newRow("longer after") << "Nowakowski"
                                  << "Nowak" << 1;
    QTest::newRow("blanks trimmed") << "  Nowak \t"
                                    << "Nowak" << 0;
    QTest::newRow("digit before letter") << "3M"
                                         << "Abacki" << -1;
    QTest::newRow("empty first") << ""
                                 << "A" << -1;
    QTest::newRow("placeholder last") << QString(Cp1250::decodeByte(255)) + u"Wprowadź"_qs << u"Żużel"_qs << 1;
}

void TestPolishCollation::compare()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, result);
    QCOMPARE(PorownaniePL(a, b), result);
    QCOMPARE(PorownaniePL(b, a), -result);
}

void TestPolishCollation::sortKey_ordersAsCompare()
{
    const QStringList names = {u"Żak"_qs, "Lis", u"Łukasz"_qs, "nowak", "NOWAK", "Nowakowski", "", " 3M", u"Ćwik"_qs};
    for (const QString &a : names) {
        for (const QString &b : names) {
            const auto ka = PolishCollation::sortKey(Cp1250::encode(a));
            const auto kb = PolishCollation::sortKey(Cp1250::encode(b));
            const int keyOrder = ka < kb ? -1 : (kb < ka ? 1 : 0);
            QCOMPARE(keyOrder, PorownaniePL(a, b));
        }
    }
}

QTEST_GUILESS_MAIN(TestPolishCollation)
#include "tst_polishcollation.moc"
