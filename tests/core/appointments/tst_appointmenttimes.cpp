#include "core/appointments/AppointmentList.h"
#include "core/appointments/AppointmentTimes.h"
#include "core/common/Cp1250.h"
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
    void sortOrder_data();
    void sortOrder();
    void sideFile_roundTripsAndDropsStale();
    void shownMarks_keptAcrossWriters();
    void listSave_carriesTimeToNewRecord();

private:
    QString path(const char *name) const { return QDir(m_dir.path()).filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void TestAppointmentTimes::sortOrder_data()
{
    QTest::addColumn<Appointment>("a");
    QTest::addColumn<Appointment>("b");
    QTest::addColumn<int>("result");
    Appointment allDayZ{"24.12.2026", "Zenon", {}, {}};
    Appointment morningA{"24.12.2026", "Anna", {}, {}, at(8, 0)};
    Appointment noonA{"24.12.2026", "Anna", {}, {}, at(12, 0)};
    Appointment noonB{"24.12.2026", "Bartek", {}, {}, at(12, 0)};
    Appointment lateDayBefore{"23.12.2026", "Anna", {}, {}, at(23, 59)};
    QTest::newRow("all-day before timed, whatever the person") << allDayZ << morningA << -1;
    QTest::newRow("earlier start first") << noonA << morningA << 1;
    QTest::newRow("same start: person") << noonA << noonB << -1;
    QTest::newRow("date before time") << lateDayBefore << morningA << -1;
}

void TestAppointmentTimes::sortOrder()
{
    QFETCH(Appointment, a);
    QFETCH(Appointment, b);
    QFETCH(int, result);
    QCOMPARE(ListView1Compare(a, b), result);
}

void TestAppointmentTimes::sideFile_roundTripsAndDropsStale()
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

void TestAppointmentTimes::shownMarks_keptAcrossWriters()
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

void TestAppointmentTimes::listSave_carriesTimeToNewRecord()
{
    const QString a = record("24.12.2026", "A");
    const QString b = record("24.12.2026", "B");
    QVERIFY(TextFile::writeLines(path(AppointmentList::fileName), {Cp1250::encode(a)}, nullptr));
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), QDate(2026, 12, 6), 3));
    QVERIFY(list.setTime(a, at(10, 0, 5), nullptr));
    QByteArray term;
    bool exists = false;
    QVERIFY(TextFile::readBytes(path(AppointmentList::fileName), &term, &exists, nullptr));
    QCOMPARE(term, Cp1250::encode(a) + "\r\n");

    QVERIFY(list.saveRecord(b, list.Pozycja(a), nullptr));
    QVERIFY(list.timeOf(a).isEmpty());
    QCOMPARE(list.timeOf(b), at(10, 0, 5));
    AppointmentList again;
    QVERIFY(again.build(m_dir.path(), QDate(2026, 12, 6), 3));
    QCOMPARE(again.entries().value(0).time, at(10, 0, 5));

    QVERIFY(again.removeRecord(again.Pozycja(b), nullptr));
    AppointmentTimes side;
    QVERIFY(side.load(m_dir.path()));
    QVERIFY(side.records().isEmpty());
}

QTEST_GUILESS_MAIN(TestAppointmentTimes)
#include "tst_appointmenttimes.moc"
