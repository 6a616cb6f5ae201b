// morwinek --agenda as a panel or a script runs it.
#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestAgendaCommand : public QObject
{
    Q_OBJECT

private slots:
    void agenda_printsComingDaysAndWritesNothing()
    {
        QTemporaryDir dir;
        const QDate today = QDate::currentDate();
        const auto record = [](const QDate &day, const QString &description) {
            return Cp1250::encode(AppointmentRecord::encode({day.toString("dd.MM.yyyy"), {}, {}, description}));
        };
        const QByteArray soon = record(today.addDays(2), QStringLiteral("Spotkanie żeglarzy"));
        const auto write = [&dir](const char *name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write("Morwinek.term",
                      record(today.addDays(-1), "Wczoraj") + "\r\n" + soon + "\r\n"
                          + record(today.addDays(3), "Za daleko") + "\r\n"));
        QVERIFY(write("Morwinek.godziny", "T|18:00||-1|" + soon + "\r\n"));
        const auto files = [&dir] {
            return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        };
        const QStringList before = files();

        QProcess p;
        p.start(QStringLiteral(MORWINEK_EXE), {"--data-dir", dir.path(), "--agenda", "3"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(today.addDays(2).toString("dd.MM.yyyy")), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(0).endsWith(QStringLiteral(" 18:00 Spotkanie żeglarzy")), qPrintable(lines.at(0)));
        // Only read: no lock file, no copy, no settings.
        QCOMPARE(files(), before);
    }

    // A mistake is said on stderr with its exit code, never run as something else.
    void mistake_saidWithExitCode_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --data-dir <a folder with an appointment>
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("a word for days") << QStringList{"--agenda", "abc"} << 2 << "--agenda";
        QTest::newRow("negative days") << QStringList{"--agenda", "-3"} << 2 << "--agenda";
        QTest::newRow("no such data folder")
            << QStringList{"--data-dir", "nie-ma-takiego", "--agenda"} << 1 << "nie-ma-takiego nie istnieje";
    }
    void mistake_saidWithExitCode()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QFile term(dir.filePath("Morwinek.term"));
        QVERIFY(term.open(QIODevice::WriteOnly));
        term.write(Cp1250::encode(AppointmentRecord::encode(
                       {QDate::currentDate().toString("dd.MM.yyyy"), {}, {}, QStringLiteral("Dziś")}))
                   + "\r\n");
        term.close();
        QProcess p;
        p.setWorkingDirectory(dir.path()); // a relative folder is looked for here
        p.start(QStringLiteral(MORWINEK_EXE), QStringList{"--data-dir", dir.path()} + arguments);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(said), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestAgendaCommand)
#include "tst_agendacommand.moc"
