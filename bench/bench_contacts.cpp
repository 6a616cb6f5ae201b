// Address-book speed with 100,000 contacts: loading the data file, the sort that follows a save,
// writing the file, and opening the contacts window over it.
#include "BenchSupport.h"

#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "platform/sim/SimServices.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/TForm_Main.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int bookSize = 100000;

// Names, places and numbers as a Polish address book holds them, Polish letters included,
// drawn from a fixed seed so every run sorts the same book.
QList<QByteArray> generateBook(int count)
{
    static const QStringList surnames = {
        u"Nowak"_qs,       u"Kowalski"_qs,  u"Wiśniewski"_qs, u"Wójcik"_qs,     u"Kowalczyk"_qs, u"Kamiński"_qs,
        u"Lewandowski"_qs, u"Zieliński"_qs, u"Szymański"_qs,  u"Woźniak"_qs,    u"Dąbrowski"_qs, u"Kozłowski"_qs,
        u"Jankowski"_qs,   u"Mazur"_qs,     u"Krawczyk"_qs,   u"Piotrowski"_qs, u"Grabowski"_qs, u"Nowakowski"_qs,
        u"Pawłowski"_qs,   u"Michalski"_qs, u"Król"_qs,       u"Wieczorek"_qs,  u"Jabłoński"_qs, u"Wróbel"_qs,
        u"Łukasik"_qs,     u"Żak"_qs,       u"Ćwik"_qs,       u"Źrebiec"_qs,    u"Śliwa"_qs,     u"Adamski"_qs};
    static const QStringList firstNames = {u"Anna"_qs,
                                           u"Piotr"_qs,
                                           u"Maria"_qs,
                                           u"Krzysztof"_qs,
                                           u"Katarzyna"_qs,
                                           u"Andrzej"_qs,
                                           u"Małgorzata"_qs,
                                           u"Tomasz"_qs,
                                           u"Agnieszka"_qs,
                                           u"Paweł"_qs,
                                           u"Barbara"_qs,
                                           u"Łukasz"_qs,
                                           u"Ewa"_qs,
                                           u"Michał"_qs};
    static const QStringList cities = {u"Warszawa"_qs,
                                       u"Kraków"_qs,
                                       u"Łódź"_qs,
                                       u"Wrocław"_qs,
                                       u"Poznań"_qs,
                                       u"Gdańsk"_qs,
                                       u"Szczecin"_qs,
                                       u"Bydgoszcz"_qs,
                                       u"Lublin"_qs,
                                       u"Białystok"_qs};
    static const QStringList streets = {u"ul. Długa"_qs,
                                        u"ul. Polna"_qs,
                                        u"ul. Leśna"_qs,
                                        u"ul. Słoneczna"_qs,
                                        u"al. Jerozolimskie"_qs,
                                        u"ul. Ogrodowa"_qs,
                                        u"ul. Źródlana"_qs};
    BenchSupport::RandomFields random(1974);
    QList<QByteArray> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        Contact c;
        c.ID = QString::number(10000 + i % 90000);
        c.Nazwa = random.pick(surnames) + u' ' + random.pick(firstNames);
        c.DomMiasto = random.pick(cities);
        c.DomUlica = random.pick(streets) + u' ' + QString::number(random.bounded(1, 200)) + u'/'
                     + QString::number(random.bounded(1, 60));
        c.DomKod = random.digits(2) + u'-' + random.digits(3);
        c.TelDom = u"0"_qs + random.digits(2) + u' ' + random.digits(7);
        c.TelKom = u"+48 "_qs + random.digits(9);
        c.Email = c.Nazwa.section(u' ', 0, 0).toLower() + u'@' + u"poczta.pl"_qs;
        if (random.bounded(3) == 0) {
            c.Firma = u"Przedsiębiorstwo "_qs + random.pick(surnames) + u" Sp. z o.o."_qs;
            c.Tytul = u"kierownik działu"_qs;
            c.PracaMiasto = random.pick(cities);
        }
        if (random.bounded(2) == 0) {
            c.Urodziny = random.birthDate();
        }
        lines.append(c.toLine());
    }
    return lines;
}

struct BookOnDisk
{
    QTemporaryDir dir;
    QList<QByteArray> lines = generateBook(bookSize);
    BookOnDisk()
    {
        QString error;
        if (!TextFile::writeLines(QDir(dir.path()).filePath(QLatin1String(ContactFile::fileName)), lines, &error)) {
            qFatal("cannot write the book: %s", qPrintable(error));
        }
    }
};

BookOnDisk &book()
{
    static BookOnDisk b;
    return b;
}

void BM_ContactLoad(benchmark::State &state)
{
    ContactFile file(book().dir.path());
    for (auto _ : state) {
        QString error;
        if (!file.load(&error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        benchmark::DoNotOptimize(file.count());
    }
    state.SetItemsProcessed(state.iterations() * bookSize);
}
BENCHMARK(BM_ContactLoad)->Unit(benchmark::kMillisecond);

void BM_ContactSortAfterSave(benchmark::State &state)
{
    // A sorted book with one contact renamed, as "Zapisz" leaves it before sorting.
    ContactList sorted;
    sorted.setLines(book().lines);
    sorted.Sortowanie(nullptr);
    Contact renamed = sorted.contact(bookSize - 1);
    renamed.Nazwa = u"Adamski Zenon"_qs;
    for (auto _ : state) {
        state.PauseTiming();
        ContactList list = sorted;
        list.replace(bookSize - 1, renamed.toLine());
        int position = bookSize - 1;
        state.ResumeTiming();
        list.Sortowanie(&position);
        benchmark::DoNotOptimize(position);
    }
}
BENCHMARK(BM_ContactSortAfterSave)->Unit(benchmark::kMillisecond);

void BM_ContactSortUnsorted(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        ContactList list;
        list.setLines(book().lines);
        int position = 0;
        state.ResumeTiming();
        list.Sortowanie(&position);
        benchmark::DoNotOptimize(position);
    }
}
BENCHMARK(BM_ContactSortUnsorted)->Unit(benchmark::kMillisecond);

void BM_ContactSave(benchmark::State &state)
{
    QTemporaryDir dir;
    ContactFile file(dir.path());
    QString error;
    QFile::copy(QDir(book().dir.path()).filePath(QLatin1String(ContactFile::fileName)), file.path());
    (void)file.load(&error);
    for (auto _ : state) {
        if (!file.save(&error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
}
BENCHMARK(BM_ContactSave)->Unit(benchmark::kMillisecond);

void BM_ContactWindowOpen(benchmark::State &state)
{
    BenchSupport::ensureApplication();
    // The book is full of birthdays; the start-up reminder only turns the tray icon red.
    QFile ini(QDir(book().dir.path()).filePath(u"Morwinek.ini"_qs));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Terminy]\r\nAUTOTERMINY=0\r\n") < 0) {
        state.SkipWithError("cannot write the settings");
        return;
    }
    ini.close();
    SimServices sim(book().dir.path());
    TForm_Main main(sim.services);
    for (auto _ : state) {
        main.Kontakty->trigger();
        benchmark::DoNotOptimize(Form_Notatniczek->book().count());
        state.PauseTiming();
        delete Form_Notatniczek.data(); // without the close steps, which write the settings
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ContactWindowOpen)->Unit(benchmark::kMillisecond);

} // namespace
