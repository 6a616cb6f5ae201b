// Exchange with other programs for 100,000 contacts: writing vCard and CSV files of the book,
// and importing such files (reading, duplicate search, the one write of the data file).
#include "BenchSupport.h"

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

constexpr int exchangeSize = 100000;

// Contacts as people keep them, Polish letters included, from a fixed seed.
QList<ExchangeContact> generateContacts(int count, int seed)
{
    static const QStringList surnames = {u"Nowak"_s,
                                         u"Kowalski"_s,
                                         u"Wiśniewski"_s,
                                         u"Wójcik"_s,
                                         u"Kamiński"_s,
                                         u"Zieliński"_s,
                                         u"Woźniak"_s,
                                         u"Dąbrowski"_s,
                                         u"Kozłowski"_s,
                                         u"Łukasik"_s,
                                         u"Żak"_s,
                                         u"Ćwik"_s,
                                         u"Śliwa"_s,
                                         u"Adamski"_s,
                                         u"Król"_s};
    static const QStringList firstNames = {
        u"Anna"_s, u"Piotr"_s, u"Maria"_s, u"Krzysztof"_s, u"Małgorzata"_s, u"Tomasz"_s, u"Łukasz"_s, u"Ewa"_s};
    static const QStringList cities = {u"Warszawa"_s, u"Kraków"_s, u"Łódź"_s, u"Wrocław"_s, u"Poznań"_s, u"Gdańsk"_s};
    BenchSupport::RandomFields random(seed);
    QList<ExchangeContact> contacts;
    contacts.reserve(count);
    for (int i = 0; i < count; ++i) {
        ExchangeContact item;
        Contact &c = item.contact;
        c.Nazwa = random.pick(surnames) + u' ' + random.pick(firstNames);
        c.DomMiasto = random.pick(cities);
        c.DomUlica = u"ul. Długa "_s + QString::number(random.bounded(1, 200));
        c.DomKod = random.digits(2) + u'-' + random.digits(3);
        c.TelDom = u"0"_s + random.digits(2) + u' ' + random.digits(7);
        c.TelKom = u"+48 "_s + random.digits(9);
        c.Email = u"osoba%1.%2@poczta.pl"_s.arg(seed).arg(i);
        if (random.bounded(3) == 0) {
            c.Firma = u"Przedsiębiorstwo "_s + random.pick(surnames) + u", Sp. z o.o."_s;
            c.Tytul = u"kierownik działu"_s;
            c.TelSlu = u"22 "_s + random.digits(7);
            c.TelWew = random.digits(3);
        }
        if (random.bounded(2) == 0) {
            c.Urodziny = random.birthDate();
        }
        contacts.append(item);
    }
    return contacts;
}

// A data folder holding a book of count contacts (identifiers from 10000).
void writeBook(const QString &dir, const QList<ExchangeContact> &contacts)
{
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        Contact c = contacts[i].contact;
        c.ID = QString::number(ContactList::firstIdentifier + i);
        lines.append(c.toLine());
    }
    QString error;
    if (!TextFile::writeLines(QDir(dir).filePath(QLatin1String(ContactFile::fileName)), lines, &error)) {
        qFatal("cannot write the book: %s", qPrintable(error));
    }
}

void exportBench(benchmark::State &state, ContactExchange::Format format, const char *name)
{
    QTemporaryDir dir;
    writeBook(dir.path(), generateContacts(exchangeSize, 7));
    ContactFile book(dir.path());
    QString error;
    if (!book.load(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const QString target = dir.filePath(QLatin1String(name));
    for (auto _ : state) {
        if (!ContactExchange::exportTo(format, book, target, QDateTime::currentDateTime(), &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * exchangeSize);
    state.counters["bytes"] = double(QFileInfo(target).size());
}

void BM_ExportVCard(benchmark::State &state)
{
    exportBench(state, ContactExchange::Format::VCard, "kontakty.vcf");
}
BENCHMARK(BM_ExportVCard)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State &state)
{
    exportBench(state, ContactExchange::Format::Csv, "kontakty.csv");
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

// A file of 100,000 contacts into a book of 20,000, 30,000 of the file's contacts being
// duplicates of the book's: reading, the duplicate search, and adding the 70,000 new ones (the
// book is then full, at 90,000 identifiers) in one write.
void importBench(benchmark::State &state, bool vcard)
{
    QList<ExchangeContact> incoming = generateContacts(exchangeSize - 30000, 11);
    const QList<ExchangeContact> existing = generateContacts(20000, 7);
    incoming.append(existing);
    incoming.append(existing.mid(0, 10000));
    QTemporaryDir dir;
    const QString source = dir.filePath(vcard ? u"import.vcf"_s : u"import.csv"_s);
    QByteArray bytes;
    if (!(vcard ? VCard::write(incoming, &bytes) : ContactCsv::write(incoming, &bytes))
        || !TextFile::writeAtomically(source, bytes, nullptr)) {
        state.SkipWithError("cannot write the file to import");
        return;
    }
    QTemporaryDir data;
    for (auto _ : state) {
        state.PauseTiming();
        writeBook(data.path(), existing);
        ContactFile book(data.path());
        QString error;
        if (!book.load(&error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.ResumeTiming();
        QList<ExchangeContact> read;
        if (!ContactExchange::readFile(source, &read, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        ContactImport import;
        import.prepare(book.list(), std::move(read));
        ContactImport::Result result;
        if (!import.apply(book, true, &result, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.counters["added"] = result.added;
        state.counters["skipped"] = result.skipped;
    }
    state.SetItemsProcessed(state.iterations() * exchangeSize);
}

void BM_ImportVCard(benchmark::State &state)
{
    importBench(state, true);
}
BENCHMARK(BM_ImportVCard)->Unit(benchmark::kMillisecond);

void BM_ImportCsv(benchmark::State &state)
{
    importBench(state, false);
}
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond);

} // namespace
