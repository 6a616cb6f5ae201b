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
};

QTEST_GUILESS_MAIN(TestAgendaCommand)
#include "tst_agendacommand.moc"
