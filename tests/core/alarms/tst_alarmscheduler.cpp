#include "core/alarms/AlarmScheduler.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "platform/sim/FakeClock.h"
#include "platform/sim/FakeNotifier.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDate today(2026, 12, 6);

QDateTime on(const QDate &day, int h, int m)
{
    return QDateTime(day, QTime(h, m));
}

QStringList texts(const QList<Notification> &shown)
{
    QStringList out;
    for (const Notification &n : shown) {
        out << n.title + QStringLiteral(": ") + QString(n.body).replace(u'\n', u'|');
    }
    return out;
}

} // namespace

class TestAlarmScheduler : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_notifier.shown.clear();
        m_counted = 0;
    }
    void events_data()
    {
        QTest::addColumn<QStringList>("appointments");
        QTest::addColumn<QDateTime>("startAt");
        QTest::addColumn<QStringList>("atStart");
        QTest::addColumn<QDateTime>("firstDue");
        QTest::addColumn<int>("wallMinutes");    // how far the wall clock moves before the event
        QTest::addColumn<int>("countedMinutes"); // how far the monotonic clock moves meanwhile
        QTest::addColumn<bool>("clockSet");      // the event is a set clock, not the timer
        QTest::addColumn<QStringList>("afterEvent");
        QTest::addColumn<QDateTime>("nextDue");

        const QStringList two{"06.12.2026 13:00 0 Obiad", "06.12.2026 14:30 15 Dentysta"};
        const QDateTime midnight = on(today.addDays(1), 0, 0);
        const QStringList bothMissed{
            "Morwinek - Przegapione przypomnienia: 06.12.2026 13:00 Obiad||06.12.2026 14:30 Dentysta"};
        QTest::newRow("alarm at its time") << QStringList{"06.12.2026 14:30 15 Dentysta"} << on(today, 12, 0)
                                           << QStringList{} << on(today, 14, 15) << 135 << 135 << false
                                           << QStringList{"Morwinek - Przypomnienie: 06.12.2026 14:30 Dentysta"}
                                           << midnight;
        QTest::newRow("woke after sleeping through both")
            << two << on(today, 12, 0) << QStringList{} << on(today, 13, 0) << 180 << 1 << false << bothMissed << midnight;
        QTest::newRow("clock set forward") << two << on(today, 12, 0) << QStringList{} << on(today, 13, 0) << 180 << 0
                                           << true << bothMissed << midnight;
        QTest::newRow("clock set back: nothing again")
            << two << on(today, 13, 30) << QStringList{"Morwinek - Przegapione przypomnienia: 06.12.2026 13:00 Obiad"}
            << on(today, 14, 15) << -60 << 0 << true << QStringList{} << on(today, 14, 15);
        QTest::newRow("missed while not running")
            << two << on(today, 16, 0) << bothMissed << midnight << 0 << 0 << true << QStringList{} << midnight;
        QTest::newRow("midnight: the day's dates, once")
            << QStringList{"07.12.2026 - - Wigilia klasowa", "07.12.2026 09:00 60 Szkoła"} << on(today, 23, 0)
            << QStringList{} << midnight << 60 << 60 << false
            << QStringList{"Morwinek - Terminy: 07.12.2026 Wigilia klasowa|07.12.2026 09:00 Szkoła"}
            << on(today.addDays(1), 8, 0);
        QTest::newRow("woke the next day: missed alarm and the day's dates")
            << QStringList{"06.12.2026 23:30 0 Lot", "07.12.2026 - - Odbiór"} << on(today, 22, 0) << QStringList{}
            << on(today, 23, 30) << 600 << 5 << false
            << QStringList{"Morwinek - Przegapione przypomnienia: 06.12.2026 23:30 Lot",
                           "Morwinek - Terminy: 06.12.2026 23:30 Lot|07.12.2026 Odbiór"}
            << on(today.addDays(2), 0, 0);
        QTest::newRow("all-day and no-alarm appointments ring nothing")
            << QStringList{"06.12.2026 - - Urlop", "06.12.2026 13:00 - Obiad"} << on(today, 12, 0) << QStringList{}
            << midnight << 120 << 120 << false << QStringList{} << midnight;
    }
    void events()
    {
        QFETCH(QStringList, appointments);
        QFETCH(QDateTime, startAt);
        QFETCH(QStringList, atStart);
        QFETCH(QDateTime, firstDue);
        QFETCH(int, wallMinutes);
        QFETCH(int, countedMinutes);
        QFETCH(bool, clockSet);
        QFETCH(QStringList, afterEvent);
        QFETCH(QDateTime, nextDue);
        write(appointments);
        m_clock.set(startAt);
        auto s = scheduler();
        s->start();
        QCOMPARE(texts(m_notifier.shown), atStart);
        QCOMPARE(s->nextDue(), firstDue);
        QCOMPARE(m_timer.armedAt, firstDue);

        m_notifier.shown.clear();
        m_clock.set(startAt.addSecs(60LL * wallMinutes));
        m_counted += 60'000LL * countedMinutes;
        if (clockSet) {
            m_timer.setClock();
        } else {
            m_timer.fire();
        }
        QCOMPARE(texts(m_notifier.shown), afterEvent);
        QCOMPARE(s->nextDue(), nextDue);
        QVERIFY2(s->lastError().isEmpty(), qPrintable(s->lastError()));
    }
    void restart_neverShowsTwice()
    {
        write({"06.12.2026 13:00 0 Obiad", "07.12.2026 - - Odbiór"});
        m_clock.set(on(today, 23, 0));
        scheduler()->start();
        QCOMPARE(m_notifier.shown.size(), 1); // the missed alarm
        {
            auto s = scheduler();
            s->start();
            m_clock.set(on(today.addDays(1), 0, 0));
            m_counted += 3'600'000;
            m_timer.fire();
        }
        QCOMPARE(m_notifier.shown.size(), 2); // the next day's dates
        // A later start, a wake and a set clock the same day bring neither again.
        auto again = scheduler();
        again->start();
        m_clock.set(on(today.addDays(1), 6, 0));
        m_timer.fire();
        m_timer.setClock();
        QCOMPARE(m_notifier.shown.size(), 2);
    }
    void snooze_comesBackTenMinutesLater()
    {
        write({"06.12.2026 14:30 0 Dentysta"});
        m_clock.set(on(today, 14, 0));
        auto s = scheduler();
        QSignalSpy open(s.get(), &AlarmScheduler::openRequested);
        s->start();
        m_clock.set(on(today, 14, 30));
        m_counted += 30 * 60'000;
        m_timer.fire();
        QCOMPARE(m_notifier.shown.size(), 1);
        m_clock.set(on(today, 14, 31));
        m_notifier.choose(1, Notifier::Snooze);
        QCOMPARE(s->nextDue(), on(today, 14, 41));
        m_clock.set(on(today, 14, 41));
        m_counted += 11 * 60'000;
        m_timer.fire();
        QCOMPARE(texts(m_notifier.shown).value(1), QStringLiteral("Morwinek - Przypomnienie: 06.12.2026 14:30 Dentysta"));
        m_notifier.choose(2, Notifier::Open);
        QCOMPARE(open.size(), 1);
    }

private:
    // "06.12.2026 14:30 15 Dentysta": date, start (or "-"), alarm minutes (or "-"), description.
    void write(const QStringList &specs)
    {
        QList<QByteArray> lines;
        AppointmentTimes times;
        QVERIFY(times.load(m_dir->path()));
        QStringList records;
        for (const QString &spec : specs) {
            const QStringList parts = spec.split(u' ');
            records.append(AppointmentRecord::encode({parts.at(0), {}, {}, parts.mid(3).join(u' ')}));
            lines.append(Cp1250::encode(records.last()));
            if (parts.at(1) != u"-") {
                const int alarm = parts.at(2) == u"-" ? AppointmentTime::noAlarm : parts.at(2).toInt();
                times.setTime(records.last(), {QTime::fromString(parts.at(1), QStringLiteral("HH:mm")), {}, alarm});
            }
        }
        QVERIFY(TextFile::writeLines(QDir(m_dir->path()).filePath(AppointmentList::fileName), lines, nullptr));
        QVERIFY(times.save(records));
    }
    std::unique_ptr<AlarmScheduler> scheduler()
    {
        auto s = std::make_unique<AlarmScheduler>(
            m_clock,
            m_dir->path(),
            [] {
                return 3;
            },
            m_notifier,
            &m_timer);
        s->setMonotonic([this] {
            return m_counted;
        });
        return s;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeClock m_clock;
    FakeNotifier m_notifier;
    FakeWakeTimer m_timer;
    qint64 m_counted = 0; // the monotonic clock, in ms
};

QTEST_GUILESS_MAIN(TestAlarmScheduler)
#include "tst_alarmscheduler.moc"
