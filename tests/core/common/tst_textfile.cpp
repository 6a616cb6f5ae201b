#include "core/appointments/AppointmentList.h"
#include "core/common/IniFile.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

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
    void splitLines_lineEnds_data();
    void splitLines_lineEnds();
    void readLines_lineEndsAcrossBlocks_data();
    void readLines_lineEndsAcrossBlocks();
    void danglingLink_readsAsMissing_saveCreatesTarget_data();
    void danglingLink_readsAsMissing_saveCreatesTarget();
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

void TestTextFile::splitLines_lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("lines");
    const QList<QByteArray> two{"ab", "cd"};
    QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n") << two;
    QTest::newRow("LF") << QByteArray("ab\ncd\n") << two;
    QTest::newRow("CR") << QByteArray("ab\rcd\r") << two;
    QTest::newRow("CR CR LF, converted twice") << QByteArray("ab\r\r\ncd\r\r\n") << two;
    QTest::newRow("LF CR") << QByteArray("ab\n\rcd\n\r") << two;
    QTest::newRow("CR CR LF without a last end") << QByteArray("ab\r\r\ncd") << two;
    QTest::newRow("blank line in CR LF") << QByteArray("ab\r\n\r\ncd\r\n") << QList<QByteArray>{"ab", "", "cd"};
    QTest::newRow("blank line in CR CR LF")
        << QByteArray("ab\r\r\n\r\r\ncd\r\r\n") << QList<QByteArray>{"ab", "", "cd"};
    QTest::newRow("blank line in LF CR") << QByteArray("ab\n\r\n\rcd") << QList<QByteArray>{"ab", "", "cd"};
    QTest::newRow("blank line in LF") << QByteArray("ab\n\ncd\n") << QList<QByteArray>{"ab", "", "cd"};
    QTest::newRow("blank line in CR") << QByteArray("ab\r\rcd\r") << QList<QByteArray>{"ab", "", "cd"};
    QTest::newRow("NUL reads as a blank") << QByteArray("a\0b\r\n\0", 6) << QList<QByteArray>{"a b", " "};
    QTest::newRow("other bytes kept") << QByteArray("\t a\x01\xff \r\n\x7f")
                                      << QList<QByteArray>{"\t a\x01\xff ", "\x7f"};
}

void TestTextFile::splitLines_lineEnds()
{
    QFETCH(QByteArray, bytes);
    QTEST(TextFile::splitLines(bytes), "lines");
}

void TestTextFile::readLines_lineEndsAcrossBlocks_data()
{
    splitLines_lineEnds_data();
}

// A file is read in blocks of 1 MiB: the same lines come out wherever a block ends.
void TestTextFile::readLines_lineEndsAcrossBlocks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    const qsizetype block = 1 << 20;
    for (qsizetype from = block - 12; from <= block + 1; ++from) {
        const QByteArray first(from - 2, 'p');
        QVERIFY(TextFile::writeAtomically(path, first + "\r\n" + bytes, nullptr));
        QList<QByteArray> read;
        QVERIFY(TextFile::readLines(path, &read, nullptr, nullptr));
        QCOMPARE(read, QList<QByteArray>{first} + lines);
    }
}

void TestTextFile::danglingLink_readsAsMissing_saveCreatesTarget_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("contacts") << "Morwinek.data";
    QTest::newRow("appointments") << "Morwinek.term";
    QTest::newRow("settings") << "Morwinek.ini";
}

void TestTextFile::danglingLink_readsAsMissing_saveCreatesTarget()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("elsewhere"));
    const QString target = dir.filePath("elsewhere/" + file);
    QVERIFY(QFile::link(target, dir.filePath(file)));
    QString error;
    QByteArray expected;
    if (file == u"Morwinek.data") {
        ContactFile book(dir.path());
        QVERIFY2(book.load(&error), qPrintable(error));
        QCOMPARE(book.count(), 0);
        Contact c;
        c.ID = "10000";
        QVERIFY2(book.add(c, &error), qPrintable(error));
        expected = QByteArray("10000").append(685, ' ') + "\r\n";
    } else if (file == u"Morwinek.term") {
        AppointmentList list;
        QVERIFY2(list.build(dir.path(), QDate(2026, 12, 6), 3, &error), qPrintable(error));
        QVERIFY(list.store().isEmpty());
        QVERIFY2(list.saveRecord("07.12.2026", -1, &error), qPrintable(error));
        expected = "07.12.2026\r\n";
    } else {
        IniFile ini(dir.filePath(file));
        QVERIFY2(ini.load(&error), qPrintable(error));
        QCOMPARE(ini.readInt("Terminy", "ZAKRES", 3), 3);
        ini.writeString("Terminy", "ZAKRES", "5");
        QVERIFY2(ini.save(&error), qPrintable(error));
        expected = "[Terminy]\r\nZAKRES=5\r\n";
    }
    QVERIFY(QFileInfo(dir.filePath(file)).isSymLink()); // the link stays and names the new file
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected);
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
