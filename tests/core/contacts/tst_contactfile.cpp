#include "support/ContactLines.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestContactFile : public QObject
{
    Q_OBJECT
private slots:
    void load_lines_data();
    void load_lines();
    void save_untouchedFileIsByteIdentical();
    void store_sortsAndWritesNotes();
    void store_emptyNotesRemoveFile();
    void add_thenRemove_takesSideFiles();
    void sideFiles_onlyForDigitIdentifiers_data();
    void sideFiles_onlyForDigitIdentifiers();
    void failedWrite_keepsFileAndList_data();
    void failedWrite_keepsFileAndList();
    void unreadableFile_isNeverReplaced();
    void saveOfOneContact_diesAtAnyStep_data();
    void saveOfOneContact_diesAtAnyStep();
};

void TestContactFile::load_lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("lastName");
    const QByteArray a = lineFor(u"10000"_qs, u"Adamski"_qs);
    const QByteArray b = lineFor(u"10001"_qs, u"Bąk"_qs);
    QTest::newRow("missing file") << QByteArray("<none>") << 0 << "";
    QTest::newRow("CR LF") << a + "\r\n" + b + "\r\n" << 2 << u"Bąk"_qs;
    QTest::newRow("LF only, no last end") << a + "\n" + b << 2 << u"Bąk"_qs;
    QTest::newRow("CR only") << a + "\r" + b + "\r" << 2 << u"Bąk"_qs;
    QTest::newRow("CR CR LF, no blank contacts") << a + "\r\r\n" + b + "\r\r\n" << 2 << u"Bąk"_qs;
    QTest::newRow("LF CR, no blank contacts") << a + "\n\r" + b + "\n\r" << 2 << u"Bąk"_qs;
    QByteArray damaged = b;
    damaged[10] = '\0'; // inside the blank department field
    QTest::newRow("NUL reads as a blank, later lines kept") << a + "\r\n" + damaged + "\r\n" + a + "\r\n" + b + "\r\n"
                                                            << 4 << u"Bąk"_qs;
    QTest::newRow("empty line is an empty contact") << a + "\r\n\r\n" << 2 << "";
    QTest::newRow("short line") << a + "\r\n" + b.left(345) + "\r\n" << 2 << u"Bąk"_qs;
}

void TestContactFile::load_lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, lastName);
    QTemporaryDir dir;
    ContactFile book(dir.path());
    if (bytes != "<none>") {
        writeAll(book.path(), bytes);
    }
    QString error;
    QVERIFY2(book.load(&error), qPrintable(error));
    QCOMPARE(book.count(), count);
    if (count > 0) {
        QCOMPARE(book.list().contact(count - 1).Nazwa, lastName);
    }
}

void TestContactFile::save_untouchedFileIsByteIdentical()
{
    // Reserved fields, bytes outside the code page's letters, a long and a short line survive.
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QByteArray odd = lineFor(u"10000"_qs, u"Łęcki"_qs);
    odd.replace(367, 5, "\x81\x83\x88\x90\x98"); // Parametry with the code page's undefined bytes
    odd.replace(578, 10, "rocznica!!");
    const QByteArray bytes = odd + "trailing past 690\r\n" + lineFor(u"10001"_qs, u"Nowak"_qs).left(400) + "\r\n\r\n";
    writeAll(book.path(), bytes);
    QString error;
    QVERIFY(book.load(&error));
    QVERIFY(book.save(&error));
    QCOMPARE(readAll(book.path()), bytes);
}

void TestContactFile::store_sortsAndWritesNotes()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"notes"_qs));
    ContactFile book(dir.path());
    QString error;
    QVERIFY(book.load(&error));
    for (const auto &[id, name] : {std::pair{"10000", "Bąk"}, {"10001", "Cichy"}, {"10002", "Zawada"}}) {
        Contact c;
        c.ID = QString::fromLatin1(id);
        c.Nazwa = QString::fromUtf8(name);
        QVERIFY(book.add(c, &error));
    }
    Contact renamed = book.list().contact(2);
    renamed.Nazwa = u"Adamski"_qs;
    int position = 2;
    QVERIFY(book.store(&position, renamed, u"pierwsza\nżółw\tdruga"_qs, &error));
    QCOMPARE(position, 0);
    QCOMPARE(book.list().names(), QStringList({"Adamski", u"Bąk"_qs, "Cichy"}));
    QCOMPARE(readAll(book.path()), TextFile::joinLines(book.list().lines()));
    QCOMPARE(readAll(book.notesPath(u"10002"_qs)), QByteArray("pierwsza\r\n\xBF\xF3\xB3w\tdruga\r\n"));
    QString notes;
    QVERIFY(book.readNotes(u"10002"_qs, &notes, &error));
    QCOMPARE(notes, u"pierwsza\nżółw\tdruga"_qs);
}

void TestContactFile::store_emptyNotesRemoveFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"notes"_qs));
    ContactFile book(dir.path());
    QString error;
    Contact c;
    c.ID = u"10000"_qs;
    c.Nazwa = u"A"_qs;
    QVERIFY(book.add(c, &error));
    int position = 0;
    QVERIFY(book.store(&position, c, u"x"_qs, &error));
    QVERIFY(QFile::exists(book.notesPath(c.ID)));
    QVERIFY(book.store(&position, c, QString(), &error));
    QVERIFY(!QFile::exists(book.notesPath(c.ID)));
}

void TestContactFile::add_thenRemove_takesSideFiles()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"notes"_qs);
    QDir(dir.path()).mkdir(u"foto"_qs);
    ContactFile book(dir.path());
    QString error;
    // A notes file left by an earlier holder of the identifier is not inherited.
    writeAll(book.notesPath(u"10000"_qs), "stale\r\n");
    Contact c;
    c.ID = u"10000"_qs;
    QVERIFY(book.add(c, &error));
    QVERIFY(!QFile::exists(book.notesPath(c.ID)));
    Contact d;
    d.ID = u"10001"_qs;
    QVERIFY(book.add(d, &error));
    writeAll(book.notesPath(c.ID), "n\r\n");
    writeAll(book.photoPath(c.ID), "jpeg");
    QVERIFY(book.remove(0, &error));
    QCOMPARE(book.count(), 1);
    QVERIFY(!QFile::exists(book.notesPath(c.ID)));
    QVERIFY(!QFile::exists(book.photoPath(c.ID)));
    QCOMPARE(readAll(book.path()), d.toLine() + "\r\n");
}

void TestContactFile::sideFiles_onlyForDigitIdentifiers_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("named");
    QTest::newRow("digits") << "10000" << true;
    QTest::newRow("digits with blanks") << " 123 " << true;
    QTest::newRow("parent folder") << "../.." << false;
    QTest::newRow("absolute") << "/etc" << false;
    QTest::newRow("letters") << "ab" << false;
    QTest::newRow("empty") << "" << false;
}

void TestContactFile::sideFiles_onlyForDigitIdentifiers()
{
    QFETCH(QString, id);
    QFETCH(bool, named);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"notes"_qs);
    ContactFile book(dir.path());
    QCOMPARE(!book.notesPath(id).isEmpty(), named);
    QCOMPARE(!book.photoPath(id).isEmpty(), named);
    if (named) {
        QCOMPARE(book.notesPath(id), dir.filePath(u"notes/"_qs + id.trimmed() + u".txt"_qs));
        QCOMPARE(book.photoPath(id), dir.filePath(u"foto/"_qs + id.trimmed() + u".jpg"_qs));
        return;
    }
    // A crafted identifier neither writes nor removes anything.
    writeAll(dir.filePath(u"victim.txt"_qs), "keep");
    QString error;
    QVERIFY(book.writeNotes(id, u"text"_qs, &error));
    QCOMPARE(QDir(dir.filePath(u"notes"_qs)).entryList(QDir::Files), QStringList());
    QCOMPARE(readAll(dir.filePath(u"victim.txt"_qs)), QByteArray("keep"));
}

void TestContactFile::failedWrite_keepsFileAndList_data()
{
    QTest::addColumn<bool>("readOnlyFolder"); // else a folder stands where the data file should be
    QTest::newRow("read-only folder") << true;
    QTest::newRow("folder in the file's place") << false;
}

void TestContactFile::failedWrite_keepsFileAndList()
{
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && ::geteuid() == 0) {
        QSKIP("root writes into read-only folders; the other row fails even for root");
    }
    QTemporaryDir dir;
    ContactFile book(dir.path());
    const QByteArray bytes = lineFor(u"10000"_qs, u"Zawada"_qs) + "\r\n" + lineFor(u"10001"_qs, u"Bąk"_qs) + "\r\n";
    writeAll(book.path(), bytes);
    QString error;
    QVERIFY(book.load(&error));
    QVERIFY(QDir(dir.path()).mkdir(QLatin1String(ContactFile::notesFolder)));
    QVERIFY(book.writeNotes(u"10000"_qs, u"stare"_qs, &error));
    if (readOnlyFolder) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    } else {
        QVERIFY(QFile::remove(book.path()));
        QVERIFY(QDir(dir.path()).mkdir(QLatin1String(ContactFile::fileName)));
    }
    Contact c;
    c.ID = u"10002"_qs;
    QVERIFY(!book.add(c, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(book.count(), 2);
    int position = 0;
    Contact renamed = book.list().contact(0);
    renamed.Nazwa = u"Adamski"_qs;
    error.clear();
    QVERIFY(!book.store(&position, renamed, u"nowe"_qs, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(position, 0);
    QCOMPARE(book.list().contact(0).Nazwa, u"Zawada"_qs);
    QCOMPARE(readAll(book.notesPath(u"10000"_qs)), QByteArray("stare\r\n")); // notes unchanged with their contact
    QVERIFY(!book.remove(1, &error));
    QCOMPARE(book.count(), 2);
    if (readOnlyFolder) {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readAll(book.path()), bytes);
    } else {
        ContactFile other(dir.path());
        QVERIFY(!other.load(&error)); // the blocked path reads as an error, not as an empty book
        QVERIFY(!error.isEmpty());
    }
}

void TestContactFile::unreadableFile_isNeverReplaced()
{
    if (::geteuid() == 0) {
        QSKIP("root reads unreadable files");
    }
    QTemporaryDir dir;
    ContactFile book(dir.path());
    const QByteArray bytes = lineFor(u"10000"_qs, u"Zawada"_qs) + "\r\n";
    writeAll(book.path(), bytes);
    QFile::setPermissions(book.path(), QFile::WriteOwner);
    QString error;
    QVERIFY(!book.load(&error));
    QVERIFY(!error.isEmpty());
    Contact c;
    c.ID = u"10000"_qs;
    QVERIFY(!book.add(c, &error));
    QFile::setPermissions(book.path(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readAll(book.path()), bytes);
}

void TestContactFile::saveOfOneContact_diesAtAnyStep_data()
{
    QTest::addColumn<bool>("isNew"); // a new contact on an identifier with leftovers, else a changed one
    QTest::addColumn<QString>("notes");
    QTest::newRow("new contact over leftovers") << true << QString();
    QTest::newRow("changed with new notes") << false << u"nowe"_qs;
    QTest::newRow("changed with notes emptied") << false << QString();
}

void TestContactFile::saveOfOneContact_diesAtAnyStep()
{
    QFETCH(bool, isNew);
    QFETCH(QString, notes);
    bool completed = false;
    for (int stopAt = 0; !completed; ++stopAt) {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"notes"_qs));
        QVERIFY(QDir(dir.path()).mkdir(u"foto"_qs));
        writeAll(dir.filePath(u"Morwinek.data"_qs), lineFor(u"10000"_qs, u"Zawada"_qs) + "\r\n");
        writeAll(dir.filePath(u"notes/10000.txt"_qs), "stare\r\n");
        writeAll(dir.filePath(u"notes/10001.txt"_qs), "obce\r\n");
        writeAll(dir.filePath(u"foto/10001.jpg"_qs), "obce");
        ContactFile book(dir.path());
        QString error;
        QVERIFY(book.load(&error));
        int step = 0;
        bool died = false;
        book.setWriteGate([&](const QString &) {
            died = died || step++ == stopAt;
            return !died;
        });
        int position = 0;
        const Contact changed = Contact::fromLine(lineFor(isNew ? u"10001"_qs : u"10000"_qs, u"Adamski"_qs));
        const bool saved = isNew ? book.add(changed, &error) : book.store(&position, changed, notes, &error);
        QCOMPARE(saved, !died);
        completed = !died;

        ContactFile after(dir.path());
        QVERIFY(after.load(&error));
        const QString when = u"died at step %1"_qs.arg(stopAt);
        QString shownNotes;
        QVERIFY(after.readNotes(changed.ID, &shownNotes, &error));
        const bool held = after.list().names().contains(u"Adamski"_qs);
        QVERIFY2(held || died, qPrintable(when));
        if (isNew) {
            QVERIFY2(!held || (shownNotes.isEmpty() && !QFile::exists(after.photoPath(changed.ID))), qPrintable(when));
        } else {
            QVERIFY2(!held || shownNotes == notes, qPrintable(when + u": notes \""_qs + shownNotes + u'"'));
            QVERIFY2(shownNotes == notes || shownNotes == u"stare"_qs, qPrintable(when));
        }
    }
}

QTEST_GUILESS_MAIN(TestContactFile)
#include "tst_contactfile.moc"
