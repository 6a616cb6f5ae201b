#include "core/appointments/AppointmentTimes.h"
#include "core/common/TextFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString record(const QString &date, const QString &description)
{
    return AppointmentRecord::encode({date, {}, {}, description});
}

AppointmentTime at(int h, int m, int alarm = AppointmentTime::noAlarm)
{
    return {QTime(h, m), {}, alarm};
}

} // namespace

class TestAppointmentTimes : public QObject
{
    Q_OBJECT

private slots:
    void sideFile_roundTripsAndDropsStale()
    {
        // A record may hold the separator and Polish letters; it stays whole.
        const QString odd = record("24.12.2026", "A|B|C żółć");
        const QString gone = record("25.12.2026", "usunięty");
        AppointmentTimes times;
        QVERIFY(times.load(m_dir.path()));
        times.setTime(odd, {QTime(9, 5), QTime(10, 0), 1440});
        times.setTime(gone, at(7, 0));
        times.setAnnouncedDay(QDate(2026, 12, 6));
        QVERIFY(times.save({odd, gone}));
        // Text written by hand or by a later version: a bad line is left out, the rest is read.
        QByteArray bytes;
        bool exists = false;
        QVERIFY(TextFile::readBytes(times.path(), &bytes, &exists, nullptr));
        QVERIFY(TextFile::writeAtomically(times.path(), bytes + "X|nonsense\r\nT|99:99||x|broken\r\n", nullptr));

        AppointmentTimes back;
        QVERIFY(back.load(m_dir.path()));
        QCOMPARE(back.time(odd), (AppointmentTime{QTime(9, 5), QTime(10, 0), 1440}));
        QCOMPARE(back.time(gone), at(7, 0));
        QCOMPARE(back.announcedDay(), QDate(2026, 12, 6));
        QVERIFY(back.time(QStringLiteral("broken")).isEmpty());

        // Its record no longer in the store, an entry is left out at the next write.
        QVERIFY(back.save({odd}));
        AppointmentTimes third;
        QVERIFY(third.load(m_dir.path()));
        QVERIFY(third.time(gone).isEmpty());
        QCOMPARE(third.records(), QStringList{odd});
    }
    void shownMarks_keptAcrossWriters()
    {
        const QString r = record("24.12.2026", "Dentysta");
        const QDateTime alarm(QDate(2026, 12, 24), QTime(8, 15));
        AppointmentTimes window;
        AppointmentTimes alarms;
        QVERIFY(window.load(m_dir.path()));
        QVERIFY(alarms.load(m_dir.path()));
        alarms.markShown(r, alarm);
        alarms.setAnnouncedDay(QDate(2026, 12, 24));
        QVERIFY(alarms.save({r}));
        // The window, loaded before, writes later: the mark and the day stay.
        window.setTime(r, at(8, 30, 15));
        QVERIFY(window.save({r}));
        AppointmentTimes back;
        QVERIFY(back.load(m_dir.path()));
        QVERIFY(back.wasShown(r, alarm));
        QVERIFY(!back.wasShown(r, alarm.addSecs(60)));
        QCOMPARE(back.announcedDay(), QDate(2026, 12, 24));
        QCOMPARE(back.time(r), at(8, 30, 15));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestAppointmentTimes)
#include "tst_appointmenttimes.moc"
