// make clean removes build folders only: one holding any of an organiser's data files (an older
// make run kept them beside the executable) is refused and left as it is.
#include "core/common/DataFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestMakeClean : public QObject
{
    Q_OBJECT

private slots:
    void dataInBuildFolder_refused_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : DataFiles::names) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void dataInBuildFolder_refused()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString app = dir.filePath("build/src/app");
        QVERIFY(QDir().mkpath(app));
        QFile data(app + u'/' + name);
        QVERIFY(data.open(QIODevice::WriteOnly)); // a file, or a folder's name taken by one: either is there
        data.close();
        QVERIFY(QDir().mkpath(dir.filePath("build-check")));

        QProcess make;
        make.start(QStringLiteral("make"),
                   {"-s",
                    "-C",
                    QDir(QStringLiteral(TEST_DATA_DIR "/../..")).absolutePath(),
                    "clean",
                    "BUILD=" + dir.filePath("build"),
                    "CHECK_BUILD=" + dir.filePath("build-check"),
                    "FUZZ_BUILD=" + dir.filePath("build-fuzz")});
        QVERIFY(make.waitForFinished(60000));
        QVERIFY(make.exitCode() != 0);
        QVERIFY2(QString::fromLocal8Bit(make.readAllStandardError()).contains(name), "the refusal names the file");
        QVERIFY(QFile::exists(app + u'/' + name));
        QVERIFY(QDir(dir.filePath("build-check")).exists()); // nothing removed
    }
};

QTEST_GUILESS_MAIN(TestMakeClean)
#include "tst_makeclean.moc"
