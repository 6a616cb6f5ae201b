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
    void rank_ordersAsTheWeights();
};

void TestPolishCollation::weights_data()
{
    QTest::addColumn<int>("byte"); // code page 1250
    QTest::addColumn<int>("weight");
    // The weight table of the Polish letters, capital and small alike.
    QTest::newRow("Ą 165") << 165 << 292;
    QTest::newRow("ą 185") << 185 << 292;
    QTest::newRow("Ć 198") << 198 << 298;
    QTest::newRow("ć 230") << 230 << 298;
    QTest::newRow("Ę 202") << 202 << 304;
    QTest::newRow("ę 234") << 234 << 304;
    QTest::newRow("Ł 163") << 163 << 325;
    QTest::newRow("ł 179") << 179 << 325;
    QTest::newRow("Ń 209") << 209 << 331;
    QTest::newRow("ń 241") << 241 << 331;
    QTest::newRow("Ó 211") << 211 << 334;
    QTest::newRow("ó 243") << 243 << 334;
    QTest::newRow("Ś 140") << 140 << 346;
    QTest::newRow("ś 156") << 156 << 346;
    QTest::newRow("Ź 143") << 143 << 367;
    QTest::newRow("ź 159") << 159 << 367;
    QTest::newRow("Ż 175") << 175 << 368;
    QTest::newRow("ż 191") << 191 << 368;
    // Base letters: a capital weighs as its small letter.
    QTest::newRow("a") << int('a') << 291;
    QTest::newRow("A") << int('A') << 291;
    QTest::newRow("c") << int('c') << 297;
    QTest::newRow("L") << int('L') << 324;
    QTest::newRow("Z") << int('Z') << 366;
    QTest::newRow("z") << int('z') << 366;
    // Everything else weighs three times its code.
    QTest::newRow("space") << 32 << 96;
    QTest::newRow("digit 0") << int('0') << 144;
    QTest::newRow("digit 9") << int('9') << 171;
    QTest::newRow("bracket before a") << int('[') << 273;
    QTest::newRow("brace after z") << int('{') << 369;
    QTest::newRow("other accented é 233") << 233 << 699;
    QTest::newRow("byte 255") << 255 << 765;
    QTest::newRow("NUL") << 0 << 0;
}

void TestPolishCollation::weights()
{
    QFETCH(int, byte);
    QFETCH(int, weight);
    QCOMPARE(PorowZmienPL(static_cast<unsigned char>(byte)), weight);
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

void TestPolishCollation::rank_ordersAsTheWeights()
{
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const int byRank = PolishCollation::rank(a) - PolishCollation::rank(b);
            const int byWeight = PorowZmienPL(a) - PorowZmienPL(b);
            QVERIFY2((byRank < 0) == (byWeight < 0) && (byRank == 0) == (byWeight == 0),
                     qPrintable(QStringLiteral("bytes %1 and %2").arg(a).arg(b)));
        }
        QVERIFY(PolishCollation::rank(a) > 0); // above the 0 that pads a short name
    }
}

QTEST_GUILESS_MAIN(TestPolishCollation)
#include "tst_polishcollation.moc"
