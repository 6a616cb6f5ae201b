#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The built program in a folder of its own, with an appointment due, so the start-up reminder
// holds it in a modal window before the main loop runs.
class TestEndSignal : public QObject
{
    Q_OBJECT
private slots:
    void signalDuringStartupReminder_endsAndWritesSettings_data();
    void signalDuringStartupReminder_endsAndWritesSettings();
};

void TestEndSignal::signalDuringStartupReminder_endsAndWritesSettings_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestEndSignal::signalDuringStartupReminder_endsAndWritesSettings()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("runtime")));
    QVERIFY(QDir().mkpath(dir.filePath("app")));
    const QString exe = dir.filePath("app/morwinek");
    QVERIFY(QFile::copy(QStringLiteral(MORWINEK_EXE), exe));
    QFile term(dir.filePath("app/Morwinek.term"));
    QVERIFY(term.open(QIODevice::WriteOnly));
    const QByteArray date = QDate::currentDate().addDays(30).toString("dd.MM.yyyy").toLatin1();
    term.write(date + QByteArray("Nowak").leftJustified(30, ' ') + QByteArray(150, ' ') + "\r\n");
    term.close();

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    program.setProcessEnvironment(env);
    program.start(exe, {});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("runtime/Morwinek.lock")), 10000);
    QTest::qWait(1500); // the reminder is up by now and waits for the user
    QCOMPARE(program.state(), QProcess::Running);
    QVERIFY(!QFile::exists(dir.filePath("app/Morwinek.ini")));

    ::kill(static_cast<pid_t>(program.processId()), signal);
    const bool ended = program.waitForFinished(10000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    QVERIFY2(ended, "the program kept running");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QFile ini(dir.filePath("app/Morwinek.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("[Terminy]\r\nZAKRES=3\r\nAUTOTERMINY=1\r\n"));
}

QTEST_GUILESS_MAIN(TestEndSignal)
#include "tst_endsignal.moc"
