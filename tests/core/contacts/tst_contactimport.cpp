#include "support/ContactLines.h"
#include "support/ManyScans.h"
#include "support/Pictures.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactCsv.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/ContactImport.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

ExchangeContact
person(const QString &name, const QString &phone = {}, const QString &email = {}, const QString &home = {})
{
    ExchangeContact item;
    item.contact.Nazwa = name;
    item.contact.TelKom = phone;
    item.contact.TelDom = home;
    item.contact.Email = email;
    return item;
}

QList<Contact> withoutIds(const ContactList &list)
{
    QList<Contact> contacts;
    for (int i = 0; i < list.count(); ++i) {
        contacts.append(list.contact(i));
        contacts.last().ID.clear();
    }
    return contacts;
}

QByteArray fileBytes(const QString &path)
{
    QByteArray bytes;
    return TextFile::readBytes(path, &bytes, nullptr, nullptr) ? bytes : QByteArray("<unreadable>");
}

struct SideFiles
{
    QString notes;
    QByteArray photo; // empty: no photo file
};

// Every contact of the data file on disk has exactly the notes and photo it should have by its name.
void verifySideFiles(const QString &dataDir, const QHash<QString, SideFiles> &expected, const QString &when)
{
    ContactFile book(dataDir);
    QVERIFY(book.load(nullptr));
    for (int i = 0; i < book.count(); ++i) {
        const Contact c = book.list().contact(i);
        const QString where = when + u": "_s + c.Nazwa;
        QVERIFY2(expected.contains(c.Nazwa), qPrintable(where));
        QString notes;
        QVERIFY2(book.readNotes(c.ID, &notes, nullptr), qPrintable(where));
        QVERIFY2(notes == expected[c.Nazwa].notes, qPrintable(where + u" has notes \""_s + notes + u'"'));
        const QByteArray photo = QFile::exists(book.photoPath(c.ID)) ? fileBytes(book.photoPath(c.ID)) : QByteArray();
        QVERIFY2(photo == expected[c.Nazwa].photo, qPrintable(where + u" has photo \""_s + QString::fromLatin1(photo)));
    }
}

} // namespace

class TestContactImport : public QObject
{
    Q_OBJECT
private slots:
    void fold_data();
    void fold();
    void duplicates_data();
    void duplicates();
    void apply_onlyNew_addsSortedWithSideFiles();
    void apply_identifiersAsAddingOneByOne_data();
    void apply_identifiersAsAddingOneByOne();
    void apply_tooFewIdentifiers_changesNothing();
    void apply_photoNotWritten_reportedOnceInPolish();
    void apply_photoCheckedAsAChosenOne();
    void exportThenImport_givesTheSameContacts();
    void apply_diesAtAnyStep_everyContactKeepsItsOwnSideFiles();
    void apply_dataFileNotWritten_theSameImportAppliesAgain();
    void csvRowsInStoredForm_sameAsTheLongWay_data();
    void csvRowsInStoredForm_sameAsTheLongWay();
    void applyToFile_writesWhatApplyWrites_thenTheBookMustBeLoaded();
    void applyToFile_dataFileNotWritten_changesNothing();
    void packedContact_makesTheRecordsLine();
};

void TestContactImport::fold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("Polish letters stay") << u"Źdźbło Łukasz"_s << u"Źdźbło Łukasz"_s << false;
    QTest::newRow("Hungarian ő is in the code page") << u"Erdős"_s << u"Erdős"_s << false;
    QTest::newRow("Spanish ñ, Turkish ğ") << u"Muñoz Ağa"_s << u"Munoz Aga"_s << true;
    QTest::newRow("Danish ø has no decomposition") << u"Søren Ærø"_s << u"Soren ?ro"_s << true;
    QTest::newRow("one ? for an emoji") << u"Ala 🙂 ma"_s << u"Ala ? ma"_s << true;
}

void TestContactImport::fold()
{
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(bool, replaced);
    QCOMPARE(ContactImport::foldToCp1250(&text), replaced);
    QCOMPARE(text, stored);
}

void TestContactImport::duplicates_data()
{
    QTest::addColumn<ExchangeContact>("incoming");
    QTest::addColumn<bool>("duplicate");
    QTest::addColumn<int>("twiceInFile"); // duplicates when the file holds the contact twice
    // The book holds "Kowalski Jan", mobile 600 100 200, jan@example.pl.
    QTest::newRow("same name, phone written otherwise") << person(u"kowalski jan"_s, u"+48 600-100-200"_s) << true << 2;
    QTest::newRow("same name, e-mail in capitals") << person(u"Kowalski Jan"_s, {}, u"JAN@Example.pl"_s) << true << 2;
    QTest::newRow("same name, other phone") << person(u"Kowalski Jan"_s, u"600 100 201"_s) << false << 1;
    QTest::newRow("same name, no phone or e-mail") << person(u"Kowalski Jan"_s) << false << 1;
    QTest::newRow("other name, same phone") << person(u"Kowalska Jana"_s, u"600100200"_s) << false << 1;
    QTest::newRow("other name, one number as home and mobile")
        << person(u"Nowak Anna"_s, u"600 200 300"_s, {}, u"600-200-300"_s) << false << 1;
}

void TestContactImport::duplicates()
{
    QFETCH(ExchangeContact, incoming);
    QFETCH(bool, duplicate);
    QFETCH(int, twiceInFile);
    Contact existing;
    existing.ID = u"10000"_s;
    existing.Nazwa = u"Kowalski Jan"_s;
    existing.TelKom = u"600 100 200"_s;
    existing.Email = u"jan@example.pl"_s;
    ContactList book;
    book.append(existing.toLine());

    ContactImport import;
    // The same contact twice in one file: the second is a duplicate of the first.
    import.prepare(book, {incoming, incoming});
    QCOMPARE(import.duplicates().at(0), duplicate);
    QCOMPARE(import.duplicateCount(), twiceInFile);
}

void TestContactImport::apply_onlyNew_addsSortedWithSideFiles()
{
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    QVERIFY(book.add(
        [] {
            Contact c;
            c.ID = u"10004"_s;
            c.Nazwa = u"Marek Adam"_s;
            c.TelDom = u"22 100"_s;
            return c;
        }(),
        nullptr));
    QVERIFY(book.add(Contact::fromLine(lineFor(u"10005"_s, u"Cebula Olga"_s)), nullptr));
    // A photo left behind by a deleted contact must not pass to a new one.
    QVERIFY(QDir(dir.path()).mkpath(u"foto"_s));
    QVERIFY(TextFile::writeAtomically(book.photoPath(u"10007"_s), "stale", nullptr));

    ExchangeContact withSides = person(u"Łoś Ewa Z Bardzo Długim Drugim Imieniem"_s, u"601"_s);
    withSides.contact.DomUlica = u"ul. Nowa 1\nm. 2"_s;
    withSides.notes = u"raz\r\ndwa\r\n"_s;
    withSides.photo = pictureOf("jpg", 40, 30);
    ExchangeContact duplicate = person(u"Marek Adam"_s);
    duplicate.contact.TelSlu = u"22-100"_s;
    ExchangeContact accented = person(u"Ćma Bøb"_s);
    // A phone's group card is no contact: left out, counted apart from the duplicates.
    ExchangeContact group = person(u"Rodzina"_s);
    group.group = true;

    ContactImport import;
    import.prepare(book.list(), {withSides, group, duplicate, accented});
    QCOMPARE(import.readCount(), 3);
    QCOMPARE(import.duplicateCount(), 1);
    QCOMPARE(import.groupCount(), 1);
    ContactImport::Result result;
    QString error;
    QVERIFY2(import.apply(book, true, &result, &error), qPrintable(error));
    QCOMPARE(result.read, 3);
    QCOMPARE(result.added, 2);
    QCOMPARE(result.skipped, 1);
    QCOMPARE(result.groups, 1);
    QCOMPARE(result.folded, 1);
    QVERIFY(result.sideFileErrors.isEmpty());

    // Polish order, new identifiers going on from the last line's, all in the file.
    QCOMPARE(book.list().names(),
             QStringList({u"Cebula Olga"_s, u"Ćma Bob"_s, u"Łoś Ewa Z Bardzo Długim Drugim"_s, u"Marek Adam"_s}));
    QCOMPARE(book.list().contact(1).ID, u"10007"_s);
    QCOMPARE(book.list().contact(2).ID, u"10006"_s);
    QCOMPARE(book.list().contact(2).DomUlica, u"ul. Nowa 1 m. 2"_s);
    QCOMPARE(fileBytes(book.path()), TextFile::joinLines(book.list().lines()));
    QString notes;
    QVERIFY(book.readNotes(u"10006"_s, &notes, nullptr));
    QCOMPARE(notes, u"raz\ndwa"_s);
    QCOMPARE(fileBytes(book.photoPath(u"10006"_s)), withSides.photo);
    QVERIFY(!QFile::exists(book.photoPath(u"10007"_s)));
}

void TestContactImport::apply_identifiersAsAddingOneByOne_data()
{
    QTest::addColumn<QStringList>("ids"); // identifiers of the book's lines, in list order
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("on from a short last identifier") << QStringList{u"1234"_s} << QStringList{u"1235"_s, u"1236"_s};
    QTest::newRow("over one in use") << QStringList{u"10005"_s, u"10004"_s} << QStringList{u"10006"_s, u"10007"_s};
    QTest::newRow("past 99999 from the lowest free")
        << QStringList{u"10000"_s, u"99999"_s} << QStringList{u"10001"_s, u"10002"_s};
}

void TestContactImport::apply_identifiersAsAddingOneByOne()
{
    QFETCH(QStringList, ids);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QList<QByteArray> lines;
    for (const QString &id : ids) {
        lines.append(lineFor(id, u"Stary "_s + id));
    }
    QVERIFY(TextFile::writeLines(book.path(), lines, nullptr));
    QVERIFY(book.load(nullptr));
    ContactImport import;
    import.prepare(book.list(), {person(u"Nowy Adam"_s), person(u"Nowy Bogdan"_s)});
    QVERIFY(import.apply(book, false, nullptr, nullptr));
    QStringList given;
    for (int i = 0; i < book.count(); ++i) {
        if (book.list().contact(i).Nazwa.startsWith(u"Nowy"_s)) {
            given.append(book.list().contact(i).ID);
        }
    }
    QCOMPARE(given, expected);
}

void TestContactImport::apply_tooFewIdentifiers_changesNothing()
{
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QList<QByteArray> lines;
    for (int id = ContactList::firstIdentifier; id < ContactList::lastIdentifier; ++id) {
        lines.append(lineFor(QString::number(id), u"Osoba %1"_s.arg(id)));
    }
    QVERIFY(TextFile::writeLines(book.path(), lines, nullptr));
    QVERIFY(book.load(nullptr));
    const QByteArray before = fileBytes(book.path());

    ContactImport import;
    import.prepare(book.list(), {person(u"Nowy Jeden"_s), person(u"Nowy Dwa"_s)});
    ContactImport::Result result;
    QString error;
    QVERIFY(!import.apply(book, false, &result, &error));
    QCOMPARE(book.count(), lines.size());
    QCOMPARE(fileBytes(book.path()), before);
}

void TestContactImport::apply_photoNotWritten_reportedOnceInPolish()
{
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    // A file where the photo folder should be: the contact is added, its photo cannot be.
    QVERIFY(TextFile::writeAtomically(dir.filePath(u"foto"_s), "not a folder", nullptr));
    ExchangeContact item = person(u"Nowak Jan"_s);
    item.photo = pictureOf("jpg", 40, 30);
    ContactImport import;
    import.prepare(book.list(), {item});
    ContactImport::Result result;
    QVERIFY(import.apply(book, false, &result, nullptr));
    QCOMPARE(book.count(), 1);
    QCOMPARE(result.sideFileErrors.size(), 1);
    const QString shown =
        QDir::toNativeSeparators(QFileInfo(book.photoPath(book.list().contact(0).ID)).absoluteFilePath());
    QVERIFY2(result.sideFileErrors.first().startsWith(u"Nie można zapisać pliku „"_s + shown + u"”"_s),
             qPrintable(result.sideFileErrors.first()));
    QCOMPARE(result.sideFileErrors.first().count(shown), 1);
}

void TestContactImport::apply_photoCheckedAsAChosenOne()
{
    // Cards from a file: every photo but the first is left out, counted, and its contact still added.
    const QByteArray photos[] = {pictureOf("jpg", 200, 150),
                                 QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(3000, '\x5a'),
                                 progressiveJpegWithScans(694),
                                 pictureOf("png", 20, 20)};
    QTemporaryDir dir;
    QFile cards(dir.filePath(u"karty.vcf"_s));
    QVERIFY(cards.open(QIODevice::WriteOnly));
    for (const QByteArray &photo : photos) {
        cards.write("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Osoba " + QByteArray::number(cards.pos())
                    + "\r\nPHOTO:data:image/jpeg;base64," + photo.toBase64() + "\r\nEND:VCARD\r\n");
    }
    cards.close();
    QList<ExchangeContact> read;
    QString error;
    QVERIFY2(ContactExchange::readFile(cards.fileName(), &read, &error), qPrintable(error));
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    ContactImport import;
    import.prepare(book.list(), read);
    ContactImport::Result result;
    QVERIFY2(import.apply(book, true, &result, &error), qPrintable(error));
    QCOMPARE(result.added, 4);
    QCOMPARE(result.photosRefused, 3);
    QCOMPARE(fileBytes(book.photoPath(book.list().contact(0).ID)), photos[0]);
    QCOMPARE(QDir(dir.filePath(u"foto"_s)).entryList(QDir::Files).size(), 1);
}

void TestContactImport::exportThenImport_givesTheSameContacts()
{
    QTemporaryDir from;
    ContactFile source(from.path());
    QVERIFY(source.load(nullptr));
    QVERIFY(QDir(from.path()).mkpath(u"notes"_s));
    Contact a;
    a.ID = u"10000"_s;
    a.Nazwa = u"Żebrowska Maria"_s;
    a.Email = u"maria@example.pl"_s;
    a.TelSlu = u"22 555"_s;
    a.TelWew = u"12"_s;
    a.Urodziny = u"29.02.1988"_s;
    a.Imieniny = u"15.08"_s;
    a.PracaUlica = u"Plac Wolności 1, I piętro"_s;
    QVERIFY(source.add(a, nullptr));
    QVERIFY(source.add(Contact::fromLine(lineFor(u"10001"_s, u"Adamczyk Ołeh"_s)), nullptr));
    int position = 0;
    QVERIFY(source.store(&position, a, u"notatka; \"ważna\""_s, nullptr));
    QCOMPARE(position, 1);
    QVERIFY(QDir(from.path()).mkpath(u"foto"_s));
    const QByteArray photo = pictureOf("jpg", 200, 150);
    QVERIFY(TextFile::writeAtomically(source.photoPath(a.ID), photo, nullptr));

    for (const auto &[format, name] :
         {std::pair{ContactExchange::Format::VCard, u"a.vcf"_s}, std::pair{ContactExchange::Format::Csv, u"a.csv"_s}}) {
        const QString file = from.filePath(name);
        QString error;
        QVERIFY2(ContactExchange::exportTo(format, source, file, QDateTime::currentDateTime(), &error),
                 qPrintable(error));
        QList<ExchangeContact> read;
        QVERIFY2(ContactExchange::readFile(file, &read, &error), qPrintable(error));

        QTemporaryDir to;
        ContactFile target(to.path());
        QVERIFY(target.load(nullptr));
        ContactImport import;
        import.prepare(target.list(), read);
        QVERIFY(import.apply(target, false, nullptr, &error));
        QCOMPARE(withoutIds(target.list()), withoutIds(source.list()));
        const QString id = target.list().contact(1).ID;
        QString notes;
        QVERIFY(target.readNotes(id, &notes, nullptr));
        QCOMPARE(notes, u"notatka; \"ważna\""_s);
        if (format == ContactExchange::Format::VCard) {
            QCOMPARE(fileBytes(target.photoPath(id)), photo);
        }
    }
}

void TestContactImport::apply_diesAtAnyStep_everyContactKeepsItsOwnSideFiles()
{
    // Real pictures, as an imported photo is decoded before it is kept; told apart by their sizes.
    const QByteArray strangers = pictureOf("JPEG", 9, 9);
    QHash<QString, SideFiles> expected{
        {u"Stary Jan"_s, {u"jego"_s, pictureOf("JPEG", 10, 10)}},
        {u"Adamska Ewa"_s, {u"raz\ndwa"_s, pictureOf("JPEG", 12, 8)}},
        {u"Bąk Olaf"_s, {}},
        {u"Cis Ida"_s, {u"ida"_s, {}}},
        {u"Nowy Kontakt"_s, {}},
    };
    QList<ExchangeContact> cards;
    for (const QString &name : {u"Adamska Ewa"_s, u"Bąk Olaf"_s, u"Cis Ida"_s}) {
        ExchangeContact card = person(name);
        card.notes = expected[name].notes;
        card.photo = expected[name].photo;
        cards.append(card);
    }
    // Each run dies one step later (a write or removal of a file of the book) until one runs through.
    bool completed = false;
    for (int stopAt = 0; !completed; ++stopAt) {
        const QString when = u"died at step %1"_s.arg(stopAt);
        QTemporaryDir dir;
        {
            ContactFile book(dir.path());
            QVERIFY(book.load(nullptr));
            Contact old;
            old.ID = u"10000"_s;
            old.Nazwa = u"Stary Jan"_s;
            QVERIFY(book.add(old, nullptr));
            QVERIFY(QDir(dir.path()).mkpath(u"foto"_s) && QDir(dir.path()).mkpath(u"notes"_s));
            QVERIFY(book.writeNotes(old.ID, expected[old.Nazwa].notes, nullptr));
            QVERIFY(book.writePhoto(old.ID, expected[old.Nazwa].photo, nullptr));
            // Left by earlier holders of the identifiers the import is going to give out.
            QVERIFY(book.writeNotes(u"10001"_s, u"obce"_s, nullptr));
            QVERIFY(book.writePhoto(u"10002"_s, strangers, nullptr));
            QVERIFY(book.writeNotes(u"10003"_s, u"obce"_s, nullptr));
            QVERIFY(book.writePhoto(u"10003"_s, strangers, nullptr));
        }
        ContactFile book(dir.path());
        QVERIFY(book.load(nullptr));
        int step = 0;
        bool died = false;
        book.setWriteGate([&](const QString &) {
            died = died || step++ == stopAt;
            return !died;
        });
        ContactImport import;
        import.prepare(book.list(), cards);
        const bool applied = import.apply(book, false, nullptr, nullptr);
        QCOMPARE(applied, !died);
        verifySideFiles(dir.path(), expected, when);
        if (QTest::currentTestFailed()) {
            return;
        }
        ContactFile after(dir.path());
        QVERIFY(after.load(nullptr));
        QVERIFY2(after.count() == (died ? 1 : 4), qPrintable(when)); // the old file or the whole new one
        completed = !died;
        if (completed) {
            break;
        }
        // A contact made later on a free identifier starts clean, and importing again completes the book.
        Contact fresh;
        QVERIFY(after.list().newIdentifier(&fresh.ID, nullptr));
        fresh.Nazwa = u"Nowy Kontakt"_s;
        QVERIFY(after.add(fresh, nullptr));
        verifySideFiles(dir.path(), expected, when + u", then a new contact"_s);
        if (QTest::currentTestFailed()) {
            return;
        }
        ContactImport again;
        again.prepare(after.list(), cards);
        QVERIFY(again.apply(after, true, nullptr, nullptr));
        QCOMPARE(after.count(), 5);
        verifySideFiles(dir.path(), expected, when + u", then imported again"_s);
        if (QTest::currentTestFailed()) {
            return;
        }
    }
}

void TestContactImport::apply_dataFileNotWritten_theSameImportAppliesAgain()
{
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    ContactImport import;
    import.prepare(book.list(), {person(u"Nowak Jan"_s, u"600100200"_s), person(u"Adamska Ola"_s)});
    bool writable = false;
    book.setWriteGate([&](const QString &path) {
        return writable || !path.endsWith(u"Morwinek.data"_s);
    });
    QString error;
    QVERIFY(!import.apply(book, false, nullptr, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(book.count(), 0);
    writable = true;
    QVERIFY2(import.apply(book, false, nullptr, &error), qPrintable(error));
    ContactFile after(dir.path());
    QVERIFY(after.load(nullptr));
    QCOMPARE(after.count(), 2);
    const Contact first = after.list().contact(0);
    const Contact second = after.list().contact(1);
    QCOMPARE(first.Nazwa, u"Adamska Ola"_s);
    QCOMPARE(second.Nazwa, u"Nowak Jan"_s);
    QCOMPARE(second.TelKom, u"600100200"_s);
    QVERIFY(!first.ID.isEmpty() && !second.ID.isEmpty() && first.ID != second.ID);
}

void TestContactImport::csvRowsInStoredForm_sameAsTheLongWay_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("stored"); // rows plain enough to go straight to the data file's form

    const QByteArray head = "Nazwa,TelKom,Email,DomUlica,Urodziny,Notatki\r\n";
    const auto utf8 = [&head](const QString &rows) {
        return head + rows.toUtf8();
    };
    QTest::newRow("Polish letters, dash, euro, apostrophe inside")
        << utf8(u"Łuk Żaneta,600100200,a@b.pl,ul. Długa – 5 €,08.03.1980,\r\nO'Brien Ann,,,,,\r\n"_s) << 2;
    QTest::newRow("the book's contact again, other case and country code")
        << utf8(u"NOWAK JAN,+48 600 100 200,,,,\r\nnowak jan,,JAN@EXAMPLE.PL,,,\r\n"_s) << 2;
    QTest::newRow("blanks to trim") << utf8(u" Nowak Jan,600100200 ,,,,\r\nKos Ewa,,,\"ul. Ptasia \",,\r\n"_s) << 0;
    QTest::newRow("a name of no-break spaces")
        << utf8(u"\u00a0,1,,,,\r\n\u00a0Ala\u00a0,2,,,,\r\n"_s) << 1;
    QTest::newRow("too long for its column") << utf8(u"%1,,,,,\r\n"_s.arg(QString(31, u'x'))) << 0;
    QTest::newRow("exactly as long as its column") << utf8(u"%1,,,,,\r\n"_s.arg(QString(30, u'x'))) << 1;
    QTest::newRow("characters the code page lacks")
        << utf8(u"Muñoz José,,,,,\r\nSmile 😀,,,,,\r\nČapek Karel,,,,,\r\n"_s) << 1;
    QTest::newRow("formula marks") << utf8(u"'=1+2,,,,,\r\n'Kowal,,,,,\r\n"_s) << 0;
    QTest::newRow("dates: ISO converted, the program's own kept")
        << utf8(u"A,,,,1980-03-08,\r\nB,,,,1980.03.08,\r\nC,,,,08.03.1980,\r\nD,,,,jutro,\r\nE,,,,1980-02-30,\r\n"
                u"F,,,,0000-01-01,\r\nG,,,,2000-02-29,\r\nH,,,,1980-3-08,\r\nI,,,,1980/03/08,\r\n"_s)
        << 7;
    QTest::newRow("dates with the month first, and none")
        << utf8(u"A,,,,3/8/1980,\r\nB,,,,0/0/00,\r\nC,,,,12/25/1980,\r\n"_s) << 0;
    QTest::newRow("control characters") << utf8(u"\"A\tB\",,,,,\r\n\"C\x7f\",,,,,\r\n"_s) << 0;
    QTest::newRow("notes with line breaks and a formula mark")
        << utf8(u"A,,,,,\"raz\r\ndwa\r\n\"\r\nB,,,,,'=SUM(A1)\r\n"_s) << 2;
    QTest::newRow("code page 1250, semicolons, C1 byte")
        << Cp1250::encode(u"Nazwa;TelDom;Notatki\r\nŚliwa Jerzy;22 111;ż\r\n"_s) + QByteArray("x\x81y;1;\r\n") << 2;
    QTest::newRow("invalid UTF-8 reads as code page 1250") << QByteArray("Nazwa\r\nA\xC0\xAF\r\n") << 1;
    QTest::newRow("parts of the name, no name column")
        << QByteArray("First Name,Last Name,Mobile Phone\r\nJan,Rokita,600\r\n") << 0;
    QTest::newRow("parts of the name beside a name")
        << QByteArray("Name,First Name,Last Name\r\nRokita Jan,Jan,Rokita\r\n,Ola,Kos\r\n") << 1;
    QTest::newRow("one field from two columns")
        << QByteArray("Nazwa,Email,E-mail\r\nA,a@x.pl,b@x.pl\r\n") << 0;
    QTest::newRow("an identifier column is ignored") << QByteArray("ID,Nazwa\r\n77,A\r\nabc,B\r\n") << 2;
}

// Rows taken in the data file's form make the same contacts, marked the same way, as when each
// goes through an ExchangeContact, against a book holding one of them.
void TestContactImport::csvRowsInStoredForm_sameAsTheLongWay()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, stored);
    ContactList book;
    book.append(lineFor(u"10000"_s, u"Nowak Jan"_s, u"600-100-200"_s));

    ContactImport longWay;
    longWay.begin(book);
    ExchangeError error;
    QVERIFY(ContactCsv::read(
        bytes,
        [&](ExchangeContact &&item, QString *reason) {
            return longWay.add(std::move(item), reason);
        },
        &error));

    ContactImport direct;
    direct.begin(book);
    int storedRows = 0;
    QVERIFY(ContactCsv::read(
        bytes,
        [&](ExchangeContact &&item, QString *reason) {
            return direct.add(std::move(item), reason);
        },
        [&](PackedContact &&fields, QString &&notes, QString *reason) {
            ++storedRows;
            return direct.addStored(std::move(fields), std::move(notes), reason);
        },
        &error));
    QCOMPARE(storedRows, stored);
    QVERIFY(longWay.readCount() > 0);
    QCOMPARE(direct.readCount(), longWay.readCount());
    QCOMPARE(direct.contacts(), longWay.contacts());
    QCOMPARE(direct.duplicates(), longWay.duplicates());
}

// The import from the command line writes the file as the window's import does, without holding
// the added contacts as lines; the book it wrote through refuses to be saved over them.
void TestContactImport::applyToFile_writesWhatApplyWrites_thenTheBookMustBeLoaded()
{
    QList<ExchangeContact> read;
    for (int i = 0; i < 40; ++i) {
        read.append(person(u"%1 Anna"_s.arg(QStringList{u"Żak"_s, u"Nowak"_s, u"adam"_s, u"Łoś"_s}[i % 4]),
                           u"600%1"_s.arg(i % 7), {}, {}));
    }
    read[3].notes = u"notatka"_s;
    QByteArray written[2];
    for (const bool listed : {true, false}) {
        QTemporaryDir dir;
        ContactFile book(dir.path());
        QVERIFY(book.load(nullptr));
        QVERIFY(book.add(Contact::fromLine(lineFor(u"10000"_s, u"Nowak Anna"_s, u"6001"_s)), nullptr));
        QVERIFY(book.add(Contact::fromLine(lineFor(u"10001"_s, u"Bąk Jan"_s)), nullptr));
        ContactImport import;
        import.prepare(book.list(), read);
        ContactImport::Result result;
        QString error;
        QVERIFY2(listed ? import.apply(book, true, &result, &error) : import.applyToFile(book, true, &result, &error),
                 qPrintable(error));
        QCOMPARE(result.read, 40);
        QVERIFY(result.skipped > 0 && result.added == 40 - result.skipped);
        written[listed ? 0 : 1] = fileBytes(book.path());
        if (!listed) {
            QVERIFY(!book.save(&error));
            QVERIFY(!book.add(Contact::fromLine(lineFor(u"10002"_s, u"Kos Ola"_s)), &error));
            QCOMPARE(fileBytes(book.path()), written[1]);
            QVERIFY(book.load(&error));
            QCOMPARE(book.count(), 2 + result.added);
            QVERIFY(book.save(&error));
        }
    }
    QCOMPARE(written[1], written[0]);
    QVERIFY(written[0].count("\r\n") > 2);
}

void TestContactImport::applyToFile_dataFileNotWritten_changesNothing()
{
    QTemporaryDir dir;
    ContactFile book(dir.path());
    QVERIFY(book.load(nullptr));
    QVERIFY(book.add(Contact::fromLine(lineFor(u"10000"_s, u"Bąk Jan"_s)), nullptr));
    const QByteArray before = fileBytes(book.path());
    QList<ExchangeContact> read = {person(u"Nowak Jan"_s, u"600100200"_s), person(u"Adamska Ola"_s)};
    read[0].notes = u"ważne"_s;
    ContactImport import;
    import.prepare(book.list(), read);
    bool writable = false;
    book.setWriteGate([&](const QString &path) {
        return writable || !path.endsWith(u"Morwinek.data"_s);
    });
    QString error;
    QVERIFY(!import.applyToFile(book, true, nullptr, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(fileBytes(book.path()), before);
    QCOMPARE(book.count(), 1);
    QVERIFY(QDir(dir.filePath(u"notes"_s)).entryList(QDir::Files).isEmpty()); // the notes written first are gone
    writable = true;
    QVERIFY2(import.applyToFile(book, true, nullptr, &error), qPrintable(error));
    ContactFile after(dir.path());
    QVERIFY(after.load(nullptr));
    QCOMPARE(after.list().names(), (QStringList{u"Adamska Ola"_s, u"Bąk Jan"_s, u"Nowak Jan"_s}));
    QString notes;
    QVERIFY(after.readNotes(after.list().contact(2).ID, &notes, nullptr));
    QCOMPARE(notes, u"ważne"_s);
}

// A packed contact gives the line the record itself makes, each field at its column.
void TestContactImport::packedContact_makesTheRecordsLine()
{
    Contact full;
    Contact sparse;
    int n = 0;
    for (const Contact::Column &column : Contact::columns()) {
        if (column.field != &Contact::ID) {
            // Every column filled to its width, ending in a letter of the code page beyond ASCII.
            full.*column.field = QString(column.width - 1, QChar(u'a' + n % 26)) + u'ż';
            if (n % 3 == 0) {
                sparse.*column.field = u"x"_s;
            }
        }
        ++n;
    }
    for (const Contact &contact : {full, sparse, Contact()}) {
        const PackedContact packed = PackedContact::fromContact(contact);
        QCOMPARE(packed.line(), contact.toLine());
        for (int i = 0; i < Contact::fieldCount; ++i) {
            QCOMPARE(Cp1250::decode(packed.field(i)), contact.*Contact::columns()[i].field);
        }
    }
    PackedContact::Builder builder;
    const int width = Contact::columns()[3].width;
    char *room = builder.reserve(3);
    QVERIFY(room != nullptr);
    std::memset(room, 'q', static_cast<size_t>(width));
    builder.commit(width + 10); // cut to the column's width
    QVERIFY(builder.reserve(3) == nullptr); // a column is added once
    QCOMPARE(builder.take().field(3), QByteArray(width, 'q'));
}

QTEST_GUILESS_MAIN(TestContactImport)
#include "tst_contactimport.moc"
