#include "core/calc/PocketCalculator.h"

#include <QtTest>

// Keys as the pop-up calculator sends them: digits, ".", + - * /, "=", "n" for the sign, "b" for
// backspace, "c" for clear.
class TestPocketCalculator : public QObject
{
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
};

void TestPocketCalculator::keys_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("refused");
    QTest::newRow("starts at the field's value") << 6.1 << ""
                                                 << "6.1" << false;
    QTest::newRow("first digit replaces the start") << 6.1 << "12"
                                                    << "12" << false;
    QTest::newRow("left to right, no precedence") << 0.0 << "2+3*4="
                                                  << "20" << false;
    QTest::newRow("operator shows running result") << 0.0 << "2+3*"
                                                   << "5" << false;
    QTest::newRow("second operator replaces first") << 0.0 << "8+-3="
                                                    << "5" << false;
    QTest::newRow("start value used as operand") << 10.0 << "/4="
                                                 << "2.5" << false;
    QTest::newRow("decimal entry") << 0.0 << "1.5*2="
                                   << "3" << false;
    QTest::newRow("single separator") << 0.0 << "1..5"
                                      << "1.5" << false;
    QTest::newRow("negate entry") << 0.0 << "7n"
                                  << "-7" << false;
    QTest::newRow("negate zero stays zero") << 0.0 << "n"
                                            << "0" << false;
    QTest::newRow("backspace") << 0.0 << "123b"
                               << "12" << false;
    QTest::newRow("backspace to zero") << 0.0 << "5b"
                                       << "0" << false;
    QTest::newRow("clear") << 0.0 << "9+9c"
                           << "0" << false;
    QTest::newRow("division by zero refused") << 0.0 << "6/0="
                                              << "0" << true;
    QTest::newRow("after refusal the entry can change") << 0.0 << "6/0=b2="
                                                        << "3" << true;
    QTest::newRow("digits capped") << 0.0 << "1234567890123456789"
                                   << "123456789012345" << false;
}

void TestPocketCalculator::keys()
{
    QFETCH(double, start);
    QFETCH(QString, keys);
    PocketCalculator calc(start);
    bool refused = false;
    for (const QChar k : keys) {
        bool ok = true;
        switch (k.unicode()) {
        case u'+':
            ok = calc.operation(PocketCalculator::Add);
            break;
        case u'-':
            ok = calc.operation(PocketCalculator::Subtract);
            break;
        case u'*':
            ok = calc.operation(PocketCalculator::Multiply);
            break;
        case u'/':
            ok = calc.operation(PocketCalculator::Divide);
            break;
        case u'=':
            ok = calc.equals();
            break;
        case u'.':
            calc.point();
            break;
        case u'n':
            calc.negate();
            break;
        case u'b':
            calc.backspace();
            break;
        case u'c':
            calc.clear();
            break;
        default:
            calc.digit(k.digitValue());
        }
        refused = refused || !ok;
    }
    QTEST(calc.displayText(QLocale::c()), "display");
    QTEST(refused, "refused");
}

QTEST_GUILESS_MAIN(TestPocketCalculator)
#include "tst_pocketcalculator.moc"
