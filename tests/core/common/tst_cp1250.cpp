#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"

#include <QStringDecoder>
#include <QtTest>

class TestCp1250 : public QObject
{
    Q_OBJECT
private slots:
    void polishLetters_data();
    void polishLetters();
    void everyByte_roundTrips();
    void agreesWithSystemCodec();
    void unencodable_becomesQuestionMark();
    void lines_data();
    void lines();
    void joinLines_endsEveryLineWithCrLf();
};

void TestCp1250::polishLetters_data()
{
    QTest::addColumn<QString>("letter");
    QTest::addColumn<int>("byte");
    const QString letters = QStringLiteral("ĄąĆćĘęŁłŃńÓóŚśŹźŻż");
    const int bytes[] = {165, 185, 198, 230, 202, 234, 163, 179, 209, 241, 211, 243, 140, 156, 143, 159, 175, 191};
    for (int i = 0; i < letters.size(); ++i) {
        QTest::newRow(qPrintable(letters.mid(i, 1))) << letters.mid(i, 1) << bytes[i];
    }
    QTest::newRow("dot above (placeholder mark)") << QStringLiteral("˙") << 255;
    QTest::newRow("euro") << QStringLiteral("€") << 0x80;
    QTest::newRow("plain A") << QStringLiteral("A") << 65;
}

void TestCp1250::polishLetters()
{
    QFETCH(QString, letter);
    QFETCH(int, byte);
    QCOMPARE(Cp1250::encode(letter), QByteArray(1, char(byte)));
    QCOMPARE(Cp1250::decode(QByteArray(1, char(byte))), letter);
}

void TestCp1250::everyByte_roundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(char(b));
    }
    const QString text = Cp1250::decode(all);
    QCOMPARE(text.size(), 256);
    QVERIFY(Cp1250::canEncode(text));
    QCOMPARE(Cp1250::encode(text), all);
}

void TestCp1250::agreesWithSystemCodec()
{
    QStringDecoder system("windows-1250");
    if (!system.isValid()) {
        QSKIP("this Qt has no windows-1250 codec to compare with");
    }
    for (int b = 0x80; b < 0x100; ++b) {
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) {
            continue; // undefined in the code page; we keep them as C1 controls
        }
        const QByteArray one(1, char(b));
        QCOMPARE(Cp1250::decode(one), system.decode(one));
    }
}

void TestCp1250::unencodable_becomesQuestionMark()
{
    const QString text = QStringLiteral("a中ø");
    QVERIFY(!Cp1250::canEncode(text));
    QCOMPARE(Cp1250::encode(text), QByteArray("a??"));
    QCOMPARE(Cp1250::encodeChar(QChar(0x4E2D)), -1);
}

void TestCp1250::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
    QTest::newRow("lf and cr") << QByteArray("a\nb\rc") << QList<QByteArray>{"a", "b", "c"};
    QTest::newRow("no final end") << QByteArray("a\r\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n") << QList<QByteArray>{"", "", "x"};
    QTest::newRow("cr cr lf is one end") << QByteArray("a\r\r\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("nul reads as blank, later lines kept")
        << QByteArray("a\r\nb\0c\r\nd", 9) << QList<QByteArray>{"a", "b c", "d"};
    QTest::newRow("nul at start") << QByteArray("\0a\r\n", 4) << QList<QByteArray>{" a"};
}

void TestCp1250::lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(TextFile::splitLines(bytes), lines);
}

void TestCp1250::joinLines_endsEveryLineWithCrLf()
{
    const QByteArray bytes("x\r\n\r\n\xb3y\r\n");
    QCOMPARE(TextFile::joinLines(TextFile::splitLines(bytes)), bytes);
}

QTEST_GUILESS_MAIN(TestCp1250)
#include "tst_cp1250.moc"
