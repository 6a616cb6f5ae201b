#include "core/common/Cp1250.h"
#include "core/exchange/StoredValue.h"

#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;

// The one rule of what a data file keeps as it stands, asked of text and of a file's bytes.
class TestStoredValue : public QObject
{
    Q_OBJECT

private slots:
    void rule_data();
    void rule();
};

void TestStoredValue::rule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("asItStands");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("folded");

    QTest::newRow("empty") << QString() << 5 << true << QString() << false;
    QTest::newRow("plain") << u"Kowalski Jan"_s << 30 << true << u"Kowalski Jan"_s << false;
    QTest::newRow("Polish letters") << u"Łódź"_s << 4 << true << u"Łódź"_s << false;
    QTest::newRow("euro sign") << u"€ 5"_s << 10 << true << u"€ 5"_s << false;
    QTest::newRow("no-break space at the front is no blank") << u"\u00A0x"_s << 5 << true << u"\u00A0x"_s << false;
    QTest::newRow("leading blank") << u" Jan"_s << 10 << false << u"Jan"_s << false;
    QTest::newRow("trailing tab") << u"Jan\t"_s << 10 << false << u"Jan"_s << false;
    QTest::newRow("line break inside") << u"ul. Długa\n5"_s << 20 << false << u"ul. Długa 5"_s << false;
    QTest::newRow("DEL at the end") << u"a\x7F"_s << 5 << false << u"a"_s << false;
    QTest::newRow("over the width") << u"abcdef"_s << 4 << false << u"abcd"_s << false;
    QTest::newRow("cut before a blank") << u"ab cdef"_s << 3 << false << u"ab"_s << false;
    QTest::newRow("letter without a place") << u"Ñandú"_s << 10 << false << u"Nandú"_s << true;
    QTest::newRow("outside the basic plane") << u"a😀"_s << 10 << false << u"a?"_s << true;
    QTest::newRow("exactly the width") << u"Żółw"_s << 4 << true << u"Żółw"_s << false;
}

void TestStoredValue::rule()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(bool, asItStands);
    QFETCH(QString, stored);
    QFETCH(bool, folded);

    QCOMPARE(StoredValue::isStorable(text, width), asItStands);
    bool replaced = false;
    const QString made = StoredValue::storable(text, width, &replaced);
    QCOMPARE(made, stored);
    QCOMPARE(replaced, folded);
    QVERIFY(StoredValue::isStorable(made, width)); // what is made is kept as it stands from then on

    // A file's bytes are judged as their text is, in both encodings a file is read in.
    std::vector<char> out(static_cast<size_t>(width) + 1);
    qsizetype length = -1;
    QCOMPARE(StoredValue::storableBytes(text.toUtf8(), true, width, out.data(), &length), asItStands);
    if (asItStands) {
        QCOMPARE(QByteArray(out.data(), length), Cp1250::encode(text));
    }
    if (Cp1250::canEncode(text)) {
        QCOMPARE(StoredValue::storableBytes(Cp1250::encode(text), false, width, out.data(), &length), asItStands);
    }
}

QTEST_GUILESS_MAIN(TestStoredValue)
#include "tst_storedvalue.moc"
