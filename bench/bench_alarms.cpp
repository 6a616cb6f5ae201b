#include "core/alarms/AlarmScheduler.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "platform/sim/FakeClock.h"
#include "platform/sim/FakeNotifier.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// 90,000 contacts and 10,000 appointments, every appointment with a time and half of them with an
// alarm, spread over a year from today.
class AlarmData
{
public:
    static constexpr int contacts = 90000;
    static constexpr int appointments = 10000;
    const QDate today{2026, 12, 6};

    AlarmData()
    {
        QList<QByteArray> data;
        data.reserve(contacts);
        for (int i = 0; i < contacts; ++i) {
            QByteArray line(690, ' ');
            const auto put = [&line](int column, const QByteArray &text) {
                line.replace(column - 1, text.size(), text);
            };
            const QByteArray dayMonth = QDate(2026, 1, 1).addDays(i % 365).toString("dd.MM").toLatin1();
            put(1, QByteArray::number(10000 + i % 90000));
            put(42, Cp1250::encode(u"Łódź"));
            put(333, dayMonth);
            put(338, Cp1250::encode(QStringLiteral("Żółkiewski Jan %1").arg(i)));
            put(681, dayMonth + "." + QByteArray::number(1940 + i % 60));
            data.append(line);
        }
        (void)TextFile::writeLines(QDir(m_dir.path()).filePath(AppointmentList::contactsFileName), data, nullptr);

        QList<QByteArray> terms;
        QStringList records;
        AppointmentTimes times;
        (void)times.load(m_dir.path());
        for (int i = 0; i < appointments; ++i) {
            const Appointment a{today.addDays(i % 365).toString("dd.MM.yyyy"),
                                QStringLiteral("Osoba %1").arg(i),
                                QStringLiteral("Miejsce"),
                                QStringLiteral("Spotkanie numer %1").arg(i)};
            const QString record = AppointmentRecord::encode(a);
            records.append(record);
            terms.append(Cp1250::encode(record));
            times.setTime(record, {QTime(8 + i % 12, (i * 7) % 60), {}, i % 2 ? 15 : AppointmentTime::noAlarm});
        }
        (void)TextFile::writeLines(QDir(m_dir.path()).filePath(AppointmentList::fileName), terms, nullptr);
        (void)times.save(records);
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

AlarmData &data()
{
    static AlarmData d;
    return d;
}

// Reading the two files and finding the next alarm, as the scheduler does at each plan.
void BM_NextAlarm(benchmark::State &state)
{
    AlarmData &d = data();
    const QDateTime now(d.today, QTime(12, 0));
    for (auto _ : state) {
        QList<PlannedAlarm> alarms;
        AppointmentTimes times;
        QString error;
        (void)Alarms::read(d.path(), d.today, 7, &alarms, &times, &error);
        benchmark::DoNotOptimize(Alarms::nextAfter(alarms, times, now));
    }
}
BENCHMARK(BM_NextAlarm)->Unit(benchmark::kMillisecond);

// The day's list as the day's change announces it: both files read, the dates near today.
void BM_DayList(benchmark::State &state)
{
    AlarmData &d = data();
    for (auto _ : state) {
        AppointmentList list;
        (void)list.build(d.path(), d.today, 7, nullptr, AppointmentList::Persons::Skipped);
        benchmark::DoNotOptimize(Alarms::dayNotification(list.entries()));
    }
}
BENCHMARK(BM_DayList)->Unit(benchmark::kMillisecond);

// A whole timer event of the scheduler at midnight: reading, the alarms due, the day's
// announcement and the next plan.
void BM_SchedulerMidnight(benchmark::State &state)
{
    AlarmData &d = data();
    FakeClock clock(QDateTime(d.today, QTime(0, 0)));
    FakeNotifier notifier;
    FakeWakeTimer timer;
    // The announced day lives in the side file, so each round is the midnight of a day later.
    static QDate day = d.today; // on across repetitions too
    for (auto _ : state) {
        state.PauseTiming();
        AlarmScheduler scheduler(
            clock,
            d.path(),
            [] {
                return 7;
            },
            notifier,
            &timer);
        clock.set(QDateTime(day.addDays(-1), QTime(23, 0)));
        scheduler.start();
        clock.set(QDateTime(day, QTime(0, 0)));
        day = day.addDays(1);
        state.ResumeTiming();
        scheduler.check();
    }
}
BENCHMARK(BM_SchedulerMidnight)->Unit(benchmark::kMillisecond);

} // namespace
