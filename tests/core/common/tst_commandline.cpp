#include "core/alarms/Agenda.h"
#include "core/common/CommandLine.h"
#include "core/common/DataFolder.h"

#include <QTemporaryDir>
#include <QtTest>

// The option promises what the agenda prints.
static_assert(CommandLine::defaultAgendaDays == Agenda::defaultDays);
static_assert(CommandLine::maxAgendaDays == Agenda::maxDays);

// The command line and the choice of the data folder.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void agendaDays_data();
    void agendaDays();
    void parse();
    void exchange_keptInOrder();
    void dataFolder_rule_data();
    void dataFolder_rule();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("dataDir");
    QTest::newRow("data dir, two words") << QStringList{"--data-dir", "/a b/c"} << int(CommandLine::Run) << "/a b/c";
    QTest::newRow("relative made absolute")
        << QStringList{"--data-dir", "d"} << int(CommandLine::Run) << QDir::current().absoluteFilePath("d");
    QTest::newRow("help after a data dir")
        << QStringList{"--data-dir", "/x", "--help"} << int(CommandLine::Help) << "/x";
    QTest::newRow("toolkit options left alone")
        << QStringList{"-platform", "offscreen"} << int(CommandLine::Run) << QString();
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("data dir without value") << QStringList{"--data-dir"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("sync allowed to delete")
        << QStringList{"--sync", "--allow-deletions"} << int(CommandLine::Run) << QString();
    QTest::newRow("sync, sent back") << QStringList{"--sync", "--send-back"} << int(CommandLine::Run) << QString();
    QTest::newRow("sync, delete and send back: one answer only")
        << QStringList{"--sync", "--delete-here", "--send-back"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("send back without sync") << QStringList{"--send-back"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("allow deletions without sync")
        << QStringList{"--allow-deletions"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("allow copy without sync") << QStringList{"--allow-copy"} << int(CommandLine::Invalid) << QString();
    QTest::newRow("restore with sync") << QStringList{"--restore-deleted", "--sync"} << int(CommandLine::Invalid)
                                       << QString();
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, dataDir);
    const CommandLine c = CommandLine::parse(args);
    QCOMPARE(int(c.action), action);
    QCOMPARE(c.errorText.isEmpty(), action != CommandLine::Invalid);
    if (action != CommandLine::Invalid) {
        QCOMPARE(c.dataDir, dataDir);
    }
}

void TestCommandLine::agendaDays_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("days"); // 0: refused
    QTest::newRow("default week") << QStringList{"--agenda"} << 7;
    QTest::newRow("days after it") << QStringList{"--agenda", "14", "--data-dir", "/d"} << 14;
    QTest::newRow("next option is no number") << QStringList{"--agenda", "--data-dir", "/d"} << 7;
    QTest::newRow("no days") << QStringList{"--agenda", "0"} << 0;
    QTest::newRow("more than a year") << QStringList{"--agenda=367"} << 0;
    QTest::newRow("with a sync") << QStringList{"--agenda", "--sync"} << 0;
    QTest::newRow("a word for days") << QStringList{"--agenda", "abc"} << 0;
    QTest::newRow("negative days") << QStringList{"--agenda", "-5"} << 0;
    QTest::newRow("days with a letter") << QStringList{"--agenda", "7d"} << 0;
    QTest::newRow("toolkit option after it") << QStringList{"--agenda", "-platform", "offscreen"} << 7;
}

void TestCommandLine::agendaDays()
{
    QFETCH(QStringList, args);
    QFETCH(int, days);
    const CommandLine c = CommandLine::parse(args);
    QCOMPARE(int(c.action), int(days ? CommandLine::Run : CommandLine::Invalid));
    QCOMPARE(c.errorText.isEmpty(), days != 0);
    if (days) {
        QCOMPARE(c.agendaDays, days);
    }
}

void TestCommandLine::exchange_keptInOrder()
{
    const CommandLine c =
        CommandLine::parse({"--import=a b.vcf", "--data-dir", "/d", "--export-ics", "k.ics", "--import", "x.csv"});
    QCOMPARE(int(c.action), int(CommandLine::Run));
    QCOMPARE(c.dataDir, QStringLiteral("/d"));
    QCOMPARE(c.exchange.size(), 3);
    QCOMPARE(int(c.exchange[0].kind), int(CommandLine::Exchange::Import));
    QCOMPARE(c.exchange[0].file, QStringLiteral("a b.vcf"));
    QCOMPARE(int(c.exchange[1].kind), int(CommandLine::Exchange::ExportCalendar));
    QCOMPARE(c.exchange[2].file, QStringLiteral("x.csv"));
}

void TestCommandLine::dataFolder_rule_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("fileInExe"); // empty: none
    QTest::addColumn<bool>("exeWritable");
    QTest::addColumn<bool>("inExe");
    QTest::newRow("writable, empty") << QString() << QString() << true << true;
    QTest::newRow("read-only, no data") << QString() << QString() << false << false;
    QTest::newRow("read-only with settings") << QString() << "Morwinek.ini" << false << true;
    QTest::newRow("read-only, appointments only") << QString() << "Morwinek.term" << false << false;
    QTest::newRow("given wins") << "given"
                                << "Morwinek.ini" << true << false;
}

void TestCommandLine::dataFolder_rule()
{
    QFETCH(QString, given);
    QFETCH(QString, fileInExe);
    QFETCH(bool, exeWritable);
    QFETCH(bool, inExe);
    QTemporaryDir exe;
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    if (!fileInExe.isEmpty()) {
        QFile f(exe.filePath(fileInExe));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const auto writable = [exeWritable](const QString &) {
        return exeWritable;
    };
    const QString givenPath = given.isEmpty() ? QString() : home.filePath(given);
    // The writability check is the system's; a stand-in lets the rule be shown also to root.
    const QString chosen = DataFolder::choose(givenPath, exe.path(), writable);
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(chosen, !givenPath.isEmpty() ? givenPath : inExe ? exe.path() : home.filePath("Morwinek"));
    QVERIFY(!QFileInfo::exists(home.filePath("Morwinek"))); // choosing creates nothing
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
