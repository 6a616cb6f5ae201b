#include "core/common/FileError.h"
#include "core/common/TextFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

// What the user reads when a data file cannot be read, written or removed.
class TestFileError : public QObject
{
    Q_OBJECT
private slots:
    void failure_namesFileAndReason_data();
    void failure_namesFileAndReason();
};

void TestFileError::failure_namesFileAndReason_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("target");  // in a fresh folder that holds the folder "folder"
    QTest::addColumn<int>("errorNumber"); // 0: a real failure of TextFile
    QTest::addColumn<QString>("words");
    QTest::newRow("write onto a folder") << "write"
                                         << "folder" << 0 << "Nie można zapisać pliku „%1”: pod tą";
    QTest::newRow("write, missing folder") << "write"
                                           << "brak/Morwinek.term" << 0 << "folder „%2” nie istnieje.";
    QTest::newRow("read a folder") << "read"
                                   << "folder" << 0 << "Nie można odczytać pliku „%1”: pod tą";
    QTest::newRow("remove a folder") << "remove"
                                     << "folder" << 0 << "Nie można usunąć pliku „%1”: pod tą";
    QTest::newRow("disk full") << "write"
                               << "Morwinek.data" << ENOSPC << "„%1”: brak miejsca na dysku.";
    QTest::newRow("read-only file system") << "write"
                                           << "Morwinek.data" << EROFS << ": system plików jest tylko";
    QTest::newRow("anything else") << "write"
                                   << "Morwinek.data" << EIO << ": Device says no.";
}

void TestFileError::failure_namesFileAndReason()
{
    QFETCH(QString, operation);
    QFETCH(QString, target);
    QFETCH(int, errorNumber);
    QFETCH(QString, words);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString path = dir.filePath(target);
    QString error;
    QByteArray bytes;
    if (errorNumber != 0) {
        error = FileError::describe(FileError::Write, path, QStringLiteral("Device says no"), errorNumber);
    } else if (operation == "write") {
        QVERIFY(!TextFile::writeAtomically(path, "x", &error));
    } else if (operation == "read") {
        QVERIFY(!TextFile::readBytes(path, &bytes, nullptr, &error));
    } else {
        QVERIFY(!TextFile::removeIfExists(path, &error));
    }
    words.replace("%1", path).replace("%2", QFileInfo(path).path());
    QVERIFY2(error.contains(words), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestFileError)
#include "tst_fileerror.moc"
