#include "support/ContactLines.h"
#include "support/ManyScans.h"
#include "support/Pictures.h"

#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoCodec.h"
#include "core/contacts/PhotoStore.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QSize view(133, 142);

QString fileWith(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    [&] {
        QVERIFY(TextFile::writeAtomically(dir.filePath(name), bytes, nullptr));
    }();
    return dir.filePath(name);
}

} // namespace

class TestPhotoStore : public QObject
{
    Q_OBJECT
private slots:
    void load_refusesDamagedFiles_data();
    void load_refusesDamagedFiles();
    void prepare_byContent_data();
    void prepare_byContent();
    void decode_limits_data();
    void decode_limits();
    void store_failedWriteKeepsOldPhoto();
    void notes_lastLineBreakAddsNoEmptyLine_data();
    void notes_lastLineBreakAddsNoEmptyLine();
    void remove_keepsFilesOfAContactWithTheSameIdentifier();
};

void TestPhotoStore::load_refusesDamagedFiles_data()
{
    const QByteArray good = pictureOf("jpg", 320, 240);
    const qsizetype sof = good.indexOf("\xFF\xC0");
    QVERIFY(sof > 0);
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("without its end") << good.chopped(2);
    QTest::newRow("stray marker in the data") << QByteArray(good).replace(good.size() / 2, 2, "\xFF\xD0");
    QTest::newRow("header claims 65000 x 65000") << QByteArray(good).replace(sof + 5, 4, "\xFD\xE8\xFD\xE8");
    QTest::newRow("header only") << good.left(sof + 20);
    QTest::newRow("text") << QByteArray("not a picture at all");
}

void TestPhotoStore::load_refusesDamagedFiles()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QImage image;
    QString error;
    QVERIFY(!PhotoStore::load(fileWith(dir, u"10000.jpg"_s, bytes), view, &image, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(image.isNull());
}

void TestPhotoStore::prepare_byContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    const QByteArray jpeg = pictureOf("jpg", 400, 400);
    QTest::newRow("JPEG") << "a.jpeg" << jpeg << "copied";
    QTest::newRow("BMP") << "a.bmp" << pictureOf("bmp", 64, 48) << "converted";
    QTest::newRow("BMP named .jpg") << "b.jpg" << pictureOf("bmp", 64, 48) << "converted";
    QTest::newRow("PNG") << "c.png" << pictureOf("png", 64, 48) << "converted";
    QTest::newRow("PNG named .jpg") << "c.jpg" << pictureOf("png", 64, 48) << "converted";
    QTest::newRow("no picture named .png") << "d.png" << QByteArray("zwykły tekst\n") << "refused";
    QTest::newRow("cut JPEG") << "e.jpg" << jpeg.left(300) << "refused";
    QTest::newRow("gone before reading") << "zniknięte.jpg" << QByteArray() << "gone";
}

void TestPhotoStore::prepare_byContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    QTemporaryDir dir;
    PhotoStore::Prepared prepared;
    QString error;
    const QString path = outcome == u"gone"_s ? dir.filePath(name) : fileWith(dir, name, bytes);
    const bool ok = PhotoStore::prepare(path, view, &prepared, &error);
    QCOMPARE(ok, outcome == u"copied"_s || outcome == u"converted"_s);
    QCOMPARE(error.isEmpty(), ok);
    if (outcome == u"gone"_s) { // told like every other file error
        QCOMPARE(error, u"Nie można odczytać pliku „%1”: plik nie istnieje."_s.arg(QDir::toNativeSeparators(path)));
    } else if (outcome == u"copied"_s) {
        QCOMPARE(prepared.bytes, bytes);
        QCOMPARE(prepared.view.size(), QSize(150, 150)); // three eighths still cover the view
    } else if (outcome == u"converted"_s) {
        QVERIFY(prepared.bytes.indexOf("\xFF\xC0") > 0); // baseline, not progressive
        QCOMPARE(prepared.bytes.indexOf("\xFF\xC2"), -1);
        QImage back;
        QVERIFY2(PhotoCodec::decodeJpeg(prepared.bytes, QSize(64, 48), &back, &error), qPrintable(error));
        QCOMPARE(back.size(), QSize(64, 48));
        QVERIFY(qAbs(qRed(back.pixel(32, 24)) - 127) < 12 && qAbs(qGreen(back.pixel(32, 24)) - 127) < 12);
    }
}

namespace {

QByteArray bmpOfHeight(QByteArray bmp, qint32 height) // negative: the same rows, read top-down
{
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    return bmp;
}

} // namespace

void TestPhotoStore::decode_limits_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // part of the reason; empty when the picture is accepted
    const QByteArray bmp = pictureOf("bmp", 30, 20);
    QTest::newRow("progressive, 694 scans") << progressiveJpegWithScans(694) << "zbyt wiele skanów";
    QTest::newRow("progressive, 500 scans") << progressiveJpegWithScans(500) << "";
    QTest::newRow("top-down bitmap") << bmpOfHeight(bmp, -20) << "";
    QTest::newRow("top-down bitmap of 30 x 5000000") << bmpOfHeight(bmp, -5'000'000) << "zbyt duże wymiary";
}

void TestPhotoStore::decode_limits()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    QImage image;
    QString error;
    const bool bmp = PhotoCodec::looksLikeBmp(bytes);
    const bool ok =
        bmp ? PhotoCodec::decodeBmp(bytes, &image, &error) : PhotoCodec::decodeJpeg(bytes, view, &image, &error);
    QVERIFY2(ok == refusal.isEmpty() && error.contains(refusal), qPrintable(error));
    if (ok && bmp) { // rows in the order the header tells
        const QImage bottomUp = QImage::fromData(pictureOf("bmp", 30, 20), "bmp");
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
                 bottomUp.mirrored().convertToFormat(QImage::Format_RGB32));
    }
}

void TestPhotoStore::store_failedWriteKeepsOldPhoto()
{
    // The name taken by a folder fails for root too, which writes into read-only folders.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"10000.jpg"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"10000.jpg"_s));
    QString error;
    QVERIFY(!PhotoStore::store(path, pictureOf("jpg", 10, 10), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(path).isDir());
}

void TestPhotoStore::notes_lastLineBreakAddsNoEmptyLine_data()
{
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("one line") << u"abc"_s << QByteArray("abc\r\n");
    QTest::newRow("ends with a break") << u"abc\n"_s << QByteArray("abc\r\n");
    QTest::newRow("ends with an empty line") << u"abc\n\n"_s << QByteArray("abc\r\n\r\n");
    QTest::newRow("empty line inside") << u"a\n\nb"_s << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("only a break") << u"\n"_s << QByteArray("\r\n");
}

void TestPhotoStore::notes_lastLineBreakAddsNoEmptyLine()
{
    QFETCH(QString, notes);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"notes"_s);
    ContactFile book(dir.path());
    QString error;
    QVERIFY(book.writeNotes(u"10000"_s, notes, &error));
    QFile written(book.notesPath(u"10000"_s));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), file);
}

void TestPhotoStore::remove_keepsFilesOfAContactWithTheSameIdentifier()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"notes"_s);
    QDir(dir.path()).mkpath(u"foto"_s);
    QList<QByteArray> lines;
    for (const char *id : {"10000", "10000", "10001"}) { // a file edited by hand
        lines.append(lineFor(QLatin1String(id), u"Nowak"_s));
        fileWith(dir, u"foto/%1.jpg"_s.arg(QLatin1String(id)), "jpeg");
        fileWith(dir, u"notes/%1.txt"_s.arg(QLatin1String(id)), "notes\r\n");
    }
    fileWith(dir, u"Morwinek.data"_s, TextFile::joinLines(lines));
    ContactFile book(dir.path());
    QString error;
    QVERIFY(book.load(&error));
    const auto sideFiles = [&book](const QString &id) {
        return int(QFile::exists(book.photoPath(id))) + int(QFile::exists(book.notesPath(id)));
    };
    QVERIFY(book.remove(0, &error)); // the second line still holds 10000
    QCOMPARE(sideFiles(u"10000"_s), 2);
    QVERIFY(book.remove(0, &error));
    QCOMPARE(sideFiles(u"10000"_s), 0);
    QCOMPARE(sideFiles(u"10001"_s), 2);
}

QTEST_GUILESS_MAIN(TestPhotoStore)
#include "tst_photostore.moc"
