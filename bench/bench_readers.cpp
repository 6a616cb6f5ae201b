// Growth of the readers of the organiser's own files: the contacts file (every line read and
// taken apart), the appointments file (the appointments window's list) and the settings file,
// each at 1, 10, 100 and 1000 times a row count and a line length. Every time should grow with the
// input alone (Google Benchmark's fitted complexity: O(N)).
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/IniFile.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace Qt::StringLiterals;

// Rows of the given length: mostly Polish letters and blanks, a digit now and then.
QList<QByteArray> rows(qsizetype count, qsizetype length, const QByteArray &start)
{
    const QByteArray letters = Cp1250::encode(u"Żółć gęślą jaźń 0123 "_s);
    QByteArray row = start;
    row.reserve(length);
    while (row.size() < length) {
        row.append(letters.at(row.size() % letters.size()));
    }
    row.truncate(length);
    return QList<QByteArray>(count, row);
}

class Folder
{
public:
    void write(const char *name, const QList<QByteArray> &lines)
    {
        if (!TextFile::writeLines(m_dir.filePath(QLatin1String(name)), lines, nullptr)) {
            qFatal("cannot write %s", name);
        }
    }
    QString path() const { return m_dir.path(); }
    QString filePath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private:
    QTemporaryDir m_dir;
};

// Contact lines: 690 columns at 1x, with a birthday in its columns.
QList<QByteArray> contactRows(qsizetype count, qsizetype length)
{
    QByteArray start = "10000" + QByteArray(675, ' ') + "06.12.1980";
    return rows(count, length, start);
}

void readContacts(benchmark::State &state, qsizetype count, qsizetype length)
{
    Folder folder;
    folder.write(ContactFile::fileName, contactRows(count, length));
    for (auto _ : state) {
        ContactFile book(folder.path());
        if (!book.load(nullptr)) {
            state.SkipWithError("cannot read the contacts");
            return;
        }
        for (int i = 0; i < book.count(); ++i) {
            benchmark::DoNotOptimize(book.list().contact(i));
        }
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * count * (length + 2));
}

void BM_ReadContactsRows(benchmark::State &state)
{
    readContacts(state, state.range(0), Contact::lineLength);
}
BENCHMARK(BM_ReadContactsRows)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

void BM_ReadContactsLineLength(benchmark::State &state)
{
    readContacts(state, 100, state.range(0));
}
BENCHMARK(BM_ReadContactsLineLength)->RangeMultiplier(10)->Range(690, 690000)->Complexity(benchmark::oN);

// The appointments window's list: stored appointments of the coming days, no contacts.
void readAppointments(benchmark::State &state, qsizetype count, qsizetype length)
{
    Folder folder;
    folder.write(AppointmentList::fileName, rows(count, length, "07.12.2026Nowak Jan"));
    for (auto _ : state) {
        AppointmentList list;
        if (!list.build(folder.path(), QDate(2026, 12, 6), 7)) {
            state.SkipWithError("cannot read the appointments");
            return;
        }
        benchmark::DoNotOptimize(list.entries().size());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * count * (length + 2));
}

void BM_ReadAppointmentsRows(benchmark::State &state)
{
    readAppointments(state, state.range(0), 200);
}
BENCHMARK(BM_ReadAppointmentsRows)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

void BM_ReadAppointmentsLineLength(benchmark::State &state)
{
    readAppointments(state, 100, state.range(0));
}
BENCHMARK(BM_ReadAppointmentsLineLength)->RangeMultiplier(10)->Range(200, 200000)->Complexity(benchmark::oN);

// Settings: key lines of distinct keys and a section header every twentieth line; the file is
// read and one key looked up.
void readSettings(benchmark::State &state, qsizetype count, qsizetype length)
{
    QList<QByteArray> lines;
    lines.reserve(count);
    const QList<QByteArray> value = rows(1, length, "=");
    for (qsizetype i = 0; i < count; ++i) {
        lines.append(i % 20 == 0 ? "[Sekcja " + QByteArray::number(i) + "]"
                                 : "klucz" + QByteArray::number(i) + value[0]);
    }
    Folder folder;
    folder.write("Morwinek.ini", lines);
    for (auto _ : state) {
        IniFile ini(folder.filePath("Morwinek.ini"));
        if (!ini.load()) {
            state.SkipWithError("cannot read the settings");
            return;
        }
        benchmark::DoNotOptimize(ini.readString(u"Sekcja 0"_s, u"klucz1"_s, {}));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * count * (length + 8));
}

void BM_ReadSettingsRows(benchmark::State &state)
{
    readSettings(state, state.range(0), 40);
}
BENCHMARK(BM_ReadSettingsRows)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

void BM_ReadSettingsLineLength(benchmark::State &state)
{
    readSettings(state, 100, state.range(0));
}
BENCHMARK(BM_ReadSettingsLineLength)->RangeMultiplier(10)->Range(40, 40000)->Complexity(benchmark::oN);

} // namespace
