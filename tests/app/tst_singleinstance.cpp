#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The built program, copied into a folder of its own: that folder is its data folder.
class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondCopy_showsFirstsContactsWindowAndEnds();

private:
    QProcessEnvironment environment(const QTemporaryDir &dir) const;
};

QProcessEnvironment TestSingleInstance::environment(const QTemporaryDir &dir) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    return env;
}

void TestSingleInstance::secondCopy_showsFirstsContactsWindowAndEnds()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("runtime")));
    QVERIFY(QDir().mkpath(dir.filePath("app")));
    const QString exe = dir.filePath("app/morwinek");
    QVERIFY(QFile::copy(QStringLiteral(MORWINEK_EXE), exe));

    QProcess first;
    first.setProcessEnvironment(environment(dir));
    first.start(exe, {});
    QVERIFY(first.waitForStarted());
    // The first copy holds the lock once it has started up.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("runtime/Morwinek.lock")), 10000);
    QTest::qWait(500);
    QCOMPARE(first.state(), QProcess::Running);
    const QStringList before = QDir(dir.filePath("app")).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);

    QVERIFY(!before.contains("notes"));
    QStringList withWindow = before + QStringList{"foto", "notes"};
    withWindow.sort();

    // A start from the desktop menu: the running copy opens its contacts window, which makes the
    // folders of notes and photos; the later copy itself writes nothing. Asked again while the
    // window is open, it only comes to the front.
    for (int start = 0; start < 2; ++start) {
        QProcess later;
        later.setProcessEnvironment(environment(dir));
        later.start(exe, {});
        QVERIFY(later.waitForFinished(10000));
        QCOMPARE(later.exitStatus(), QProcess::NormalExit);
        QCOMPARE(later.exitCode(), 0);
        QVERIFY(later.readAllStandardOutput().isEmpty());
        QVERIFY(later.readAllStandardError().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dir.filePath("app/notes")).isDir(), 5000);
        QCOMPARE(QDir(dir.filePath("app")).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), withWindow);
        QCOMPARE(first.state(), QProcess::Running);
    }

    // Ending the first copy the way a session does writes its settings.
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    QFile ini(dir.filePath("app/Morwinek.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray iniText = ini.readAll();
    QVERIFY2(iniText.contains("[Kontakty]\r\nOstatnia_Pozycja="),
             iniText.constData()); // 0 with the window open on no contacts

    // With the first gone, a new copy starts.
    QProcess third;
    third.setProcessEnvironment(environment(dir));
    third.start(exe, {});
    QVERIFY(third.waitForStarted());
    QTest::qWait(1000);
    QCOMPARE(third.state(), QProcess::Running);
    third.terminate();
    QVERIFY(third.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
