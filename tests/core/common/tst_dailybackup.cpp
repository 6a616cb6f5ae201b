#include "core/common/DailyBackup.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "platform/sim/FakeClock.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestDailyBackup : public QObject
{
    Q_OBJECT
private slots:
    void firstWriteOfEachDay_copiesTheOldFile();
    void copies_keptForFourteenDays();
    void failedCopy_reportedOnceAndWriteGoesOn();
};

void TestDailyBackup::firstWriteOfEachDay_copiesTheOldFile()
{
    QTemporaryDir dir;
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(23, 59)));
    DailyBackup backup(clock, {});
    ContactFile book(dir.path());
    book.setBackup(&backup);
    QVERIFY(book.load(nullptr));
    Contact c;
    c.ID = u"10000"_s;
    c.Nazwa = u"Pierwszy"_s;
    QVERIFY(book.add(c, nullptr)); // nothing to copy before the first save
    QVERIFY(!QDir(dir.filePath(u"kopie"_s)).exists());

    QByteArray morning;
    QVERIFY(TextFile::readBytes(book.path(), &morning, nullptr, nullptr));
    c.ID = u"10001"_s;
    QVERIFY(book.add(c, nullptr));
    QVERIFY(book.add(c, nullptr));
    QByteArray copy;
    QVERIFY(TextFile::readBytes(dir.filePath(u"kopie/Morwinek-2026-12-07.data"_s), &copy, nullptr, nullptr));
    QCOMPARE(copy, morning); // the later write of the day left the copy alone
}

void TestDailyBackup::copies_keptForFourteenDays()
{
    QTemporaryDir dir;
    FakeClock clock;
    DailyBackup backup(clock, {});
    const QString data = dir.filePath(u"Morwinek.data"_s);
    const QString term = dir.filePath(u"Morwinek.term"_s);
    for (int day = 1; day <= 20; ++day) {
        clock.setDate(QDate(2026, 1, day));
        backup.beforeWrite(data);
        QVERIFY(TextFile::writeAtomically(data, QByteArray::number(day), nullptr));
        backup.beforeWrite(term);
        QVERIFY(TextFile::writeAtomically(term, QByteArray::number(day), nullptr));
    }
    const QStringList copies = QDir(dir.filePath(u"kopie"_s)).entryList(QDir::Files, QDir::Name);
    QCOMPARE(copies.size(), 2 * 14);
    QCOMPARE(copies.first(), u"Morwinek-2026-01-07.data"_s); // copies of days 2 to 20, the first write had none
    QVERIFY(copies.contains(u"Morwinek-2026-01-07.term"_s));
    QVERIFY(!copies.contains(u"Morwinek-2026-01-06.term"_s));
    QByteArray last;
    QVERIFY(TextFile::readBytes(dir.filePath(u"kopie/Morwinek-2026-01-20.term"_s), &last, nullptr, nullptr));
    QCOMPARE(last, QByteArray("19"));
}

void TestDailyBackup::failedCopy_reportedOnceAndWriteGoesOn()
{
    QTemporaryDir dir;
    FakeClock clock;
    QStringList reports;
    DailyBackup backup(clock, [&reports](const QString &message) {
        reports.append(message);
    });
    // A file where the folder of copies should be.
    QVERIFY(TextFile::writeAtomically(dir.filePath(u"kopie"_s), "in the way", nullptr));
    ContactFile book(dir.path());
    book.setBackup(&backup);
    QVERIFY(book.load(nullptr));
    Contact c;
    c.ID = u"10000"_s;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(book.add(c, nullptr));
    }
    QCOMPARE(book.count(), 3);
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.first().contains(u"Morwinek.data"_s));
    // In Polish, naming the folder that could not be made, as every other file error does.
    const QString folder = QDir::toNativeSeparators(QFileInfo(dir.filePath(u"kopie"_s)).absoluteFilePath());
    QVERIFY2(reports.first().contains(u"Nie można utworzyć folderu „"_s + folder + u"”: pod tą ścieżką jest plik."_s),
             qPrintable(reports.first()));
}

QTEST_GUILESS_MAIN(TestDailyBackup)
#include "tst_dailybackup.moc"
