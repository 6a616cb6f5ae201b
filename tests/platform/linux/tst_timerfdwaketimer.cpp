#include "platform/linux/TimerFdWakeTimer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QtTest>

// The wall-clock timer against the kernel's own clock.
class TestTimerFdWakeTimer : public QObject
{
    Q_OBJECT

private slots:
    void arm_firesAtTheMoment_data()
    {
        QTest::addColumn<int>("aheadMs");
        QTest::addColumn<int>("rearmAheadMs"); // 0: not armed again
        QTest::newRow("already past") << -5000 << 0;
        QTest::newRow("armed again later: only the new moment counts") << 100 << 600;
    }
    void arm_firesAtTheMoment()
    {
        QFETCH(int, aheadMs);
        QFETCH(int, rearmAheadMs);
        TimerFdWakeTimer timer;
        QVERIFY(timer.isValid());
        QSignalSpy fired(&timer, &WakeTimer::fired);
        QSignalSpy changed(&timer, &WakeTimer::clockChanged);
        QElapsedTimer elapsed;
        elapsed.start();
        const QDateTime now = QDateTime::currentDateTime();
        timer.arm(now.addMSecs(aheadMs), aheadMs);
        if (rearmAheadMs) {
            timer.arm(now.addMSecs(rearmAheadMs), rearmAheadMs);
        }
        const int expected = std::max(rearmAheadMs ? rearmAheadMs : aheadMs, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 1, expected + 5000);
        QVERIFY2(elapsed.elapsed() >= expected - 20, qPrintable(QString::number(elapsed.elapsed())));
        QTest::qWait(150);
        QCOMPARE(fired.size(), 1); // once, not again and again
        QCOMPARE(changed.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTimerFdWakeTimer)
#include "tst_timerfdwaketimer.moc"
