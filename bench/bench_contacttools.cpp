// Contacts window tools: one "find next" over 100,000 contacts that finds nothing, and showing
// a contact whose photo is a 24-megapixel JPEG.
#include "BenchSupport.h"

#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/ContactSearch.h"
#include "core/contacts/PhotoCodec.h"
#include "core/contacts/PhotoStore.h"
#include "platform/sim/SimServices.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/TForm_Main.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

constexpr int searchBookSize = 100000;

ContactList searchBook()
{
    static const QStringList surnames = {u"Nowak"_qs,
                                         u"Wiśniewski"_qs,
                                         u"Wójcik"_qs,
                                         u"Dąbrowski"_qs,
                                         u"Kozłowski"_qs,
                                         u"Łukasik"_qs,
                                         u"Żak"_qs,
                                         u"Śliwa"_qs};
    static const QStringList cities = {u"Warszawa"_qs, u"Kraków"_qs, u"Łódź"_qs, u"Gdańsk"_qs, u"Białystok"_qs};
    QRandomGenerator rng(1974);
    QList<QByteArray> lines;
    lines.reserve(searchBookSize);
    for (int i = 0; i < searchBookSize; ++i) {
        Contact c;
        c.ID = QString::number(10000 + i % 90000);
        c.Nazwa = surnames.at(int(rng.bounded(surnames.size()))) + u" Jan"_qs;
        c.DomMiasto = cities.at(int(rng.bounded(cities.size())));
        c.DomUlica = u"ul. Długa "_qs + QString::number(rng.bounded(1, 200));
        c.TelKom = u"+48 "_qs + QString::number(rng.bounded(500000000, 899999999));
        c.Email = u"jan"_qs + QString::number(i) + u"@poczta.pl"_qs;
        lines.append(c.toLine());
    }
    ContactList list;
    list.setLines(std::move(lines));
    return list;
}

void BM_SearchFindNextNoMatch(benchmark::State &state)
{
    static const ContactList list = searchBook();
    // state.range(0) is the length of a text that occurs nowhere.
    const QString text = u"Ĺźdźbło żółtej gęśli"_qs.left(int(state.range(0)));
    for (auto _ : state) {
        ContactSearch search;
        search.dialogShown();
        benchmark::DoNotOptimize(search.findNext(list, text));
    }
    state.SetItemsProcessed(state.iterations() * searchBookSize);
}
BENCHMARK(BM_SearchFindNextNoMatch)->Arg(1)->Arg(3)->Arg(19)->Unit(benchmark::kMillisecond);

// A 6000 × 4000 picture that compresses like a camera's: smooth shading, edges and fine grain.
// Decoding time follows the compressed size, which is reported with the figure.
struct BigPhoto
{
    QTemporaryDir dir;
    QString path = dir.filePath(u"foto/10000.jpg"_qs);
    explicit BigPhoto(int grainAmplitude)
    {
        QImage picture(6000, 4000, QImage::Format_RGB888);
        QRandomGenerator rng(7);
        for (int y = 0; y < picture.height(); ++y) {
            uchar *row = picture.scanLine(y);
            for (int x = 0; x < picture.width(); ++x) {
                const int grain = int(rng.bounded(2 * grainAmplitude + 1)) - grainAmplitude;
                const int stripe = ((x / 300 + y / 200) % 2) * 40; // hard edges every few hundred pixels
                row[3 * x] = uchar(qBound(0, 60 + x / 40 + stripe + grain, 255));
                row[3 * x + 1] = uchar(qBound(0, 40 + y / 25 + grain, 255));
                row[3 * x + 2] = uchar(qBound(0, 200 - (x + y) / 60 + stripe / 2 + grain, 255));
            }
        }
        QByteArray jpeg;
        QString error;
        QDir(dir.path()).mkpath(u"foto"_qs);
        if (!PhotoCodec::encodeJpeg(picture, 90, &jpeg, &error) || !TextFile::writeAtomically(path, jpeg, &error)) {
            qFatal("cannot make the photo: %s", qPrintable(error));
        }
        Contact c;
        c.ID = u"10000"_qs;
        c.Nazwa = u"Nowak Jan"_qs;
        if (!TextFile::writeLines(dir.filePath(u"Morwinek.data"_qs), {c.toLine(), c.toLine()}, &error)) {
            qFatal("cannot write the book: %s", qPrintable(error));
        }
    }
};

// state.range(0) is the grain: 4 gives a smooth subject, 12 a busy one (about 7 MB, as a
// 24-megapixel camera stores at its finest setting).
BigPhoto &bigPhoto(int grainAmplitude)
{
    static std::map<int, std::unique_ptr<BigPhoto>> photos;
    std::unique_ptr<BigPhoto> &photo = photos[grainAmplitude];
    if (!photo) {
        photo = std::make_unique<BigPhoto>(grainAmplitude);
    }
    return *photo;
}

void BM_PhotoDecode24MP(benchmark::State &state)
{
    (void)bigPhoto(int(state.range(0))); // made once, outside the measurement
    for (auto _ : state) {
        QImage image;
        QString error;
        if (!PhotoStore::load(bigPhoto(int(state.range(0))).path, QSize(133, 142), &image, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        benchmark::DoNotOptimize(image.width());
    }
    state.counters["file_MB"] = double(QFileInfo(bigPhoto(int(state.range(0))).path).size()) / (1024 * 1024);
}
BENCHMARK(BM_PhotoDecode24MP)->Arg(4)->Arg(12)->Unit(benchmark::kMillisecond);

void BM_ContactShowWith24MPPhoto(benchmark::State &state)
{
    BenchSupport::ensureApplication();
    SimServices sim(bigPhoto(int(state.range(0))).dir.path());
    TForm_Main main(sim.services);
    main.Kontakty->trigger();
    TForm_Notatniczek *w = Form_Notatniczek;
    int next = 0;
    state.counters["file_MB"] = double(QFileInfo(bigPhoto(int(state.range(0))).path).size()) / (1024 * 1024);
    for (auto _ : state) {
        w->Dane_Czytaj(next); // both contacts share the photo
        next = 1 - next;
    }
    delete Form_Notatniczek.data();
}
BENCHMARK(BM_ContactShowWith24MPPhoto)->Arg(4)->Arg(12)->Unit(benchmark::kMillisecond);

} // namespace
