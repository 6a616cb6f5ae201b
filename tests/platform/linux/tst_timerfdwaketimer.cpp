#include "platform/linux/TimerFdWakeTimer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QtTest>

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {
// Tells whether the real-time clock was set while it lived: the kernel's own word, the same one the
// timer under test hears. A virtual machine's host may set the guest's clock at any moment.
class ClockSetWitness
{
public:
    ClockSetWitness()
        : m_fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC))
    {
        itimerspec spec = {};
        spec.it_value.tv_sec = ::time(nullptr) + 24 * 3600;
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
    }
    ~ClockSetWitness() { ::close(m_fd); }
    bool clockWasSet() const
    {
        std::uint64_t expirations = 0;
        return ::read(m_fd, &expirations, sizeof expirations) < 0 && errno == ECANCELED;
    }

private:
    int m_fd;
};
} // namespace

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
        const ClockSetWitness witness;
        TimerFdWakeTimer timer;
        QVERIFY(timer.isValid());
        QSignalSpy fired(&timer, &WakeTimer::fired);
        QSignalSpy changed(&timer, &WakeTimer::clockChanged);
        QElapsedTimer elapsed;
        elapsed.start();
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime target = now.addMSecs(rearmAheadMs ? rearmAheadMs : aheadMs);
        // As the organiser does: a set clock arms the timer again for the same moment.
        connect(&timer, &WakeTimer::clockChanged, this, [&] {
            timer.arm(target, 0);
        });
        timer.arm(now.addMSecs(aheadMs), aheadMs);
        if (rearmAheadMs) {
            timer.arm(target, rearmAheadMs);
        }
        const int expected = std::max(rearmAheadMs ? rearmAheadMs : aheadMs, 0);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 1, expected + 5000);
        QVERIFY2(elapsed.elapsed() >= expected - 20, qPrintable(QString::number(elapsed.elapsed())));
        QTest::qWait(150);
        QCOMPARE(fired.size(), 1); // once, not again and again
        // Only a set clock is reported (one that came after the timer fired is nothing to it).
        if (!changed.isEmpty()) {
            QVERIFY(witness.clockWasSet());
        }
    }
};

QTEST_GUILESS_MAIN(TestTimerFdWakeTimer)
#include "tst_timerfdwaketimer.moc"
