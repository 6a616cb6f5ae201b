#include "core/common/CommandLine.h"
#include "core/common/DataFolder.h"

#include <QTemporaryDir>
#include <QtTest>

// The command line and the choice of the data folder.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void dataFolder_rule_data();
    void dataFolder_rule();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("dataDir");
    QTest::addColumn<QString>("exchange"); // kind (0 vCard, 1 CSV, 2 calendar, 3 import) and file, in order
    QTest::newRow("data dir, two words") << QStringList{"--data-dir", "/a b/c"} << int(CommandLine::Run) << "/a b/c"
                                         << QString();
    QTest::newRow("exchange kept in order")
        << QStringList{"--import=a b.vcf", "--data-dir", "/d", "--export-ics", "k.ics", "--import", "x.csv"}
        << int(CommandLine::Run) << "/d"
        << "3 a b.vcf|2 k.ics|3 x.csv";
    QTest::newRow("relative made absolute") << QStringList{"--data-dir", "d"} << int(CommandLine::Run)
                                            << QDir::current().absoluteFilePath("d") << QString();
    QTest::newRow("help after a data dir")
        << QStringList{"--data-dir", "/x", "--help"} << int(CommandLine::Help) << "/x" << QString();
    QTest::newRow("toolkit options left alone")
        << QStringList{"-platform", "offscreen"} << int(CommandLine::Run) << QString() << QString();
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << int(CommandLine::Invalid) << QString()
                                    << QString();
    QTest::newRow("data dir without value")
        << QStringList{"--data-dir"} << int(CommandLine::Invalid) << QString() << QString();
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(int, action);
    QFETCH(QString, dataDir);
    QFETCH(QString, exchange);
    const CommandLine c = CommandLine::parse(args);
    QStringList steps;
    for (const CommandLine::Exchange &step : c.exchange) {
        steps << QString::number(step.kind) + u' ' + step.file;
    }
    QCOMPARE(steps.join(u'|'), exchange);
    QCOMPARE(int(c.action), action);
    QCOMPARE(c.errorText.isEmpty(), action != CommandLine::Invalid);
    if (action != CommandLine::Invalid) {
        QCOMPARE(c.dataDir, dataDir);
    }
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
