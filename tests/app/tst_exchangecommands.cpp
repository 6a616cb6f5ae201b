#include "support/ProgramBox.h"

#include "core/common/TextFile.h"

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
    QByteArray read(const QString &name) const;

    std::unique_ptr<ProgramBox> m_box;
};

namespace {

const QByteArray twoCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Jan;;;\r\nTEL;TYPE=CELL:600 100 200\r\n"
                            "NOTE:Zadzwonić po 17\r\nEND:VCARD\r\n"
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Ąbel;Ewa;;;\r\nEMAIL:ewa@example.pl\r\n"
                            "BDAY:1990-05-17\r\nEND:VCARD\r\n";

} // namespace

void TestExchangeCommands::init()
{
    m_box = std::make_unique<ProgramBox>();
    QVERIFY(QDir().mkpath(m_box->path(u"dane"_s)));
    QVERIFY(TextFile::writeAtomically(m_box->path(u"a.vcf"_s), twoCards, nullptr));
}

QByteArray TestExchangeCommands::read(const QString &name) const
{
    QByteArray bytes;
    bool exists = false;
    return TextFile::readBytes(m_box->path(name), &bytes, &exists, nullptr) && exists ? bytes : QByteArray("<none>");
}

void TestExchangeCommands::importTwice_secondSkipsDuplicates_thenExports()
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

void TestExchangeCommands::errors_exitNonZeroAndAddNothing_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("malformed file") << u"--data-dir dane --import bad.csv"_s << 1 << u"Wiersz 3:"_s;
    QTest::newRow("file name missing") << u"--data-dir dane --import"_s << 2 << u"wymaga"_s;
    QTest::newRow("unknown option") << u"--import a.vcf --cicho"_s << 2 << u"--cicho"_s;
}

void TestExchangeCommands::errors_exitNonZeroAndAddNothing()
{
    QFETCH(QString, arguments);
    QFETCH(int, code);
    QFETCH(QString, message);
    QCOMPARE(m_box->run(u"--data-dir dane --import a.vcf"_s), 0);
    QVERIFY(TextFile::writeAtomically(m_box->path(u"bad.csv"_s), "Nazwa,Email\r\nA,a@b\r\n\"B,b@c\r\n", nullptr));
    const QByteArray before = read(u"dane/Morwinek.data"_s);
    QCOMPARE(m_box->run(arguments), code);
    QVERIFY2(m_box->err.contains(message), qPrintable(m_box->err));
    QCOMPARE(read(u"dane/Morwinek.data"_s), before);
}

void TestExchangeCommands::import_refusedWhileOrganiserRunsOnTheFolder()
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

QTEST_GUILESS_MAIN(TestExchangeCommands)
#include "tst_exchangecommands.moc"
