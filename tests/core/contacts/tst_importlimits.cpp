#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/ContactImport.h"
#include "core/exchange/VCard.h"

#include <QTemporaryDir>
#include <QtTest>

#include <new>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &path)
{
    QByteArray bytes;
    return TextFile::readBytes(path, &bytes, nullptr, nullptr) ? bytes : QByteArray("<unreadable>");
}

// A CSV row of a person no book holds yet, and one of the book's own people.
QByteArray newRow(int i)
{
    return "Nowy " + QByteArray::number(i) + ",700" + QByteArray::number(100000 + i) + "\r\n";
}

QByteArray bookRow(int i)
{
    return "Osoba " + QByteArray::number(i) + ",600" + QByteArray::number(100000 + i) + "\r\n";
}

} // namespace

// Files an import cannot take: refused with the reason, without ending the program, and the book
// and its folder left as they were.
class TestImportLimits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void newContactsBeyondFreeIdentifiers_data();
    void newContactsBeyondFreeIdentifiers();
    void outOfMemoryWhileReading_isAnError_data();
    void outOfMemoryWhileReading_isAnError();
    void fileBeyondTheLimit_refusedUnread();
    void quotedPrintableWithoutColon_keepsItsMessage();

private:
    QTemporaryDir m_dir;
    QString m_bookDir;
    QByteArray m_bookBytes;
};

// A book with 5 identifiers free: "Osoba 0" to "Osoba 89994" with their mobile numbers.
void TestImportLimits::initTestCase()
{
    m_bookDir = m_dir.filePath(u"dane"_s);
    QVERIFY(QDir().mkpath(m_bookDir));
    QList<QByteArray> lines;
    for (int i = 0; i < 89995; ++i) {
        Contact c;
        c.ID = QString::number(ContactList::firstIdentifier + i);
        c.Nazwa = u"Osoba %1"_s.arg(i);
        c.TelKom = u"600%1"_s.arg(100000 + i);
        lines.append(c.toLine());
    }
    QVERIFY(TextFile::writeLines(QDir(m_bookDir).filePath(QLatin1String(ContactFile::fileName)), lines, nullptr));
    m_bookBytes = fileBytes(QDir(m_bookDir).filePath(QLatin1String(ContactFile::fileName)));
}

void TestImportLimits::newContactsBeyondFreeIdentifiers_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("added"); // -1: refused
    QByteArray fits;
    QByteArray tooMany;
    QByteArray duplicatesThenTooMany;
    for (int i = 0; i < 20; ++i) {
        fits += bookRow(i * 7);
        duplicatesThenTooMany += bookRow(i);
    }
    for (int i = 0; i < 5; ++i) {
        fits += newRow(i) + bookRow(1000 + i);
    }
    for (int i = 0; i < 6; ++i) {
        tooMany += newRow(i);
        duplicatesThenTooMany += newRow(i);
    }
    QTest::newRow("as many new as free, more duplicates") << fits << 5;
    QTest::newRow("one new too many") << tooMany << -1;
    QTest::newRow("duplicates, then one new too many") << duplicatesThenTooMany << -1;
}

void TestImportLimits::newContactsBeyondFreeIdentifiers()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, added);
    QTemporaryDir work;
    QVERIFY(QDir().mkpath(work.filePath(u"dane"_s)));
    const QString data = QDir(work.filePath(u"dane"_s)).filePath(QLatin1String(ContactFile::fileName));
    QVERIFY(TextFile::writeAtomically(data, m_bookBytes, nullptr));
    const QString source = work.filePath(u"plik.csv"_s);
    QVERIFY(TextFile::writeAtomically(source, "Nazwa,TelKom\r\n" + rows, nullptr));
    ContactFile book(work.filePath(u"dane"_s));
    QVERIFY(book.load(nullptr));

    ContactImport import;
    import.begin(book.list());
    QString error;
    const bool read = ContactExchange::readInto(source, &import, &error);
    ContactImport::Result result;
    if (added < 0) {
        QVERIFY(!read);
        QVERIFY2(error.contains(u"wolnych identyfikatorów (5)"_s), qPrintable(error));
    } else {
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(import.readCount(), rows.count('\n'));
        // More contacts than free identifiers: all of them cannot be added, the new ones can.
        QVERIFY(!import.apply(book, false, &result, &error));
        QCOMPARE(fileBytes(data), m_bookBytes);
        QVERIFY2(import.apply(book, true, &result, &error), qPrintable(error));
        QCOMPARE(result.added, added);
        QCOMPARE(result.skipped, rows.count('\n') - added);
        ContactFile again(book.dataDir());
        QVERIFY(again.load(nullptr));
        QCOMPARE(again.count(), 89995 + added);
        return;
    }
    QCOMPARE(fileBytes(data), m_bookBytes);
    QVERIFY(!QFileInfo::exists(work.filePath(u"dane/notes"_s)));
}

void TestImportLimits::outOfMemoryWhileReading_isAnError_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray csv = "Nazwa,TelKom\r\n";
    QByteArray vcard;
    for (int i = 0; i < 600; ++i) {
        csv += newRow(i);
        vcard += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nowy " + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
    }
    QTest::newRow("CSV") << u"plik.csv"_s << csv;
    QTest::newRow("vCard") << u"plik.vcf"_s << vcard;
}

// The progress callback runs inside the readers' loops, where an allocation could fail as well.
void TestImportLimits::outOfMemoryWhileReading_isAnError()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QTemporaryDir work;
    const QString source = work.filePath(name);
    QVERIFY(TextFile::writeAtomically(source, bytes, nullptr));
    ContactImport import;
    import.begin(ContactList());
    QString error;
    int calls = 0;
    const ExchangeProgress failing = [&calls](qsizetype, qsizetype) -> bool {
        ++calls;
        throw std::bad_alloc();
    };
    QVERIFY(!ContactExchange::readInto(source, &import, &error, failing));
    QCOMPARE(calls, 1);
    QVERIFY2(error.startsWith(u"Za mało pamięci"_s), qPrintable(error));

    QList<ExchangeContact> contacts;
    QVERIFY(!ContactExchange::readFile(source, &contacts, &error, failing));
    QVERIFY2(error.startsWith(u"Za mało pamięci"_s), qPrintable(error));
    QVERIFY(contacts.isEmpty());
}

// A sparse file claims more than could ever be imported: refused by its size, not read.
void TestImportLimits::fileBeyondTheLimit_refusedUnread()
{
    QTemporaryDir work;
    const QString source = work.filePath(u"ogromny.csv"_s);
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("Nazwa,TelKom\r\nNowy,1\r\n") > 0);
    QVERIFY(file.resize(ContactExchange::maxImportBytes + 1));
    file.close();
    ContactImport import;
    import.begin(ContactList());
    QString error;
    QVERIFY(!ContactExchange::readInto(source, &import, &error));
    QVERIFY2(error.contains(u"za duży do importu"_s), qPrintable(error));
    QCOMPARE(import.readCount(), 0);
}

// A version 2.1 value whose soft line breaks run to the end of the file, over a quarter of a
// megabyte, without a colon.
void TestImportLimits::quotedPrintableWithoutColon_keepsItsMessage()
{
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE=\r\n";
    for (int i = 0; i < 4096; ++i) {
        bytes += QByteArray(60, 'x') + "=\r\n";
    }
    bytes += "koniec\r\n";
    QList<ExchangeContact> contacts;
    ExchangeError error;
    QVERIFY(!VCard::read(bytes, &contacts, &error));
    QCOMPARE(error.line, 3);
    QCOMPARE(error.message, u"wiersz bez nazwy właściwości i dwukropka."_s);
}

QTEST_GUILESS_MAIN(TestImportLimits)
#include "tst_importlimits.moc"
