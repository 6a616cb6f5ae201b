#include "core/calc/Calculation.h"

#include <QtTest>

class TestCalculation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Polish)); }
    void conversions_data();
    void conversions();
    void vatTax_exactDecimal_data();
    void vatTax_exactDecimal();
    void categories_itemsUnitsAndRates();
    void effectiveRate_data();
    void effectiveRate();
    void validCategory_outOfRangeIsFirst();
    void parse_data();
    void parse();
    void format_data();
    void format();
    void isTypable_data();
    void isTypable();
    void parse_otherLocaleGrouping();
};

void TestCalculation::conversions_data()
{
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("from"); // field index 0..2
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<qint64>("third");
    QTest::newRow("VAT net 100") << 0 << 0 << qint64(10000) << qint64(12200) << qint64(10700);
    QTest::newRow("VAT gross 122 back") << 0 << 1 << qint64(12200) << qint64(10000) << qint64(10700);
    QTest::newRow("100 cm") << 1 << 0 << qint64(10000) << qint64(3937) << qint64(328);
    QTest::newRow("1 m") << 2 << 0 << qint64(100) << qint64(328) << qint64(110);
    QTest::newRow("1 km") << 3 << 0 << qint64(100) << qint64(62) << qint64(54);
    // Large enough that every digit of the factors 0.62137 and 0.53961 shows in the hundredths.
    QTest::newRow("100 000 km") << 3 << 0 << qint64(10000000) << qint64(6213700) << qint64(5396100);
    QTest::newRow("1 234 567,89 km") << 3 << 0 << qint64(123456789) << qint64(76712345) << qint64(66618518);
    QTest::newRow("62 137 land miles back") << 3 << 1 << qint64(6213700) << qint64(10000000) << qint64(5396100);
    QTest::newRow("1 kg") << 4 << 0 << qint64(100) << qint64(222) << qint64(342);
    QTest::newRow("negative kg rounds away from zero") << 4 << 0 << qint64(-25) << qint64(-56) << qint64(-86);
    QTest::newRow("from the third field") << 4 << 2 << qint64(34211) << qint64(10000) << qint64(22222);
}

void TestCalculation::conversions()
{
    QFETCH(int, category);
    QFETCH(int, from);
    QFETCH(qint64, value);
    const Calculation::Category c = Calculation::category(category, 22, 7);
    QList<qint64> others;
    for (int j = 0; j < 3; ++j) {
        if (j != from) {
            others.append(Calculation::convert(value, c.factors[from], c.factors[j]));
        }
    }
    QTEST(others.at(0), "second");
    QTEST(others.at(1), "third");
}

void TestCalculation::vatTax_exactDecimal_data()
{
    QTest::addColumn<qint64>("gross");
    QTest::addColumn<qint64>("net");
    QTest::addColumn<QString>("text");
    QTest::newRow("22,00") << qint64(12200) << qint64(10000) << "22,00";
    QTest::newRow("7,00") << qint64(10700) << qint64(10000) << "7,00";
    QTest::newRow("binary would give 2,20") << qint64(1226) << qint64(1005) << "2,21";
    QTest::newRow("small") << qint64(405) << qint64(0) << "4,05";
    QTest::newRow("negative") << qint64(-405) << qint64(0) << "-4,05";
    QTest::newRow("negative below one") << qint64(-50) << qint64(0) << "-0,50";
    QTest::newRow("zero") << qint64(0) << qint64(0) << "0,00";
}

void TestCalculation::vatTax_exactDecimal()
{
    QFETCH(qint64, gross);
    QFETCH(qint64, net);
    QTEST(Calculation::taxText(gross - net), "text");
}

void TestCalculation::categories_itemsUnitsAndRates()
{
    const QStringList items = {QStringLiteral("Obliczenia VAT"),
                               QStringLiteral("Długość - cm"),
                               QStringLiteral("Długość -   m"),
                               QStringLiteral("Długość - km"),
                               QStringLiteral("Miary masy")};
    for (int i = 0; i < Calculation::categoryCount; ++i) {
        QCOMPARE(Calculation::category(i, 22, 7).item, items.at(i));
        QCOMPARE(Calculation::category(i, 22, 7).factors[0], 1.0);
    }
    const Calculation::Category vat = Calculation::category(0, 23, -5);
    QCOMPARE(vat.units[1], QStringLiteral("VAT 23%"));
    QCOMPARE(vat.units[2], QStringLiteral("VAT -5%"));
    QCOMPARE(Calculation::convert(10000, vat.factors[0], vat.factors[2]), qint64(9500));
    QCOMPARE(Calculation::category(3, 22, 7).units[1], QStringLiteral("mile lądowe"));
    // The factors as the conversion table gives them, including those that differ from the
    // exact physical ratios.
    const std::array<std::array<double, 3>, 4> factors = {
        {{1, 0.3937, 0.0328083989}, {1, 3.2808, 1.0989}, {1, 0.62137, 0.53961}, {1, 2.2222, 3.4211}}};
    for (int i = 1; i < Calculation::categoryCount; ++i) {
        for (int j = 0; j < 3; ++j) {
            QCOMPARE(Calculation::category(i, 22, 7).factors[j], factors[i - 1][j]);
        }
    }
}

void TestCalculation::effectiveRate_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("effective");
    QTest::newRow("ordinary") << 22 << 22;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("-99 still a factor") << -99 << -99;
    QTest::newRow("-100 divides by zero") << -100 << 7;
    QTest::newRow("below -100") << -250 << 7;
    QTest::newRow("ten times the price") << 1000 << 1000;
    QTest::newRow("edited by hand above it") << 1500 << 1000;
    QTest::newRow("int maximum") << std::numeric_limits<int>::max() << 1000;
    QTest::newRow("int minimum") << std::numeric_limits<int>::min() << 7;
}

void TestCalculation::effectiveRate()
{
    QFETCH(int, rate);
    QTEST(Calculation::effectiveRate(rate, 7), "effective");
}

void TestCalculation::validCategory_outOfRangeIsFirst()
{
    QCOMPARE(Calculation::validCategory(4), 4);
    QCOMPARE(Calculation::validCategory(5), 0);
    QCOMPARE(Calculation::validCategory(-1), 0);
}

void TestCalculation::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("hundredths");
    QTest::newRow("comma") << "2,5" << qint64(250);
    QTest::newRow("dot") << "2.5" << qint64(250);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("minus alone") << "-" << qint64(0);
    QTest::newRow("negative") << "-4,05" << qint64(-405);
    QTest::newRow("trailing separator") << "12," << qint64(1200);
    QTest::newRow("leading separator") << ",5" << qint64(50);
    QTest::newRow("grouped") << QStringLiteral("1\u00a0234\u00a0567,89") << qint64(123456789);
    QTest::newRow("three decimals") << "1,234" << qint64(0);
    QTest::newRow("two separators") << "1,2,3" << qint64(0);
    QTest::newRow("letters") << "12a" << qint64(0);
    QTest::newRow("minus inside") << "1-2" << qint64(0);
}

void TestCalculation::parse()
{
    QFETCH(QString, text);
    QTEST(CalcNumber::parse(text), "hundredths");
}

void TestCalculation::format_data()
{
    QTest::addColumn<qint64>("hundredths");
    QTest::addColumn<bool>("grouped");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero empty") << qint64(0) << true << "";
    QTest::newRow("whole") << qint64(12200) << true << "122";
    QTest::newRow("trailing zero dropped") << qint64(110) << true << "1,1";
    QTest::newRow("two decimals") << qint64(3937) << true << "39,37";
    QTest::newRow("leading zero decimal") << qint64(5) << true << "0,05";
    QTest::newRow("negative") << qint64(-405) << false << "-4,05";
    QTest::newRow("grouped") << qint64(123456789) << true << QStringLiteral("1\u00a0234\u00a0567,89");
    QTest::newRow("four digits grouped") << qint64(123400) << true << QStringLiteral("1\u00a0234");
    QTest::newRow("three digits") << qint64(99900) << true << "999";
    QTest::newRow("focused, not grouped") << qint64(123456789) << false << "1234567,89";
    QTest::newRow("negative grouped") << qint64(-1234567800) << true << QStringLiteral("-12\u00a0345\u00a0678");
}

void TestCalculation::format()
{
    QFETCH(qint64, hundredths);
    QFETCH(bool, grouped);
    QFETCH(QString, text);
    QCOMPARE(CalcNumber::format(hundredths, grouped), text);
    QCOMPARE(CalcNumber::parse(text), hundredths);
}

void TestCalculation::isTypable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("typable");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("minus") << "-" << true;
    QTest::newRow("separator last") << "12," << true;
    QTest::newRow("two decimals") << "12,34" << true;
    QTest::newRow("three decimals") << "12,345" << false;
    QTest::newRow("dot is not the locale's") << "12.3" << false;
    QTest::newRow("second separator") << "1,2," << false;
    QTest::newRow("second minus") << "--1" << false;
    QTest::newRow("ten characters") << "1234567,89" << true;
    QTest::newRow("eleven characters") << "12345678901" << false;
    QTest::newRow("letter") << "1e5" << false;
}

void TestCalculation::isTypable()
{
    QFETCH(QString, text);
    QTEST(CalcNumber::isTypable(text), "typable");
}

void TestCalculation::parse_otherLocaleGrouping()
{
    const QLocale german(QLocale::German);
    QCOMPARE(CalcNumber::format(123456789, true, german), QStringLiteral("1.234.567,89"));
    QCOMPARE(CalcNumber::parse(QStringLiteral("1.234.567,89"), german), qint64(123456789));
    QCOMPARE(CalcNumber::parse(QStringLiteral("2,5"), german), qint64(250));
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(CalcNumber::parse(QStringLiteral("1,234.5"), english), qint64(123450));
    QCOMPARE(CalcNumber::format(250, false, english), QStringLiteral("2.5"));
}

QTEST_GUILESS_MAIN(TestCalculation)
#include "tst_calculation.moc"
