// How reading other programs' files grows with the input: one card with ever more properties,
// ever longer lines (folded, and quoted-printable soft breaks), ever more CSV rows and longer
// CSV fields, and the import of ever more contacts. Each runs at 1x, 10x, 100x and 1000x; the
// fitted complexity printed after each family should read O(N).
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactCsv.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/VCard.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace Qt::StringLiterals;

void readVCard(benchmark::State &state, const QByteArray &bytes)
{
    for (auto _ : state) {
        QList<ExchangeContact> contacts;
        ExchangeError error;
        const bool read = VCard::read(bytes, &contacts, &error);
        benchmark::DoNotOptimize(read);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void readCsv(benchmark::State &state, const QByteArray &bytes)
{
    for (auto _ : state) {
        QList<ExchangeContact> contacts;
        ExchangeError error;
        const bool read = ContactCsv::read(bytes, &contacts, &error);
        benchmark::DoNotOptimize(read);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// One card with n NOTE properties.
void BM_VCardProperties(benchmark::State &state)
{
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kowalski;Jan;;;\r\n";
    for (int64_t i = 0; i < state.range(0); ++i) {
        bytes += "NOTE:Spotkanie w sprawie umowy nr " + QByteArray::number(i) + "\r\n";
    }
    bytes += "END:VCARD\r\n";
    readVCard(state, bytes);
}
BENCHMARK(BM_VCardProperties)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

// One NOTE of n kB, folded every 75 octets.
void BM_VCardFoldedLine(benchmark::State &state)
{
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Kowalski;Jan;;;\r\nNOTE:";
    for (int64_t i = 0; i < state.range(0) * 1024 / 75; ++i) {
        bytes += QByteArray(74, 'a') + "\r\n ";
    }
    bytes += "koniec\r\nEND:VCARD\r\n";
    readVCard(state, bytes);
}
BENCHMARK(BM_VCardFoldedLine)->RangeMultiplier(10)->Range(2, 2000)->Complexity(benchmark::oN);

// A quoted-printable NOTE of n kB continued over soft line breaks.
void BM_VCardQuotedPrintableLine(benchmark::State &state)
{
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Kowalski;Jan\r\nNOTE;ENCODING=QUOTED-PRINTABLE:";
    for (int64_t i = 0; i < state.range(0) * 1024 / 75; ++i) {
        bytes += "Zaj=C4=99cie =C5=82=C4=85ki na p=C3=B3=C5=82 dnia, potem obiad u Kowalskich=\r\n";
    }
    bytes += "koniec\r\nEND:VCARD\r\n";
    readVCard(state, bytes);
}
BENCHMARK(BM_VCardQuotedPrintableLine)->RangeMultiplier(10)->Range(2, 2000)->Complexity(benchmark::oN);

// The malformed case: a quoted-printable head without a colon, continued over n kB, refused.
void BM_VCardQuotedPrintableRefused(benchmark::State &state)
{
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE=\r\n";
    for (int64_t i = 0; i < state.range(0) * 1024 / 64; ++i) {
        bytes += QByteArray(62, 'x') + "=\r\n";
    }
    bytes += "END:VCARD\r\n";
    readVCard(state, bytes);
}
BENCHMARK(BM_VCardQuotedPrintableRefused)->RangeMultiplier(10)->Range(2, 2000)->Complexity(benchmark::oN);

QByteArray csvRows(int64_t rows, int64_t notesLength)
{
    QByteArray bytes = "Nazwa,TelKom,Email,DomMiasto,Urodziny,Notatki\r\n";
    const QByteArray notes = notesLength > 0 ? "\"" + QByteArray(notesLength, 'n') + "\"\"x\"\"\"" : "";
    for (int64_t i = 0; i < rows; ++i) {
        bytes += "Nowak Anna " + QByteArray::number(i) + ",600 100 " + QByteArray::number(100 + i % 900) + ",anna"
                 + QByteArray::number(i)
                 + "@poczta.pl,\xC5\x81\xC3\xB3"
                   "d\xC5\xBA,1980-03-08,"
                 + notes + "\r\n";
    }
    return bytes;
}

// n rows of a contact each.
void BM_CsvRows(benchmark::State &state)
{
    readCsv(state, csvRows(state.range(0), 0));
}
BENCHMARK(BM_CsvRows)->RangeMultiplier(10)->Range(100, 100000)->Complexity(benchmark::oN);

// One row whose quoted notes are n kB long.
void BM_CsvFieldLength(benchmark::State &state)
{
    readCsv(state, csvRows(1, state.range(0) * 1024));
}
BENCHMARK(BM_CsvFieldLength)->RangeMultiplier(10)->Range(2, 2000)->Complexity(benchmark::oN);

// Importing a CSV file of n new contacts into an empty book: reading, the duplicate search and
// the one write of the data file.
void BM_ImportCsvRows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"import.csv"_s);
    if (!TextFile::writeAtomically(source, csvRows(state.range(0), 0), nullptr)) {
        state.SkipWithError("cannot write the file to import");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir data;
        ContactFile book(data.path());
        QString error;
        (void)book.load(&error);
        state.ResumeTiming();
        ContactImport import;
        import.begin(book.list());
        ContactImport::Result result;
        if (!ContactExchange::readInto(source, &import, &error) || !import.apply(book, true, &result, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportCsvRows)
    ->RangeMultiplier(10)
    ->Range(80, 80000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// A CSV of n thousand rows into an empty book: refused once the 90,001st new contact is read,
// whatever the file's length.
void BM_ImportCsvRefused(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(u"import.csv"_s);
    if (!TextFile::writeAtomically(source, csvRows(state.range(0) * 1000, 0), nullptr)) {
        state.SkipWithError("cannot write the file to import");
        return;
    }
    QTemporaryDir data;
    ContactFile book(data.path());
    QString error;
    (void)book.load(&error);
    for (auto _ : state) {
        ContactImport import;
        import.begin(book.list());
        const bool read = ContactExchange::readInto(source, &import, &error);
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_ImportCsvRefused)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
