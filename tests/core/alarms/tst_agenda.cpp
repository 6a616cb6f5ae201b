#include "support/ContactLines.h"

#include "core/alarms/Agenda.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestAgenda : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("days");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a week in December") << QDate(2026, 12, 6) << 7
                                            << QStringList{"06.12.2026 niedz. Imieniny - Mikołaj Święty - Łódź",
                                                           "08.12.2026 wt. Wizyta",
                                                           "08.12.2026 wt. 09:00-09:30 Dentysta - Jan - Kraków",
                                                           "08.12.2026 wt. 14:00 Kawa"};
        QTest::newRow("today only") << QDate(2026, 12, 6) << 1
                                    << QStringList{"06.12.2026 niedz. Imieniny - Mikołaj Święty - Łódź"};
        // Over New Year the next year's birthdays count; the past ones do not.
        QTest::newRow("over New Year") << QDate(2026, 12, 30) << 5
                                       << QStringList{"31.12.2026 czw. Sylwester", "02.01.2027 sob. 27 urodziny - Ola"};
    }
    void lines()
    {
        QFETCH(QDate, today);
        QFETCH(int, days);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const auto record = [](const char *date, const char *person, const char *place, const char *description) {
            return AppointmentRecord::encode(
                {date, QString::fromUtf8(person), QString::fromUtf8(place), QString::fromUtf8(description)});
        };
        const QString dentist = record("08.12.2026", "Jan", "Kraków", "Dentysta");
        const QString coffee = record("08.12.2026", "", "", "Kawa");
        const QStringList records{record("05.12.2026", "", "", "Wczoraj"),
                                  coffee,
                                  dentist,
                                  record("08.12.2026", "", "", "Wizyta"),
                                  record("31.12.2026", "", "", "Sylwester"),
                                  record("20.12.2026", "", "", "Później")};
        QList<QByteArray> lines;
        for (const QString &r : records) {
            lines.append(Cp1250::encode(r));
        }
        QVERIFY(TextFile::writeLines(QDir(dir.path()).filePath(AppointmentList::fileName), lines, nullptr));
        AppointmentTimes times;
        QVERIFY(times.load(dir.path()));
        times.setTime(dentist, {QTime(9, 0), QTime(9, 30), 15});
        times.setTime(coffee, {QTime(14, 0), {}, AppointmentTime::noAlarm});
        QVERIFY(times.save(records));
        QVERIFY(TextFile::writeLines(QDir(dir.path()).filePath(AppointmentList::contactsFileName),
                                     {contactLineByColumns("Mikołaj Święty", "Łódź", "06.12", {}),
                                      contactLineByColumns("Ola", "", {}, "02.01.2000")},
                                     nullptr));
        QStringList out;
        QString error;
        QVERIFY(Agenda::lines(dir.path(), today, days, &out, &error));
        QCOMPARE(out, expected);
    }
};

QTEST_GUILESS_MAIN(TestAgenda)
#include "tst_agenda.moc"
