#include "platform/linux/XdgShellOpener.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The desktop's opener as the program runs it: a stand-in xdg-open first on the PATH plays a
// desktop with and without a program for the address.
class TestXdgShellOpener : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_path = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", m_path); }

    void open_failureComesAfterTheAnswer_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<int>("exitCode"); // of xdg-open
        QTest::addColumn<QString>("given");
        QTest::newRow("mail program opens it")
            << QUrl("mailto:jan@example.pl?subject=Morwinek") << 0 << "mailto:jan@example.pl?subject=Morwinek";
        QTest::newRow("no mail program") << QUrl("mailto:jan@example.pl") << 3 << "mailto:jan@example.pl";
        QTest::newRow("no browser") << QUrl("https://example.pl/pomoc.html") << 4 << "https://example.pl/pomoc.html";
        QTest::newRow("a file by its path")
            << QUrl::fromLocalFile("/tmp/pomoc z odstępem/index.html") << 0 << "/tmp/pomoc z odstępem/index.html";
    }
    void open_failureComesAfterTheAnswer()
    {
        QFETCH(QUrl, url);
        QFETCH(int, exitCode);
        QFETCH(QString, given);
        QTemporaryDir dir;
        const QString script = dir.filePath("xdg-open");
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + dir.filePath("given").toUtf8() + "'\nexit "
                   + QByteArray::number(exitCode) + "\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("PATH", dir.path().toLocal8Bit() + ':' + m_path);

        XdgShellOpener opener;
        int failed = 0;
        QVERIFY(opener.open(url, [&failed] {
            ++failed;
        }));
        // The opener's end tells the outcome; the program keeps nothing of it afterwards.
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess *>().isEmpty());
        QCOMPARE(failed, exitCode == 0 ? 0 : 1);
        QFile out(dir.filePath("given"));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()), given);
    }

private:
    QByteArray m_path;
};

QTEST_MAIN(TestXdgShellOpener)
#include "tst_xdgshellopener.moc"
