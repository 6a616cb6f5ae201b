#include "core/common/DateText.h"

#include <QtTest>

class TestDateText : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void dayNumbers_roundTrip();
    void padToWidth_data();
    void padToWidth();
    void twoDigits();
    void swapNameOrder_data();
    void swapNameOrder();
    void withoutYear_data();
    void withoutYear();
};

void TestDateText::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("day"); // -1 = rejected
    QTest::newRow("day 0") << "30.12.1899" << 0;
    QTest::newRow("day 2") << "01.01.1900" << 2;
    QTest::newRow("day -1 counts as invalid") << "29.12.1899" << -1;
    QTest::newRow("before day 0") << "28.12.1899" << -2;
    QTest::newRow("1 Feb 2003") << "01.02.2003" << 37653;
    QTest::newRow("blanks around") << "  01.02.2003 " << 37653;
    QTest::newRow("tab around") << "\t01.02.2003\t" << 37653;
    QTest::newRow("short form") << "1.2.2003" << -1;
    QTest::newRow("nine characters") << "1.02.2003" << -1;
    QTest::newRow("31 April") << "31.04.2003" << -1;
    QTest::newRow("29 Feb common year") << "29.02.2003" << -1;
    QTest::newRow("29 Feb leap year") << "29.02.2004" << 38046;
    QTest::newRow("29 Feb 1900") << "29.02.1900" << -1;
    QTest::newRow("month 13") << "01.13.2003" << -1;
    QTest::newRow("day 00") << "00.01.2003" << -1;
    QTest::newRow("letters") << "ab.cd.efgh" << -1;
    QTest::newRow("other separator") << "01-02-2003" << -1;
    QTest::newRow("sign in year") << "01.02.+003" << -1;
    QTest::newRow("blank inside") << "01.02. 003" << -1;
    QTest::newRow("year 0") << "01.01.0000" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blanks only") << "          " << -1;
}

void TestDateText::parse()
{
    QFETCH(QString, text);
    QFETCH(int, day);
    const int parsed = DateText::parse(text);
    QCOMPARE(parsed, day);
    QCOMPARE(DateText::parseDate(text).isValid(), day != -1);
}

void TestDateText::dayNumbers_roundTrip()
{
    // Leap days and year ends, both ways.
    for (const char *text : {"29.02.2024", "31.12.2026", "01.01.2027", "28.02.2100", "01.03.2100"}) {
        const QString t = QLatin1String(text);
        QCOMPARE(DateText::fromDayToText(DateText::parse(t)), t);
    }
    QCOMPARE(DateText::parse("01.03.2024") - DateText::parse("28.02.2024"), 2);
    QCOMPARE(DateText::toText(QDate()), QString());
}

void TestDateText::padToWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("padded");
    QTest::newRow("empty to five") << "" << 5 << "     ";
    QTest::newRow("cut") << "abcdef" << 3 << "abc";
    QTest::newRow("leading blank kept") << " ab" << 5 << " ab  ";
    QTest::newRow("trailing blanks not trimmed") << "ab   " << 3 << "ab ";
    QTest::newRow("exact") << "abc" << 3 << "abc";
    QTest::newRow("zero width") << "abc" << 0 << "";
}

void TestDateText::padToWidth()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, padded);
    QCOMPARE(FixedText::padToWidth(text, width), padded);
}

void TestDateText::twoDigits()
{
    QCOMPARE(FixedText::twoDigits(0), QStringLiteral("00"));
    QCOMPARE(FixedText::twoDigits(7), QStringLiteral("07"));
    QCOMPARE(FixedText::twoDigits(12), QStringLiteral("12"));
    QCOMPARE(FixedText::twoDigits(2026), QStringLiteral("2026"));
}

void TestDateText::swapNameOrder_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("printed");
    QTest::newRow("one word") << "Abc"
                              << "Abc ";
    QTest::newRow("two words") << "Abc Def"
                               << "Def Abc ";
    QTest::newRow("three words") << "Abc Def Ghi"
                                 << "Def Ghi Abc ";
    QTest::newRow("blanks around") << "  Kowalski Jan  "
                                   << "Jan Kowalski ";
    QTest::newRow("empty") << ""
                           << " ";
}

void TestDateText::swapNameOrder()
{
    QFETCH(QString, stored);
    QFETCH(QString, printed);
    QCOMPARE(FixedText::swapNameOrder(stored), printed);
}

// A birthday without its year: "dd.MM", or "dd.MM.1604" as an earlier version kept it.
void TestDateText::withoutYear_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept"); // empty: not a birthday without its year, kept as it is
    QTest::newRow("day and month") << "12.04"
                                   << "12.04";
    QTest::newRow("year 1604") << "12.04.1604"
                               << "12.04";
    QTest::newRow("blanks around") << " 12.04.1604 "
                                   << "12.04";
    QTest::newRow("leap day has its place") << "29.02"
                                            << "29.02";
    QTest::newRow("leap day in 1604") << "29.02.1604"
                                      << "29.02";
    QTest::newRow("no such day") << "31.04"
                                 << "";
    QTest::newRow("no such day in 1604") << "31.04.1604"
                                         << "";
    QTest::newRow("a whole date") << "12.04.1980"
                                  << "";
    QTest::newRow("one digit day") << "1.04."
                                   << "";
    QTest::newRow("other text") << "ok. 1950"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDateText::withoutYear()
{
    QFETCH(QString, text);
    QFETCH(QString, kept);
    QCOMPARE(DateText::isWithoutYear(text), !kept.isEmpty());
    QCOMPARE(DateText::withoutYear(text), kept.isEmpty() ? text : kept);
}

QTEST_GUILESS_MAIN(TestDateText)
#include "tst_datetext.moc"
