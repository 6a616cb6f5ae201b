#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/PhotoCodec.h"
#include "core/contacts/PhotoStore.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QSize view(133, 142);

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x ^ y) & 0xFF));
        }
    }
    return image;
}

QByteArray jpegOf(int w, int h)
{
    QByteArray jpeg;
    QString error;
    if (!PhotoCodec::encodeJpeg(gradient(w, h), 90, &jpeg, &error)) {
        qWarning("%s", qPrintable(error));
    }
    return jpeg;
}

QByteArray bmpOf(int w, int h)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "bmp").write(gradient(w, h));
    return bmp;
}

// The offset of the first frame header (SOF0 baseline or SOF2 progressive), or -1.
qsizetype frameHeader(const QByteArray &jpeg, char kind)
{
    return jpeg.indexOf(QByteArray("\xFF") + kind);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QString error;
    QVERIFY2(TextFile::writeAtomically(path, bytes, &error), qPrintable(error));
}

} // namespace

class TestPhotoStore : public QObject
{
    Q_OBJECT
private slots:
    void load_refusesDamagedFiles_data();
    void load_refusesDamagedFiles();
    void load_decodesAtReducedScale_data();
    void load_decodesAtReducedScale();
    void prepare_jpegCopiedBmpConverted();
    void prepare_refusesOtherContentWhateverItsName();
    void store_failedWriteKeepsOldPhoto_data();
    void store_failedWriteKeepsOldPhoto();
    void notes_lastLineBreakAddsNoEmptyLine_data();
    void notes_lastLineBreakAddsNoEmptyLine();
    void remove_keepsFilesOfAContactWithTheSameIdentifier();
};

void TestPhotoStore::load_refusesDamagedFiles_data()
{
    const QByteArray good = jpegOf(320, 240);
    QVERIFY(PhotoCodec::looksLikeJpeg(good));
    QByteArray huge = good;
    const qsizetype sof = frameHeader(huge, '\xC0');
    QVERIFY(sof > 0);
    huge.replace(sof + 5, 4, QByteArray("\xFD\xE8\xFD\xE8", 4)); // 65000 × 65000
    QByteArray marker = good;
    marker.replace(marker.size() / 2, 2, "\xFF\xD0");

    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("without its end") << good.chopped(2);
    QTest::newRow("stray marker in the data") << marker;
    QTest::newRow("header claims 65000 x 65000") << huge;
    QTest::newRow("header only") << good.left(sof + 20);
    QTest::newRow("text with a .jpg name") << QByteArray("not a picture at all");
    QTest::newRow("empty") << QByteArray();
}

void TestPhotoStore::load_refusesDamagedFiles()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"10000.jpg"_s);
    writeFile(path, bytes);
    QImage image;
    QString error;
    QVERIFY(!PhotoStore::load(path, view, &image, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(image.isNull());
}

void TestPhotoStore::load_decodesAtReducedScale_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("decoded");
    QTest::newRow("eighth covers the view") << QSize(2000, 1600) << QSize(250, 200);
    QTest::newRow("three eighths needed") << QSize(400, 400) << QSize(150, 150);
    QTest::newRow("portrait: the height decides") << QSize(1000, 300) << QSize(500, 150);
    QTest::newRow("smaller than the view") << QSize(100, 50) << QSize(100, 50);
}

void TestPhotoStore::load_decodesAtReducedScale()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, decoded);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"10000.jpg"_s);
    writeFile(path, jpegOf(picture.width(), picture.height()));
    QImage image;
    QString error;
    QVERIFY2(PhotoStore::load(path, view, &image, &error), qPrintable(error));
    QCOMPARE(image.size(), decoded);
    const QRgb corner = image.pixel(image.width() - 1, image.height() - 1); // the gradient's bright end
    QVERIFY(qRed(corner) > 200 && qGreen(corner) > 200);
}

void TestPhotoStore::prepare_jpegCopiedBmpConverted()
{
    QTemporaryDir dir;
    const QByteArray jpeg = jpegOf(300, 200);
    writeFile(dir.filePath(u"photo.jpeg"_s), jpeg);
    writeFile(dir.filePath(u"photo.bmp"_s), bmpOf(64, 48));
    writeFile(dir.filePath(u"really-a-bmp.jpg"_s), bmpOf(64, 48));

    PhotoStore::Prepared prepared;
    QString error;
    QVERIFY2(PhotoStore::prepare(dir.filePath(u"photo.jpeg"_s), view, &prepared, &error), qPrintable(error));
    QCOMPARE(prepared.bytes, jpeg);

    for (const QString &name : {u"photo.bmp"_s, u"really-a-bmp.jpg"_s}) {
        QVERIFY2(PhotoStore::prepare(dir.filePath(name), view, &prepared, &error), qPrintable(error));
        QVERIFY(PhotoCodec::looksLikeJpeg(prepared.bytes));
        QVERIFY(frameHeader(prepared.bytes, '\xC0') > 0); // baseline
        QCOMPARE(frameHeader(prepared.bytes, '\xC2'), -1);
        QImage back;
        QVERIFY2(PhotoCodec::decodeJpeg(prepared.bytes, QSize(64, 48), &back, &error), qPrintable(error));
        QCOMPARE(back.size(), QSize(64, 48)); // full size, colour
        const QRgb middle = back.pixel(32, 24);
        QVERIFY(qAbs(qRed(middle) - 127) < 12 && qAbs(qGreen(middle) - 127) < 12);
    }
}

void TestPhotoStore::prepare_refusesOtherContentWhateverItsName()
{
    QTemporaryDir dir;
    QByteArray bmp = bmpOf(64, 48);
    writeFile(dir.filePath(u"cut.bmp"_s), bmp.left(40));
    writeFile(dir.filePath(u"icon.jpg"_s), QByteArray("\x00\x00\x01\x00\x01\x00", 6) + QByteArray(100, 'x'));
    writeFile(dir.filePath(u"cut.jpg"_s), jpegOf(300, 200).left(300));
    for (const QString &name : {u"cut.bmp"_s, u"icon.jpg"_s, u"cut.jpg"_s, u"missing.jpg"_s}) {
        PhotoStore::Prepared prepared;
        QString error;
        QVERIFY2(!PhotoStore::prepare(dir.filePath(name), view, &prepared, &error), qPrintable(name));
        QVERIFY(!error.isEmpty());
    }
}

void TestPhotoStore::store_failedWriteKeepsOldPhoto_data()
{
    QTest::addColumn<bool>("readOnlyFolder"); // else the photo's name is taken by a folder
    QTest::newRow("read-only foto") << true;
    QTest::newRow("name taken by a folder") << false;
}

void TestPhotoStore::store_failedWriteKeepsOldPhoto()
{
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && geteuid() == 0) {
        QSKIP("root writes into read-only folders; the other row fails even for root");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"10000.jpg"_s);
    if (readOnlyFolder) {
        writeFile(path, "old");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    } else {
        QVERIFY(QDir(dir.path()).mkdir(u"10000.jpg"_s));
    }
    QString error;
    const bool stored = PhotoStore::store(path, jpegOf(10, 10), &error);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!stored);
    QVERIFY(!error.isEmpty());
    QFile old(path);
    if (readOnlyFolder) {
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    } else {
        QVERIFY(QFileInfo(path).isDir());
    }
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
    Contact a, b, c;
    a.ID = b.ID = u"10000"_s;
    c.ID = u"10001"_s;
    a.Nazwa = u"Adamski"_s;
    b.Nazwa = u"Bednarz"_s;
    c.Nazwa = u"Cichy"_s;
    writeFile(dir.filePath(u"Morwinek.data"_s), TextFile::joinLines({a.toLine(), b.toLine(), c.toLine()}));
    ContactFile book(dir.path());
    QString error;
    QVERIFY(book.load(&error));
    for (const QString &id : {u"10000"_s, u"10001"_s}) {
        writeFile(book.photoPath(id), "jpeg");
        writeFile(book.notesPath(id), "notes\r\n");
    }
    QVERIFY(book.remove(0, &error)); // Bednarz still holds 10000
    QVERIFY(QFile::exists(book.photoPath(u"10000"_s)));
    QVERIFY(QFile::exists(book.notesPath(u"10000"_s)));
    QVERIFY(book.remove(0, &error));
    QVERIFY(!QFile::exists(book.photoPath(u"10000"_s)));
    QVERIFY(!QFile::exists(book.notesPath(u"10000"_s)));
    QVERIFY(QFile::exists(book.photoPath(u"10001"_s)));
    QVERIFY(QFile::exists(book.notesPath(u"10001"_s)));
}

QTEST_GUILESS_MAIN(TestPhotoStore)
#include "tst_photostore.moc"
