#include "platform/linux/KeychainPasswordStore.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

// The keyring backend on a desktop without any keyring: it must say so at once, and never put the
// password anywhere else (a plain settings file is what a careless fallback would write).
class TestKeychainPasswordStore : public QObject
{
    Q_OBJECT
private slots:
    void noKeyring_unavailableAndWritesNoFile();
};

void TestKeychainPasswordStore::noKeyring_unavailableAndWritesNoFile()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath("no-bus").toUtf8());
    qunsetenv("DISPLAY");

    KeychainPasswordStore store(QStringLiteral("MorwinekTest"));
    QVERIFY(!store.available());
    QString error;
    QVERIFY(
        !store.write(QStringLiteral("https://dav.example/"), QStringLiteral("ala"), QStringLiteral("tajne"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(store.read(QStringLiteral("https://dav.example/"), QStringLiteral("ala")), std::nullopt);
    store.remove(QStringLiteral("https://dav.example/"), QStringLiteral("ala"));
    QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QVERIFY2(!files.hasNext(), qPrintable(files.hasNext() ? files.next() : QString()));
}

QTEST_GUILESS_MAIN(TestKeychainPasswordStore)
#include "tst_keychainpasswordstore.moc"
