#include "core/common/TextFile.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// The built program run from the command line on a data folder of its own.
class TestExchangeCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void importTwice_secondSkipsDuplicates_thenExports();
    void errors_exitNonZeroAndAddNothing_data();
    void errors_exitNonZeroAndAddNothing();
    void import_refusedWhileOrganiserRunsOnTheFolder();

private:
    struct Run
    {
        int code;
        QString out;
        QString err;
    };
    Run morwinek(const QStringList &arguments);
    QByteArray dataBytes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

const QByteArray twoCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Jan;;;\r\nTEL;TYPE=CELL:600 100 200\r\n"
                            "NOTE:Zadzwonić po 17\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ąbel;Ewa;;;\r\nEMAIL:ewa@example.pl\r\n"
                            "BDAY:1990-05-17\r\nEND:VCARD\r\n";

} // namespace

void TestExchangeCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_dir->filePath(u"dane"_s)));
    QVERIFY(QDir().mkpath(m_dir->filePath(u"runtime"_s)));
    QVERIFY(TextFile::writeAtomically(m_dir->filePath(u"a.vcf"_s), twoCards, nullptr));
}

TestExchangeCommands::Run TestExchangeCommands::morwinek(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir->filePath(u"runtime"_s));
    env.remove(u"DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s); // no window may be needed
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(MORWINEK_EXE), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        return {-1, {}, u"did not finish"_s};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray TestExchangeCommands::dataBytes() const
{
    QByteArray bytes;
    bool exists = false;
    return TextFile::readBytes(m_dir->filePath(u"dane/Morwinek.data"_s), &bytes, &exists, nullptr) && exists
               ? bytes
               : QByteArray("<none>");
}

void TestExchangeCommands::importTwice_secondSkipsDuplicates_thenExports()
{
    Run run = morwinek({u"--data-dir"_s, u"dane"_s, u"--import"_s, u"a.vcf"_s});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out.trimmed(), u"Wczytano: 2, dodano: 2, pominięto jako duplikaty: 0."_s);
    QCOMPARE(QDir(m_dir->filePath(u"dane/notes"_s)).entryList(QDir::Files), QStringList{u"10000.txt"_s});

    run = morwinek({u"--data-dir=dane"_s, u"--import=a.vcf"_s});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out.trimmed(), u"Wczytano: 2, dodano: 0, pominięto jako duplikaty: 2."_s);
    const QList<QByteArray> lines = TextFile::splitLines(dataBytes());
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("10001")); // "Ąbel" sorts before "Nowak"

    run = morwinek({u"--data-dir"_s,
                    u"dane"_s,
                    u"--export-csv"_s,
                    u"k.csv"_s,
                    u"--export-ics"_s,
                    u"k.ics"_s,
                    u"--export-vcard"_s,
                    u"k.vcf"_s});
    QCOMPARE(run.code, 0);
    QByteArray csv;
    QVERIFY(TextFile::readBytes(m_dir->filePath(u"k.csv"_s), &csv, nullptr, nullptr));
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"
                           "ID,Dep,DomKod,"));
    QVERIFY(csv.contains(u"\r\n10000,,,,,,,,,,Nowak Jan,,,,,,,,,,600 100 200,,,,,Zadzwonić po 17\r\n"_s.toUtf8()));
    QVERIFY(QFile::exists(m_dir->filePath(u"k.ics"_s)) && QFile::exists(m_dir->filePath(u"k.vcf"_s)));
}

void TestExchangeCommands::errors_exitNonZeroAndAddNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed file") << QStringList{u"--data-dir"_s, u"dane"_s, u"--import"_s, u"bad.csv"_s} << 1
                                    << u"Wiersz 3:"_s;
    QTest::newRow("file name missing") << QStringList{u"--data-dir"_s, u"dane"_s, u"--import"_s} << 2 << u"wymaga"_s;
    QTest::newRow("unknown option") << QStringList{u"--import"_s, u"a.vcf"_s, u"--cicho"_s} << 2 << u"--cicho"_s;
}

void TestExchangeCommands::errors_exitNonZeroAndAddNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    QVERIFY(morwinek({u"--data-dir"_s, u"dane"_s, u"--import"_s, u"a.vcf"_s}).code == 0);
    QVERIFY(TextFile::writeAtomically(m_dir->filePath(u"bad.csv"_s), "Nazwa,Email\r\nA,a@b\r\n\"B,b@c\r\n", nullptr));
    const QByteArray before = dataBytes();
    const Run run = morwinek(arguments);
    QCOMPARE(run.code, code);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(dataBytes(), before);
}

void TestExchangeCommands::import_refusedWhileOrganiserRunsOnTheFolder()
{
    // The organiser keeps its data beside its executable.
    const QString app = m_dir->filePath(u"app"_s);
    QVERIFY(QDir().mkpath(app));
    QVERIFY(QFile::copy(QStringLiteral(MORWINEK_EXE), app + u"/morwinek"_s));
    QProcess organiser;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir->filePath(u"runtime"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir->filePath(u"config"_s));
    organiser.setProcessEnvironment(env);
    organiser.start(app + u"/morwinek"_s, {});
    QVERIFY(organiser.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir->filePath(u"runtime/Morwinek.lock"_s)), 10000);
    QTest::qWait(500);
    QCOMPARE(organiser.state(), QProcess::Running);

    Run run = morwinek({u"--data-dir"_s, u"app"_s, u"--import"_s, u"a.vcf"_s});
    QCOMPARE(run.code, 3);
    QVERIFY2(run.err.contains(u"Zamknij go przed importem"_s), qPrintable(run.err));
    QVERIFY(!QFile::exists(app + u"/Morwinek.data"_s));
    // Exporting only reads, and another folder is free.
    QCOMPARE(morwinek({u"--data-dir"_s, u"app"_s, u"--export-csv"_s, u"x.csv"_s}).code, 0);
    QCOMPARE(morwinek({u"--data-dir"_s, u"dane"_s, u"--import"_s, u"a.vcf"_s}).code, 0);

    organiser.terminate();
    QVERIFY(organiser.waitForFinished(10000));
    run = morwinek({u"--data-dir"_s, u"app"_s, u"--import"_s, u"a.vcf"_s});
    QCOMPARE(run.code, 0);
    QVERIFY(QFile::exists(app + u"/Morwinek.data"_s));
}

QTEST_GUILESS_MAIN(TestExchangeCommands)
#include "tst_exchangecommands.moc"
