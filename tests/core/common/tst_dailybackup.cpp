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
    void copies_ofFirstWriteOfTheDayKeptForFourteenDays();
    void sideFolders_keepTheDaysContent();
    void failedCopy_reportedOnceAndWriteGoesOn_data();
    void failedCopy_reportedOnceAndWriteGoesOn();
};

void TestDailyBackup::copies_ofFirstWriteOfTheDayKeptForFourteenDays()
{
    QTemporaryDir dir;
    FakeClock clock;
    DailyBackup backup(clock, {});
    const QString data = dir.filePath(u"Morwinek.data"_s);
    const QString term = dir.filePath(u"Morwinek.term"_s);
    clock.setDate(QDate(2026, 1, 1));
    backup.beforeWrite(data);
    QVERIFY(TextFile::writeAtomically(data, "0", nullptr));
    QVERIFY(!QDir(dir.filePath(u"kopie"_s)).exists()); // nothing to copy before the first save
    for (int day = 1; day <= 20; ++day) {
        clock.setDate(QDate(2026, 1, day));
        int n = 0;
        for (const QString &file : {data, term, data}) { // the later write of the day copies nothing
            backup.beforeWrite(file);
            QVERIFY(TextFile::writeAtomically(file, ++n < 3 ? QByteArray::number(day) : "later", nullptr));
        }
    }
    const QStringList copies = QDir(dir.filePath(u"kopie"_s)).entryList(QDir::Files, QDir::Name);
    QCOMPARE(copies.size(), 2 * 14);
    QCOMPARE(copies.first(), u"Morwinek-2026-01-07.data"_s);
    QVERIFY(copies.contains(u"Morwinek-2026-01-07.term"_s));
    QVERIFY(!copies.contains(u"Morwinek-2026-01-06.term"_s));
    QByteArray term20, data20;
    QVERIFY(TextFile::readBytes(dir.filePath(u"kopie/Morwinek-2026-01-20.term"_s), &term20, nullptr, nullptr));
    QVERIFY(TextFile::readBytes(dir.filePath(u"kopie/Morwinek-2026-01-20.data"_s), &data20, nullptr, nullptr));
    QCOMPARE(term20, QByteArray("19"));
    QCOMPARE(data20, QByteArray("later"));
}

void TestDailyBackup::sideFolders_keepTheDaysContent()
{
    QTemporaryDir dir;
    FakeClock clock;
    DailyBackup backup(clock, {});
    const QString data = dir.filePath(u"Morwinek.data"_s);
    const QString notes = dir.filePath(u"notes/10001.txt"_s);
    QVERIFY(QDir(dir.path()).mkpath(u"notes"_s));
    QVERIFY(TextFile::writeAtomically(data, "d", nullptr));
    for (int day = 1; day <= 16; ++day) {
        clock.setDate(QDate(2026, 1, day));
        QVERIFY(TextFile::writeAtomically(notes, QByteArray::number(day), nullptr));
        backup.beforeWrite(data, ContactFile::sideFolders());
        // The day's later change of the notes never reaches the day's copy.
        QVERIFY(TextFile::writeAtomically(notes, "later", nullptr));
        backup.beforeWrite(data, ContactFile::sideFolders());
    }
    QByteArray copied;
    QVERIFY(TextFile::readBytes(dir.filePath(u"kopie/Morwinek-2026-01-16.notes/10001.txt"_s), &copied, nullptr, nullptr));
    QCOMPARE(copied, QByteArray("16"));
    const QStringList folders =
        QDir(dir.filePath(u"kopie"_s)).entryList({u"*.notes"_s}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QCOMPARE(folders.size(), 14);
    QCOMPARE(folders.first(), u"Morwinek-2026-01-03.notes"_s);
}

void TestDailyBackup::failedCopy_reportedOnceAndWriteGoesOn_data()
{
    QTest::addColumn<QString>("linkTarget"); // empty: a plain file named "kopie"
    QTest::addColumn<QString>("reason");     // "%1": the temporary folder
    QTest::newRow("file in the way") << QString() << u"pod tą ścieżką jest plik"_s;
    QTest::newRow("link to a file") << u"plik"_s << u"pod tą ścieżką jest plik"_s;
    QTest::newRow("dangling link") << u"usunięte kopie"_s
                                   << u"to dowiązanie symboliczne do „%1/usunięte kopie”, które nie istnieje"_s;
}

void TestDailyBackup::failedCopy_reportedOnceAndWriteGoesOn()
{
    QFETCH(QString, linkTarget);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    FakeClock clock;
    QStringList reports;
    DailyBackup backup(clock, [&reports](const QString &message) {
        reports.append(message);
    });
    // Something where the folder of copies should be.
    if (linkTarget.isEmpty()) {
        QVERIFY(TextFile::writeAtomically(dir.filePath(u"kopie"_s), "in the way", nullptr));
    } else {
        QVERIFY(TextFile::writeAtomically(dir.filePath(u"plik"_s), "in the way", nullptr));
        QVERIFY(QFile::link(dir.filePath(linkTarget), dir.filePath(u"kopie"_s)));
    }
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
    // In Polish, naming the folder that could not be made and why, as every other file error does.
    const QString folder = QDir::toNativeSeparators(QFileInfo(dir.filePath(u"kopie"_s)).absoluteFilePath());
    const QString expected = u"Nie można utworzyć folderu „"_s + folder + u"”: "_s
                             + reason.arg(QDir::toNativeSeparators(QFileInfo(dir.path()).absoluteFilePath())) + u'.';
    QVERIFY2(reports.first().contains(expected), qPrintable(reports.first()));
}

QTEST_GUILESS_MAIN(TestDailyBackup)
#include "tst_dailybackup.moc"
