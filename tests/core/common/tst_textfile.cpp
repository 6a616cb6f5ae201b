#include "core/common/TextFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// Atomic replacement: a failed write never leaves a half-written or emptied file behind.
class TestTextFile : public QObject
{
    Q_OBJECT
private slots:
    void write_replacesWhole();
    void readOnlyFolder_failsAndKeepsOldFile();
    void fullDisk_failsAndKeepsOldFile();
    void missingFile_readsAsNoLines();
};

void TestTextFile::write_replacesWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    QString error;
    QVERIFY(TextFile::writeLines(path, {"first", "second"}, &error));
    QVERIFY(TextFile::writeLines(path, {"x"}, &error));
    QList<QByteArray> lines;
    bool exists = false;
    QVERIFY(TextFile::readLines(path, &lines, &exists, &error));
    QVERIFY(exists);
    QCOMPARE(lines, QList<QByteArray>{"x"});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.txt"}); // no temporary left over
}

void TestTextFile::readOnlyFolder_failsAndKeepsOldFile()
{
    if (geteuid() == 0) {
        QSKIP("root writes into read-only folders; the full-disk case covers the failure path");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    QVERIFY(TextFile::writeLines(path, {"old"}, nullptr));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    QVERIFY(!TextFile::writeLines(path, {"new"}, &error));
    QVERIFY(!error.isEmpty());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QList<QByteArray> lines;
    QVERIFY(TextFile::readLines(path, &lines, nullptr, nullptr));
    QCOMPARE(lines, QList<QByteArray>{"old"});
}

void TestTextFile::fullDisk_failsAndKeepsOldFile()
{
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath("small");
    QVERIFY(QDir().mkpath(mountPoint));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mountPoint}) != 0) {
        QSKIP("cannot mount a small tmpfs here (needs root and mount rights)");
    }
    const auto unmount = qScopeGuard([&] {
        QProcess::execute("umount", {mountPoint});
    });
    const QString path = mountPoint + "/Morwinek.data";
    const QByteArray old(20 * 1024, 'o');
    QVERIFY(TextFile::writeAtomically(path, old, nullptr));

    QString error;
    QVERIFY(!TextFile::writeAtomically(path, QByteArray(200 * 1024, 'n'), &error));
    QVERIFY(!error.isEmpty());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), old);
    f.close();
    QCOMPARE(QDir(mountPoint).entryList(QDir::Files), QStringList{"Morwinek.data"});
}

void TestTextFile::missingFile_readsAsNoLines()
{
    QTemporaryDir dir;
    QList<QByteArray> lines{"stale"};
    bool exists = true;
    QVERIFY(TextFile::readLines(dir.filePath("none"), &lines, &exists, nullptr));
    QVERIFY(!exists);
    QVERIFY(lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
