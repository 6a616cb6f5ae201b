// Peak memory and time of whole programs over a book of 80,000 contacts (a data file of about
// 52 MiB): the command-line exports and the organiser's start. Each run is a child process whose
// peak resident size (VmHWM) is read as it ends; the same run over an empty book gives the
// program's base. Counters: peak_MiB, base_MiB, data_MiB, and
// per_data = (peak - base) / data, the number of times the run holds the data file.
#include "BenchSupport.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/TextFile.h"
#include "core/contacts/Contact.h"
#include "core/contacts/ContactFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <csignal>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

constexpr int bookSize = 80000;

struct ChildRun
{
    bool ok = false;
    double peakMiB = 0;
    double cpuSeconds = 0;
};

// The VmHWM line of /proc/<pid>/status in MiB.
double highWaterMiB(pid_t pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

// Runs the program to its end with its output thrown away. The peak is read from /proc while the
// program stops on its way out (traced for its exit only): the kernel's own count for a child
// (ru_maxrss) also holds the size of the parent that started it.
ChildRun runChild(const char *program, const QStringList &arguments)
{
    QList<QByteArray> args{program};
    for (const QString &a : arguments) {
        args.append(a.toLocal8Bit());
    }
    std::vector<char *> argv;
    for (QByteArray &a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    ChildRun run;
    const pid_t pid = fork();
    if (pid < 0) {
        return run;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        raise(SIGSTOP);
        execv(program, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0); // stopped before the program starts
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void *>(PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL));
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) == pid) {
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            break;
        }
        int signal = WSTOPSIG(status);
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            run.peakMiB = highWaterMiB(pid);
            signal = 0;
        } else if (signal == SIGTRAP) {
            signal = 0; // the stop after exec
        }
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void *>(intptr_t(signal)));
    }
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.peakMiB > 0;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                     + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

// Side files written plainly: thousands of atomic replacements would wait for the disk each time.
void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// A data folder with a book of count contacts (half with a birthday, some near the fake clock's
// day), notes for every twentieth and a photo for every hundredth; the start-up reminder only
// turns the tray icon red.
class BookFolder
{
public:
    explicit BookFolder(int count)
    {
        BenchSupport::RandomFields random(52);
        static const QStringList surnames = {u"Nowak"_s, u"Wiśniewski"_s, u"Wójcik"_s, u"Żak"_s, u"Łukasik"_s};
        static const QStringList firstNames = {u"Anna"_s, u"Piotr"_s, u"Małgorzata"_s, u"Łukasz"_s};
        QList<QByteArray> lines;
        lines.reserve(count);
        const QDir dir(path());
        dir.mkpath(QLatin1String(ContactFile::notesFolder));
        dir.mkpath(QLatin1String(ContactFile::photoFolder));
        for (int i = 0; i < count; ++i) {
            Contact c;
            c.ID = QString::number(ContactList::firstIdentifier + i);
            c.Nazwa = random.pick(surnames) + u' ' + random.pick(firstNames);
            c.DomMiasto = u"Łódź"_s;
            c.DomUlica = u"ul. Długa "_s + QString::number(random.bounded(1, 200));
            c.TelDom = u"0"_s + random.digits(2) + u' ' + random.digits(7);
            c.TelKom = u"+48 "_s + random.digits(9);
            c.Email = u"osoba%1@poczta.pl"_s.arg(i);
            if (random.bounded(2) == 0) {
                c.Urodziny = random.birthDate();
            }
            lines.append(c.toLine());
            if (i % 20 == 0) {
                put(dir.filePath(u"notes/%1.txt"_s.arg(c.ID)), "Notatka\r\ndruga linia\r\n");
            }
            if (i % 100 == 0) {
                put(dir.filePath(u"foto/%1.jpg"_s.arg(c.ID)), QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(4000, 'j'));
            }
        }
        if (!TextFile::writeLines(dir.filePath(QLatin1String(ContactFile::fileName)), lines, nullptr)
            || !TextFile::writeAtomically(dir.filePath(u"Morwinek.ini"_s), "[Terminy]\r\nAUTOTERMINY=0\r\n", nullptr)) {
            qFatal("cannot write the book");
        }
    }
    QString path() const { return m_dir.path(); }
    double dataMiB() const
    {
        return double(QFileInfo(QDir(path()).filePath(QLatin1String(ContactFile::fileName))).size()) / 1048576.0;
    }

private:
    QTemporaryDir m_dir;
};

BookFolder &fullBook()
{
    static BookFolder book(bookSize);
    return book;
}

BookFolder &emptyBook()
{
    static BookFolder book(0);
    return book;
}

void report(benchmark::State &state, const ChildRun &run, const ChildRun &base, double dataMiB)
{
    state.counters["peak_MiB"] = run.peakMiB;
    state.counters["base_MiB"] = base.peakMiB;
    state.counters["data_MiB"] = dataMiB;
    state.counters["per_data"] = dataMiB > 0 ? (run.peakMiB - base.peakMiB) / dataMiB : 0;
    state.counters["cpu_s"] = run.cpuSeconds;
}

// range(0): 0 vCard, 1 CSV, 2 iCalendar.
void BM_ExportPeakMemory(benchmark::State &state)
{
    static const char *const options[] = {"--export-vcard", "--export-csv", "--export-ics"};
    const QString option = QLatin1String(options[state.range(0)]);
    const auto exportOf = [&option](const BookFolder &book) {
        return runChild(MORWINEK_PROGRAM,
                        {u"--data-dir"_s, book.path(), option, QDir(book.path()).filePath(u"eksport"_s)});
    };
    const ChildRun base = exportOf(emptyBook());
    ChildRun run;
    for (auto _ : state) {
        run = exportOf(fullBook());
        if (!run.ok || !base.ok) {
            state.SkipWithError("the export failed");
            return;
        }
    }
    report(state, run, base, fullBook().dataMiB());
}
BENCHMARK(BM_ExportPeakMemory)->DenseRange(0, 2)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_StartupPeakMemory(benchmark::State &state)
{
    const ChildRun base = runChild(MORWINEK_STARTUP_PROBE, {emptyBook().path()});
    ChildRun run;
    for (auto _ : state) {
        run = runChild(MORWINEK_STARTUP_PROBE, {fullBook().path()});
        if (!run.ok || !base.ok) {
            state.SkipWithError("the start failed");
            return;
        }
    }
    report(state, run, base, fullBook().dataMiB());
}
BENCHMARK(BM_StartupPeakMemory)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The start-up reminder's look at the book against reading the file once: the first should cost
// at most 1.5 times the second.
void BM_StartupReminderDates(benchmark::State &state)
{
    const QString dir = fullBook().path();
    for (auto _ : state) {
        AppointmentList dates;
        const bool ok = dates.build(dir, QDate(2026, 12, 6), 7, nullptr, AppointmentList::Persons::Skipped);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(dates.entries().size());
    }
}
BENCHMARK(BM_StartupReminderDates)->Unit(benchmark::kMillisecond);

void BM_ReadBookFileOnce(benchmark::State &state)
{
    const QString file = QDir(fullBook().path()).filePath(QLatin1String(ContactFile::fileName));
    for (auto _ : state) {
        QByteArray bytes;
        const bool ok = TextFile::readBytes(file, &bytes, nullptr, nullptr);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(bytes.size());
    }
}
BENCHMARK(BM_ReadBookFileOnce)->Unit(benchmark::kMillisecond);

// Saving a book of 100,000 and of 1,000,000 lines: the time should grow with the lines. The
// program's own CPU time (user) is told apart from the kernel's (system: copying into the page
// cache, the flush to disk, freeing the replaced file's blocks).
void BM_SaveLines(benchmark::State &state)
{
    QTemporaryDir dir;
    QList<QByteArray> lines;
    const int count = int(state.range(0));
    lines.reserve(count);
    Contact c;
    c.Nazwa = u"Nowak Jan"_s;
    for (int i = 0; i < count; ++i) {
        c.ID = QString::number(ContactList::firstIdentifier + i % 90000);
        lines.append(c.toLine());
    }
    const QString path = dir.filePath(QLatin1String(ContactFile::fileName));
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    double user = 0;
    double system = 0;
    for (auto _ : state) {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QString error;
        if (!TextFile::writeLines(path, lines, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        user += seconds(after.ru_utime) - seconds(before.ru_utime);
        system += seconds(after.ru_stime) - seconds(before.ru_stime);
    }
    state.counters["user_s"] = benchmark::Counter(user, benchmark::Counter::kAvgIterations);
    state.counters["system_s"] = benchmark::Counter(system, benchmark::Counter::kAvgIterations);
    state.SetComplexityN(count);
}
BENCHMARK(BM_SaveLines)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace
