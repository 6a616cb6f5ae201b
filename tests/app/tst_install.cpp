#include "support/ProgramBox.h"

#include <QDirIterator>
#include <QImage>
#include <QStandardPaths>

#include <csignal>

// The program as a user meets it: its options, where its data go, what an install puts on disk.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void options_data();
    void options();
    void installTree_holdsEverythingAndValidates();
};

void TestInstall::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("printed"); // empty: the organiser starts and is ended by SIGTERM
    QTest::addColumn<QStringList>("files");
    const QStringList none{"app", "app/morwinek", "config", "data", "runtime"};
    QTest::newRow("help") << QStringList{"--help"} << "--data-dir FOLDER" << none;
    QTest::newRow("version") << QStringList{"--version"} << "Morwinek wersja 1.8.5.183" << none;
    QTest::newRow("help with a folder") << QStringList{"--data-dir", "d", "--help"} << "Użycie" << none;
    QTest::newRow("data folder") << QStringList{"--data-dir", "moje dane"} << QString()
                                 << none + QStringList{"moje dane", "moje dane/Morwinek.ini", "runtime/Morwinek.lock"};
}

void TestInstall::options()
{
    QFETCH(QStringList, args);
    QFETCH(QString, printed);
    QFETCH(QStringList, files);
    const ProgramBox box;
    QProcess p;
    box.start(p, args);
    if (printed.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(box.path("runtime/Morwinek.lock")), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(box.path("moje dane")).isDir(), 10000); // made on first start
        QTest::qWait(300);
        ::kill(p.processId(), SIGTERM);
    }
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardOutput().contains(printed.toUtf8()));
    QStringList found; // with --help and --version: no lock, no data, no settings anywhere
    for (QDirIterator it(box.dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();) {
        found << QDir(box.dir.path()).relativeFilePath(it.next());
    }
    found.sort();
    files.sort();
    QCOMPARE(found, files);
}

void TestInstall::installTree_holdsEverythingAndValidates()
{
    QDir build = QFileInfo(QStringLiteral(MORWINEK_EXE)).absoluteDir(); // <build>/src/app
    if (!build.cd("../..") || !build.exists("cmake_install.cmake")) {
        QSKIP("not run from a CMake build folder");
    }
    QTemporaryDir prefix;
    QProcess install;
    install.start("cmake", {"--install", build.path(), "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    const QString desktop = prefix.filePath("share/applications/org.example.morwinek.desktop");
    const QString metainfo = prefix.filePath("share/metainfo/org.example.morwinek.metainfo.xml");
    QVERIFY(QFileInfo(prefix.filePath("bin/morwinek")).isExecutable());
    QVERIFY(QFileInfo(prefix.filePath("share/morwinek/pomoc/index.html")).size() > 1000);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(prefix.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/morwinek.png").arg(size)));
        QCOMPARE(icon.size(), QSize(size, size));
    }
    QFile entry(desktop);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("\nCategories=Office;ContactManagement;Calendar;\n"));
    // The validators, where installed.
    const QList<QStringList> validators{{"desktop-file-validate", desktop},
                                        {"appstreamcli", "validate", "--no-net", metainfo}};
    for (QStringList command : validators) {
        const QString tool = QStandardPaths::findExecutable(command.takeFirst());
        if (!tool.isEmpty()) {
            QProcess v;
            v.start(tool, command);
            QVERIFY(v.waitForFinished(60000));
            QVERIFY2(v.exitCode() == 0, (v.readAllStandardOutput() + v.readAllStandardError()).constData());
        }
    }
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
