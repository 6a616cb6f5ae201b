// The data folder's lock tells whether the organiser is alone on its folder, and keeps its own lock
// whatever the answer. Two locks of one process are two holders, as two processes are.
#include "platform/linux/DataFolderLock.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_DataFolderLock : public QObject
{
    Q_OBJECT

private slots:
    void aloneNow()
    {
        QTemporaryDir dir;
        DataFolderLock organiser(dir.path());
        QVERIFY(!organiser.aloneNow()); // no lock of its own yet
        QVERIFY(organiser.tryLockShared());
        QVERIFY(organiser.aloneNow());
        QVERIFY(organiser.aloneNow()); // asked again: still held, still alone
        {
            DataFolderLock import(dir.path());
            QCOMPARE(import.tryLockExclusive(), DataFolderLock::Holder::Organiser); // shared again, not dropped
        }
        {
            DataFolderLock second(dir.path());
            QVERIFY(second.tryLockShared());
            QVERIFY(!organiser.aloneNow());
            QVERIFY(!second.aloneNow());
            DataFolderLock import(dir.path());
            QCOMPARE(import.tryLockExclusive(), DataFolderLock::Holder::Organiser);
        }
        QVERIFY(organiser.aloneNow()); // the other one ended
        DataFolderLock import(dir.path());
        QCOMPARE(import.tryLockExclusive(), DataFolderLock::Holder::Organiser);
    }

    void commandHoldingAlone_isAlone()
    {
        QTemporaryDir dir;
        DataFolderLock command(dir.path());
        QCOMPARE(command.tryLockExclusive(), DataFolderLock::Holder::None);
        QVERIFY(command.aloneNow());
        DataFolderLock organiser(dir.path());
        QVERIFY(!organiser.tryLockShared());
    }
};

QTEST_GUILESS_MAIN(tst_DataFolderLock)
#include "tst_datafolderlock.moc"
