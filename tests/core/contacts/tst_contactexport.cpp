#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactCsv.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/ICalendar.h"
#include "core/exchange/VCard.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Side files written plainly: thousands of atomic replacements would wait for the disk each time.
void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// A book of 3000 contacts whose export is some times longer than one write to the file: each with
// a birthday and a name day, every second with notes, every fifth with a photo; some
// appointments beside it.
void writeBook(const QString &dir)
{
    QList<QByteArray> lines;
    QVERIFY(QDir(dir).mkpath(u"notes"_s) && QDir(dir).mkpath(u"foto"_s));
    for (int i = 0; i < 3000; ++i) {
        Contact c;
        c.ID = QString::number(ContactList::firstIdentifier + i);
        c.Nazwa = u"Źdźbło %1 Józef"_s.arg(i);
        c.Email = u"jozef%1@example.pl"_s.arg(i);
        c.Urodziny = u"%1.03.19%2"_s.arg(1 + i % 28, 2, 10, QChar(u'0')).arg(50 + i % 40);
        c.Imieniny = u"19.03"_s;
        lines.append(c.toLine());
        if (i % 2 == 0) {
            put(QDir(dir).filePath(u"notes/%1.txt"_s.arg(c.ID)),
                Cp1250::encode(u"Notatka, ważna; %1\r\n"_s.arg(i)) + QByteArray(600, 'n') + "\r\n");
        }
        if (i % 5 == 0) {
            put(QDir(dir).filePath(u"foto/%1.jpg"_s.arg(c.ID)),
                QByteArray::fromHex("ffd8ffe0") + QByteArray(900, char(i)));
        }
    }
    QVERIFY(TextFile::writeLines(QDir(dir).filePath(QLatin1String(ContactFile::fileName)), lines, nullptr));
    QList<QByteArray> terms;
    for (int i = 0; i < 300; ++i) {
        terms.append(Cp1250::encode(AppointmentRecord::encode(
            {u"%1.12.2026"_s.arg(1 + i % 28), u"Osoba %1"_s.arg(i), u"Łódź"_s, u"Spotkanie"_s})));
    }
    QVERIFY(TextFile::writeLines(QDir(dir).filePath(u"Morwinek.term"_s), terms, nullptr));
}

} // namespace

class TestContactExport : public QObject
{
    Q_OBJECT
private slots:
    void export_writtenAsItGoes_sameAsWholeFile_data();
    void export_writtenAsItGoes_sameAsWholeFile();
};

void TestContactExport::export_writtenAsItGoes_sameAsWholeFile_data()
{
    QTest::addColumn<ContactExchange::Format>("format");
    QTest::newRow("vCard") << ContactExchange::Format::VCard;
    QTest::newRow("CSV") << ContactExchange::Format::Csv;
    QTest::newRow("iCalendar") << ContactExchange::Format::Calendar;
}

// The file an export writes piece by piece holds what the writers give for the whole book at once.
void TestContactExport::export_writtenAsItGoes_sameAsWholeFile()
{
    QFETCH(ContactExchange::Format, format);
    QTemporaryDir dir;
    writeBook(dir.path());
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    // Three appointments (with a valid date) have a time of day and an alarm.
    QList<QByteArray> termLines;
    QVERIFY(TextFile::readLines(dir.filePath(u"Morwinek.term"_s), &termLines, nullptr, nullptr));
    QVERIFY(termLines.size() > 13);
    const AppointmentTime timed{QTime(9, 15), QTime(10, 0), 15};
    QList<QByteArray> timeLines;
    for (int i = 10; i < 13; ++i) {
        timeLines.append("T|09:15|10:00|15|" + termLines[i]);
    }
    QVERIFY(TextFile::writeLines(dir.filePath(u"Morwinek.godziny"_s), timeLines, nullptr));
    const QString target = dir.filePath(u"eksport"_s);
    QString error;
    QVERIFY2(ContactExchange::exportTo(format, book, target, now, &error), qPrintable(error));
    QByteArray written;
    QVERIFY(TextFile::readBytes(target, &written, nullptr, nullptr));

    QByteArray whole;
    if (format == ContactExchange::Format::Calendar) {
        QList<QByteArray> lines;
        QVERIFY(TextFile::readLines(dir.filePath(u"Morwinek.term"_s), &lines, nullptr, nullptr));
        QList<Appointment> appointments;
        for (const QByteArray &line : lines) {
            appointments.append(AppointmentRecord::decode(Cp1250::decode(line)));
            appointments.last().time =
                appointments.size() > 10 && appointments.size() <= 13 ? timed : AppointmentTime();
        }
        QCOMPARE(written.count("BEGIN:VTIMEZONE\r\nTZID:Europe/Warsaw\r\n"), 1);
        QCOMPARE(written.count("BEGIN:VALARM\r\n"), 3);
        QCOMPARE(written.count("DTSTART;TZID=Europe/Warsaw:"), 3);
        QList<Contact> contacts;
        for (int i = 0; i < book.count(); ++i) {
            contacts.append(book.list().contact(i));
        }
        whole = ICalendar::write(appointments, contacts, now);
    } else {
        QList<ExchangeContact> contacts;
        QVERIFY(ContactExchange::gather(book, &contacts, &error));
        // The side files were found: notes for every second contact, a photo for every fifth.
        QVERIFY(contacts[0].notes.startsWith(u"Notatka, ważna; 0\n"_s) && contacts[1].notes.isEmpty());
        QCOMPARE(contacts[5].photo.size(), 904);
        QVERIFY(contacts[6].photo.isEmpty());
        QVERIFY(format == ContactExchange::Format::VCard ? VCard::write(contacts, &whole)
                                                         : ContactCsv::write(contacts, &whole));
    }
    QVERIFY(written.size() > 1024 * 1024);
    QCOMPARE(written.size(), whole.size());
    QVERIFY(written == whole);
}

QTEST_GUILESS_MAIN(TestContactExport)
#include "tst_contactexport.moc"
