#include "support/ProgramBox.h"

#include "core/common/TextFile.h"

#include <QDirIterator>
#include <QImage>
#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray twoCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Jan;;;\r\nTEL;TYPE=CELL:600 100 200\r\n"
                            "NOTE:Zadzwonić po 17\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ąbel;Ewa;;;\r\nEMAIL:ewa@example.pl\r\n"
                            "BDAY:1990-05-17\r\nEND:VCARD\r\n";

} // namespace

// The program as a user meets it: its options, where its data go, exchanging contacts from the command line
// on a data folder of its own, what an install puts on disk.
class TestInstall : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void options_data();
    void options();
    void exchange_importTwiceSkipsDuplicatesThenExports();
    void exchange_errorsExitNonZeroAndAddNothing_data();
    void exchange_errorsExitNonZeroAndAddNothing();
    void exchange_importRefusedWhileOrganiserRunsOnTheFolder();
    void exchange_importRefusedWhileAnotherImportRuns();
    void start_duringImport_waitsInSight_data();
    void start_duringImport_waitsInSight();
    void installTree_holdsEverythingAndValidates();
    void package_lintianFindsNoErrors();

private:
    QByteArray read(const QString &name) const;
    // The folder held alone, as a running import holds its data folder; -1 on failure.
    int holdAsImport(const QString &folder) const;
    QString buildFolder() const;

    std::unique_ptr<ProgramBox> m_box;
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

void TestInstall::init()
{
    m_box = std::make_unique<ProgramBox>();
    QVERIFY(QDir().mkpath(m_box->path(u"dane"_s)));
    QVERIFY(TextFile::writeAtomically(m_box->path(u"a.vcf"_s), twoCards, nullptr));
}

QByteArray TestInstall::read(const QString &name) const
{
    QByteArray bytes;
    bool exists = false;
    return TextFile::readBytes(m_box->path(name), &bytes, &exists, nullptr) && exists ? bytes : QByteArray("<none>");
}

void TestInstall::exchange_importTwiceSkipsDuplicatesThenExports()
{
    QCOMPARE(m_box->run(u"--data-dir dane --import a.vcf"_s), 0);
    QCOMPARE(m_box->out.trimmed(), u"Wczytano: 2, dodano: 2, pominięto jako duplikaty: 0."_s);
    QCOMPARE(QDir(m_box->path(u"dane/notes"_s)).entryList(QDir::Files), QStringList{u"10000.txt"_s});

    QCOMPARE(m_box->run(u"--data-dir=dane --import=a.vcf"_s), 0);
    QCOMPARE(m_box->out.trimmed(), u"Wczytano: 2, dodano: 0, pominięto jako duplikaty: 2."_s);
    const QList<QByteArray> lines = TextFile::splitLines(read(u"dane/Morwinek.data"_s));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("10001")); // "Ąbel" sorts before "Nowak"

    QCOMPARE(m_box->run(u"--data-dir dane --export-csv k.csv --export-ics k.ics --export-vcard k.vcf"_s), 0);
    const QByteArray csv = read(u"k.csv"_s);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                           "ID,Dep,DomKod,"));
    QVERIFY(csv.contains(u"\r\n10000,,,,,,,,,,Nowak Jan,,,,,,,,,,600 100 200,,,,,Zadzwonić po 17\r\n"_s.toUtf8()));
    QVERIFY(QFile::exists(m_box->path(u"k.ics"_s)) && QFile::exists(m_box->path(u"k.vcf"_s)));
}

void TestInstall::exchange_errorsExitNonZeroAndAddNothing_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed file") << u"--data-dir dane --import bad.csv"_s << 1 << u"Wiersz 3:"_s;
    QTest::newRow("file name missing") << u"--data-dir dane --import"_s << 2 << u"wymaga"_s;
    QTest::newRow("unknown option") << u"--import a.vcf --cicho"_s << 2 << u"--cicho"_s;
    QTest::newRow("more new contacts than free identifiers")
        << u"--data-dir dane --import many.csv"_s << 1 << u"wolnych identyfikatorów (89998)"_s;
    QTest::newRow("file beyond the import limit") << u"--data-dir dane --import sparse.csv"_s << 1 << u"za duży"_s;
}

void TestInstall::exchange_errorsExitNonZeroAndAddNothing()
{
    QFETCH(QString, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    QCOMPARE(m_box->run(u"--data-dir dane --import a.vcf"_s), 0);
    QVERIFY(TextFile::writeAtomically(m_box->path(u"bad.csv"_s), "Nazwa,Email\r\nA,a@b\r\n\"B,b@c\r\n", nullptr));
    if (QByteArray(QTest::currentDataTag()).startsWith("more new")) {
        QByteArray many = "Nazwa,Email\r\n";
        for (int i = 0; i < 89999; ++i) {
            many += "Osoba " + QByteArray::number(i) + ",o" + QByteArray::number(i) + "@example.pl\r\n";
        }
        QVERIFY(TextFile::writeAtomically(m_box->path(u"many.csv"_s), many, nullptr));
    }
    QFile sparse(m_box->path(u"sparse.csv"_s));
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(8LL << 30)); // a hole, not data
    sparse.close();
    const QByteArray before = read(u"dane/Morwinek.data"_s);
    QCOMPARE(m_box->run(arguments), code);
    QVERIFY2(m_box->err.contains(message), qPrintable(m_box->err));
    QCOMPARE(read(u"dane/Morwinek.data"_s), before);
}

void TestInstall::exchange_importRefusedWhileOrganiserRunsOnTheFolder()
{
    QProcess organiser; // keeps its data beside its executable, in app/
    m_box->start(organiser, {});
    QVERIFY(organiser.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_box->path(u"runtime/Morwinek.lock"_s)), 10000);
    QTest::qWait(500);
    QCOMPARE(organiser.state(), QProcess::Running);

    QCOMPARE(m_box->run(u"--data-dir app --import a.vcf"_s), 3);
    QVERIFY2(m_box->err.contains(u"Zamknij go przed importem"_s), qPrintable(m_box->err));
    QVERIFY(!QFile::exists(m_box->path(u"app/Morwinek.data"_s)));
    // Exporting only reads, and another folder is free.
    QCOMPARE(m_box->run(u"--data-dir app --export-csv x.csv"_s), 0);
    QCOMPARE(m_box->run(u"--data-dir dane --import a.vcf"_s), 0);

    organiser.terminate();
    QVERIFY(organiser.waitForFinished(10000));
    QCOMPARE(m_box->run(u"--data-dir app --import a.vcf"_s), 0);
    QVERIFY(QFile::exists(m_box->path(u"app/Morwinek.data"_s)));
}

int TestInstall::holdAsImport(const QString &folder) const
{
    const int fd = ::open(QFile::encodeName(m_box->path(folder)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void TestInstall::exchange_importRefusedWhileAnotherImportRuns()
{
    const int fd = holdAsImport(u"dane"_s);
    QVERIFY(fd >= 0);
    QCOMPARE(m_box->run(u"--data-dir dane --import a.vcf"_s), 3);
    ::close(fd);
    const QString folder = QDir::toNativeSeparators(m_box->path(u"dane"_s));
    QVERIFY2(m_box->err.contains(u"Trwa inny import kontaktów do folderu danych "_s + folder), qPrintable(m_box->err));
    QVERIFY2(!m_box->err.contains(u"Organizer"_s), qPrintable(m_box->err));
    QVERIFY(!QFile::exists(m_box->path(u"dane/Morwinek.data"_s)));
}

void TestInstall::start_duringImport_waitsInSight_data()
{
    QTest::addColumn<bool>("importEnds"); // else the organiser is ended while it waits
    QTest::newRow("import ends: the organiser starts") << true;
    QTest::newRow("ended while waiting: nothing written") << false;
}

void TestInstall::start_duringImport_waitsInSight()
{
    QFETCH(bool, importEnds);
    int fd = holdAsImport(u"dane"_s);
    QVERIFY(fd >= 0);
    QProcess organiser;
    m_box->start(organiser, {u"--data-dir"_s, u"dane"_s});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += organiser.readAllStandardError()).contains(u"Trwa import kontaktów"_s.toUtf8()),
                             10000);
    QTest::qWait(300);
    QCOMPARE(organiser.state(), QProcess::Running);
    QVERIFY(!QFile::exists(m_box->path(u"dane/Morwinek.ini"_s)));
    if (importEnds) {
        ::close(fd);
        fd = -1;
        QTest::qWait(1000); // the window polls the lock four times a second
    }
    ::kill(static_cast<pid_t>(organiser.processId()), SIGTERM);
    QVERIFY(organiser.waitForFinished(10000));
    if (fd >= 0) {
        ::close(fd);
    }
    QCOMPARE(organiser.exitStatus(), QProcess::NormalExit);
    QCOMPARE(organiser.exitCode(), 0);
    // The settings are written at the end only by an organiser that got as far as reading them.
    QCOMPARE(QFile::exists(m_box->path(u"dane/Morwinek.ini"_s)), importEnds);
}

QString TestInstall::buildFolder() const
{
    QDir build = QFileInfo(QStringLiteral(MORWINEK_EXE)).absoluteDir(); // <build>/src/app
    return build.cd("../..") && build.exists("cmake_install.cmake") ? build.path() : QString();
}

void TestInstall::installTree_holdsEverythingAndValidates()
{
    const QString build = buildFolder();
    if (build.isEmpty()) {
        QSKIP("not run from a CMake build folder");
    }
    QTemporaryDir prefix;
    QProcess install;
    install.start("cmake", {"--install", build, "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
    const QString desktop = prefix.filePath("share/applications/org.example.morwinek.desktop");
    const QString metainfo = prefix.filePath("share/metainfo/org.example.morwinek.metainfo.xml");
    QVERIFY(QFileInfo(prefix.filePath("bin/morwinek")).isExecutable());
    QVERIFY(QFileInfo(prefix.filePath("share/morwinek/pomoc/index.html")).size() > 1000);
    QVERIFY(QFileInfo(prefix.filePath("share/doc/morwinek/copyright")).size() > 100);
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

// The Debian package as Debian's checker sees it: no errors (a maintainer with a name, the copyright
// file, the changelog).
void TestInstall::package_lintianFindsNoErrors()
{
    const QString build = buildFolder();
    if (build.isEmpty() || !QFile::exists(build + u"/CPackConfig.cmake"_s)) {
        QSKIP("not run from a CMake build folder");
    }
    QTemporaryDir out;
    for (const QStringList &command :
         {QStringList{u"cpack"_s, u"--config"_s, build + u"/CPackConfig.cmake"_s, u"-B"_s, out.path()},
          QStringList{u"sh"_s, u"-c"_s, u"lintian --fail-on error "_s + out.path() + u"/*.deb"_s}}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(command.first(), command.mid(1));
        QVERIFY(p.waitForFinished(180000));
        QVERIFY2(p.exitCode() == 0, p.readAll().constData());
    }
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
