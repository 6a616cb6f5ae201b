#include "core/common/Autostart.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/XdgAutostartStore.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The start-at-login entry as a desktop file, and the one-copy-per-user lock.
class TestAutostart : public QObject
{
    Q_OBJECT
private slots:
    void modes_followTheEntryLifecycle();
    void existingEntry_notOverwrittenBySwitchOn();
    void hiddenEntry_countsAsAbsent();
    void execValue_roundTrips_data();
    void execValue_roundTrips();
    void execValue_parsesAsDesktopsDo();
    void dataFolderCopy_entryStartsItWithItsFolder();
    void lock_heldOncePerPath();
    void lock_releasedWhenHolderDies();

private:
    static void writeEntry(const QString &home, const QByteArray &text);
};

void TestAutostart::writeEntry(const QString &home, const QByteArray &text)
{
    QDir().mkpath(home + "/autostart");
    QFile f(home + "/autostart/Morwinek.desktop");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

void TestAutostart::modes_followTheEntryLifecycle()
{
    QTemporaryDir home;
    XdgAutostartStore store(home.path());
    const QString mine = "/opt/morwinek/morwinek";
    writeEntry(home.path(), "[Desktop Entry]\nType=Application\nExec=/old/place/morwinek\n");

    QVERIFY(!Autostart::apply(store, Autostart::QueryAndClean, mine)); // another path: removed
    QVERIFY(!QFile::exists(store.filePath()));
    QVERIFY(!Autostart::apply(store, Autostart::SwitchOn, mine));
    QVERIFY(QFile::exists(store.filePath()));
    QVERIFY(Autostart::apply(store, Autostart::QueryAndClean, mine));
    QVERIFY(QFile::exists(store.filePath()));
    QVERIFY(!Autostart::apply(store, Autostart::QueryAndClean, mine.toUpper())); // case counts
    QVERIFY(!QFile::exists(store.filePath()));
    QVERIFY(!Autostart::apply(store, Autostart::SwitchOn, mine));
    QVERIFY(!Autostart::apply(store, Autostart::SwitchOff, mine));
    QVERIFY(!QFile::exists(store.filePath()));
    QVERIFY(!Autostart::apply(store, 7, mine));
}

void TestAutostart::existingEntry_notOverwrittenBySwitchOn()
{
    QTemporaryDir home;
    XdgAutostartStore store(home.path());
    writeEntry(home.path(), "[Desktop Entry]\nExec=/elsewhere/morwinek\n");
    Autostart::apply(store, Autostart::SwitchOn, "/here/morwinek");
    QCOMPARE(store.read().value_or(QString()), QStringLiteral("/elsewhere/morwinek"));
}

void TestAutostart::hiddenEntry_countsAsAbsent()
{
    QTemporaryDir home;
    XdgAutostartStore store(home.path());
    writeEntry(home.path(), "[Desktop Entry]\nExec=/here/morwinek\nHidden=true\n");
    QVERIFY(!store.read());
    QVERIFY(!Autostart::apply(store, Autostart::QueryAndClean, "/here/morwinek"));
    Autostart::apply(store, Autostart::SwitchOn, "/here/morwinek"); // absent, so written anew
    QVERIFY(Autostart::apply(store, Autostart::QueryAndClean, "/here/morwinek"));
}

void TestAutostart::execValue_roundTrips_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "/usr/local/bin/morwinek";
    QTest::newRow("blank") << "/home/jan/Moje programy/morwinek";
    QTest::newRow("quote and dollar") << "/tmp/a\"b$c/morwinek";
    QTest::newRow("backslash") << "/tmp/back\\slash/morwinek";
    QTest::newRow("percent") << "/tmp/100%/morwinek";
    QTest::newRow("polish") << "/home/łukasz/żółw/morwinek";
    QTest::newRow("backtick, hash, parens") << "/tmp/`x`#(1)/morwinek";
}

void TestAutostart::execValue_roundTrips()
{
    QFETCH(QString, path);
    QTemporaryDir home;
    XdgAutostartStore store(home.path());
    QVERIFY(store.write(path));
    QCOMPARE(store.read().value_or(QString()), path);
}

void TestAutostart::execValue_parsesAsDesktopsDo()
{
    // What a desktop file reader sees after the string escapes and the Exec quoting rules.
    QCOMPARE(XdgAutostartStore::execValue("/a b/c"), QStringLiteral("\"/a b/c\""));
    QCOMPARE(XdgAutostartStore::execValue("/a\\b"), QStringLiteral("\"/a\\\\\\\\b\""));
    QCOMPARE(XdgAutostartStore::execValue("/p%/x"), QStringLiteral("/p%%/x"));
    QCOMPARE(XdgAutostartStore::programFromExec("/usr/bin/morwinek --flag"), QStringLiteral("/usr/bin/morwinek"));
    QVERIFY(!XdgAutostartStore::programFromExec("\"/unterminated"));
}

void TestAutostart::dataFolderCopy_entryStartsItWithItsFolder()
{
    QTemporaryDir home;
    const QString exe = "/usr/bin/morwinek";
    const QStringList mine{"--data-dir", "/home/jan/Moje dane/Morwinek"};
    XdgAutostartStore store(home.path(), mine);
    QVERIFY(!Autostart::apply(store, Autostart::SwitchOn, exe));
    QVERIFY(Autostart::apply(store, Autostart::QueryAndClean, exe));
    QFile f(store.filePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("\nExec=/usr/bin/morwinek --data-dir \"/home/jan/Moje dane/Morwinek\"\n"));

    // The same program started with another folder, or with none, is another copy: its entry goes.
    XdgAutostartStore other(home.path(), {"--data-dir", "/srv/inne"});
    QVERIFY(!Autostart::apply(other, Autostart::QueryAndClean, exe));
    QVERIFY(!QFile::exists(store.filePath()));
    XdgAutostartStore plain(home.path());
    QVERIFY(!Autostart::apply(plain, Autostart::SwitchOn, exe));
    QVERIFY(!Autostart::apply(store, Autostart::QueryAndClean, exe));
    QVERIFY(!QFile::exists(store.filePath()));
}

void TestAutostart::lock_heldOncePerPath()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Morwinek.lock");
    {
        InstanceLock first(path);
        QVERIFY(first.tryLock());
        InstanceLock second(path);
        QVERIFY(!second.tryLock());
    }
    InstanceLock again(path);
    QVERIFY(again.tryLock());
}

void TestAutostart::lock_releasedWhenHolderDies()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Morwinek.lock");
    // flock(1) holds the lock in a child process, which is then killed.
    QProcess holder;
    holder.start("flock", {"--no-fork", "-x", path, "sleep", "30"});
    if (!holder.waitForStarted()) {
        QSKIP("flock(1) is not installed");
    }
    InstanceLock mine(path);
    QTRY_VERIFY(!InstanceLock(path).tryLock());
    holder.kill();
    holder.waitForFinished();
    QVERIFY(mine.tryLock());
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
