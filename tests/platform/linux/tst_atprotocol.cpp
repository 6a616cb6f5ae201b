#include "platform/linux/AtProtocol.h"

#include <QtTest>

Q_DECLARE_METATYPE(At::Result)

// Modem answers cut into lines however the port delivers them, and the result codes they stand for.
class TestAtProtocol : public QObject
{
    Q_OBJECT
private slots:
    void lines_whateverTheReads_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("one answer") << QList<QByteArray>{"\r\nOK\r\n"} << QList<QByteArray>{"OK"} << QByteArray();
        QTest::newRow("split inside the word")
            << QList<QByteArray>{"\r\nO", "K\r\n"} << QList<QByteArray>{"OK"} << QByteArray();
        QTest::newRow("split between CR and LF")
            << QList<QByteArray>{"\r\nNO CARRIER\r", "\n"} << QList<QByteArray>{"NO CARRIER"} << QByteArray();
        QTest::newRow("byte by byte") << QList<QByteArray>{"\r", "\n", "B", "U", "S", "Y", "\r", "\n"}
                                      << QList<QByteArray>{"BUSY"} << QByteArray();
        QTest::newRow("echo and answer in one read")
            << QList<QByteArray>{"ATD123;\r\r\nOK\r\n"} << QList<QByteArray>{"ATD123;", "OK"} << QByteArray();
        QTest::newRow("two answers, the second unfinished") << QList<QByteArray>{"\r\nOK\r\n\r\nRING\r\n\r\nNO DIAL"}
                                                            << QList<QByteArray>{"OK", "RING"} << QByteArray("NO DIAL");
        QTest::newRow("CR only, as with S4 cleared")
            << QList<QByteArray>{"OK\rERROR\r"} << QList<QByteArray>{"OK", "ERROR"} << QByteArray();
        QTest::newRow("blanks and NULs") << QList<QByteArray>{QByteArray("\r\n  \r\n O\0K \r\n", 13)}
                                         << QList<QByteArray>{"OK"} << QByteArray();
    }
    void lines_whateverTheReads()
    {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, left);
        At::LineReader reader;
        QList<QByteArray> got;
        for (const QByteArray &read : reads) {
            got += reader.feed(read);
        }
        QCOMPARE(got, lines);
        QCOMPARE(reader.partial(), left);
    }

    void classify_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<At::Result>("result");
        QTest::addColumn<bool>("final");
        QTest::newRow("OK") << QByteArray("OK") << At::Result::Ok << true;
        QTest::newRow("lower case") << QByteArray("ok") << At::Result::Ok << true;
        QTest::newRow("CONNECT with speed") << QByteArray("CONNECT 33600/ARQ") << At::Result::Connect << true;
        QTest::newRow("CONNECTED is no result") << QByteArray("CONNECTED") << At::Result::None << false;
        QTest::newRow("BUSY") << QByteArray("BUSY") << At::Result::Busy << true;
        QTest::newRow("NO CARRIER") << QByteArray("NO CARRIER") << At::Result::NoCarrier << true;
        QTest::newRow("NO DIALTONE") << QByteArray("NO DIALTONE") << At::Result::NoDialtone << true;
        QTest::newRow("NO DIAL TONE") << QByteArray("NO DIAL TONE") << At::Result::NoDialtone << true;
        QTest::newRow("NO ANSWER") << QByteArray("NO ANSWER") << At::Result::NoAnswer << true;
        QTest::newRow("phone error") << QByteArray("+CME ERROR: 3") << At::Result::Error << true;
        QTest::newRow("RING is not final") << QByteArray("RING") << At::Result::Ring << false;
        QTest::newRow("echo of a dial") << QByteArray("ATD0,123;") << At::Result::None << false;
        QTest::newRow("information text") << QByteArray("U.S. Robotics 56K") << At::Result::None << false;
        QTest::newRow("numeric OK") << QByteArray("0") << At::Result::Ok << true;
        QTest::newRow("numeric BUSY") << QByteArray("7") << At::Result::Busy << true;
        QTest::newRow("numeric NO DIALTONE") << QByteArray("6") << At::Result::NoDialtone << true;
        QTest::newRow("a number is information") << QByteArray("56000") << At::Result::None << false;
    }
    void classify()
    {
        QFETCH(QByteArray, line);
        QFETCH(At::Result, result);
        QFETCH(bool, final);
        QCOMPARE(At::classify(line), result);
        QCOMPARE(At::isFinal(At::classify(line)), final);
    }

    void endlessNoise_keepsFindingAnswers()
    {
        At::LineReader reader;
        for (int i = 0; i < 100; ++i) {
            QVERIFY(reader.feed(QByteArray(1000, 'x')).isEmpty());
        }
        QVERIFY(reader.partial().size() <= 1024);
        const QList<QByteArray> lines = reader.feed("\r\nOK\r\n");
        QCOMPARE(lines.size(), 2); // the tail of the noise, then the answer
        QCOMPARE(lines.last(), QByteArray("OK"));
    }
};

QTEST_GUILESS_MAIN(TestAtProtocol)
#include "tst_atprotocol.moc"
