// Temporary copies a killed write left beside the files the organiser replaces whole: removed by the
// next sync, at once when nobody else works on the folder, and never a file that only looks alike.
#include "core/common/Clock.h"
#include "core/sync/SyncLeftovers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_SyncLeftovers : public QObject
{
    Q_OBJECT

private slots:
    void remove_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("old");   // an hour old, else just written
        QTest::addColumn<bool>("alone"); // the folder's lock says nobody else works on it
        QTest::addColumn<bool>("removed");
        QTest::newRow("sync state, just killed, alone") << u"Morwinek.sync.AbCdEf"_s << false << true << true;
        QTest::newRow("sync state, just written, shared") << u"Morwinek.sync.AbCdEf"_s << false << false << false;
        QTest::newRow("sync state, old, shared") << u"Morwinek.sync.AbCdEf"_s << true << false << true;
        QTest::newRow("times") << u"Morwinek.godziny.QwErTy"_s << false << true << true;
        QTest::newRow("appointment edits") << u"Morwinek.zmiany.QwErTy"_s << false << true << true;
        QTest::newRow("settings") << u"Morwinek.ini.zXcVbN"_s << false << true << true;
        QTest::newRow("conflict index") << u"konflikty/.konflikty.lst.AbCdEf"_s << false << true << true;
        QTest::newRow("photo") << u"foto/00012.jpg.AbCdEf"_s << false << true << true;
        QTest::newRow("day's copy") << u"kopie/qt_temp.AbCdEf"_s << false << true << true;
        QTest::newRow("day's copy of a note")
            << u"kopie/Morwinek-2026-12-08.notes/qt_temp.AbCdEf"_s << false << true << true;
        QTest::newRow("deleted item kept")
            << u"kopie/usuniete/2026-12-08_101010/Morwinek.data.AbCdEf"_s << false << true << true;
        QTest::newRow("deleted item's note")
            << u"kopie/usuniete/2026-12-08_101010/notes/00012.txt.AbCdEf"_s << false << true << true;
        QTest::newRow("a file of the user's") << u"Morwinek.data.kopia1"_s << true << true << false;
        QTest::newRow("another program's file") << u"Inny.data.AbCdEf"_s << true << true << false;
        QTest::newRow("a note that looks alike") << u"notes/uwagi.txt.bak"_s << true << true << false;
        QTest::newRow("six letters, not ours") << u"foto/wakacje.png.AbCdEf"_s << true << true << false;
    }
    void remove()
    {
        QFETCH(QString, name);
        QFETCH(bool, old);
        QFETCH(bool, alone);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(name);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1 && file.flush());
        if (old) {
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }
        file.close();
        QCOMPARE(SyncLeftovers::remove(dir.path(), SystemClock(), alone), removed ? 1 : 0);
        QCOMPARE(QFileInfo::exists(path), !removed);
    }
};

QTEST_GUILESS_MAIN(tst_SyncLeftovers)
#include "tst_syncleftovers.moc"
