#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A data folder with `contacts` contact lines and `appointments` stored lines. Dates are spread over
// the year so that some fall within the range of today and most do not; a tenth of the stored
// appointments are too old and leave the store.
class AppointmentData
{
public:
    AppointmentData(int contacts, int appointments)
    {
        QByteArray data;
        data.reserve(qsizetype(contacts) * 692);
        for (int i = 0; i < contacts; ++i) {
            QByteArray line(690, ' ');
            const auto put = [&line](int column, const QByteArray &text) {
                line.replace(column - 1, text.size(), text);
            };
            const int day = 1 + i % 28;
            const int month = 1 + (i / 28) % 12;
            const QByteArray dayMonth = QStringLiteral("%1.%2")
                                            .arg(day, 2, 10, QLatin1Char('0'))
                                            .arg(month, 2, 10, QLatin1Char('0'))
                                            .toLatin1();
            put(1, QByteArray::number(10000 + i % 90000));
            put(42, Cp1250::encode(u"Łódź"));
            put(333, dayMonth);
            put(338, Cp1250::encode(QStringLiteral("Żółkiewski Jan %1").arg(i)));
            put(589, dayMonth + ".1995");
            put(681, dayMonth + "." + QByteArray::number(1940 + i % 60));
            data += line + "\r\n";
        }
        write("Morwinek.data", data);

        QByteArray terms;
        for (int i = 0; i < appointments; ++i) {
            const QDate date = i % 10 == 0 ? QDate(2025, 1, 1).addDays(i % 300) : QDate(2026, 12, 1).addDays(i % 400);
            const Appointment a{date.toString(QStringLiteral("dd.MM.yyyy")),
                                QStringLiteral("Osoba %1").arg(i),
                                QStringLiteral("Miejsce"),
                                QStringLiteral("Spotkanie numer %1").arg(i)};
            terms += Cp1250::encode(AppointmentRecord::encode(a)) + "\r\n";
        }
        write("Morwinek.term", terms);
    }

    QString path() const { return m_dir.path(); }

private:
    void write(const char *name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(QLatin1String(name)));
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }
    QTemporaryDir m_dir;
};

void BM_BuildAppointmentList(benchmark::State &state)
{
    const AppointmentData data(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        AppointmentList list;
        const bool ok = list.build(data.path(), QDate(2026, 12, 6), 3);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(list.entries().size());
    }
}
BENCHMARK(BM_BuildAppointmentList)->Args({100000, 10000})->Unit(benchmark::kMillisecond);

} // namespace
