#include "support/ContactLines.h"
#include "support/RadicaleServer.h"
#include "support/ShellFixture.h"

#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/contacts/ContactFile.h"
#include "core/sync/DavSyncEngine.h"
#include "platform/sim/MemoryPasswordStore.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/sync/SyncController.h"
#include "widgets/sync/TForm_Konflikty.h"
#include "widgets/sync/TForm_Synchronizacja.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// The organiser over a data folder of its own, syncing through the real engine; a keyring in memory.
struct Device : ShellFixture
{
    MemoryPasswordStore keyring;

    explicit Device(const QByteArray &contacts = {})
    {
        sim.services.passwords = &keyring;
        sim.services.makeSyncEngine = [this] {
            return std::make_unique<DavSyncEngine>(dir.path());
        };
        writeFile(QStringLiteral("Morwinek.ini"), "[Terminy]\r\nAUTOTERMINY=0\r\n");
        writeFile(QStringLiteral("Morwinek.data"), contacts);
        start();
    }
    // Opens the sync window, fills in the account and presses "Połącz".
    TForm_Synchronizacja &connectTo(const QString &address, const QString &password = RadicaleServer::password)
    {
        main->Synchronizacja->trigger();
        TForm_Synchronizacja &w = *Form_Synchronizacja;
        w.Edit_Adres->setText(address);
        w.Edit_Uzytkownik->setText(RadicaleServer::user);
        w.Edit_Haslo->setText(password);
        w.Check_Zapamietaj->setChecked(true);
        sim.prompter.answers.append(Prompter::Yes); // to make what the server lacks, when asked
        QTest::mouseClick(w.Button_Polacz, Qt::LeftButton);
        return w;
    }
    bool connected() { return Form_Synchronizacja->Button_Polacz->isEnabled(); }
    bool syncByHand()
    {
        QSignalSpy done(main->sync(), &SyncController::finished);
        QTest::mouseClick(Form_Synchronizacja->Button_Synchronizuj, Qt::LeftButton);
        return done.wait(30000);
    }
};

QStringList items(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) {
        out << box->itemText(i);
    }
    return out;
}

// The contact of that name in a data folder (empty when none); edit changes it as the contacts window saves.
Contact contactIn(const QString &dataDir, const QString &name, const std::function<void(Contact &)> &edit = {})
{
    ContactFile book(dataDir);
    QString notes;
    const int count = book.load(nullptr) ? book.count() : 0;
    for (int i = 0; i < count; ++i) {
        Contact c = book.list().contact(i);
        if (c.Nazwa.trimmed() == name) {
            if (edit && book.readNotes(c.ID, &notes, nullptr)) {
                edit(c);
                (void)book.store(&i, c, notes, nullptr);
            }
            return c;
        }
    }
    return {};
}

} // namespace

// The sync window against a real server: connecting, syncing, what it shows and keeps.
class TestSynchronizacja : public QObject
{
    Q_OBJECT
private slots:
    void connect_namesTheCollectionsAndOffersAChoice();
    void syncByHand_showsResultAndReloadsContactsWindow();
    void plainHttp_onlyAfterConsent_data();
    void plainHttp_onlyAfterConsent();
    void cancel_nextSyncCompletes_nothingLostOrDoubled();
    void conflictsFolder_data();
    void conflictsFolder();
    void conflict_bothVersionsShown_oneKeptOnBothDevices_data();
    void conflict_bothVersionsShown_oneKeptOnBothDevices();
};

void TestSynchronizacja::connect_namesTheCollectionsAndOffersAChoice()
{
    RadicaleServer server;
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    QCOMPARE(server.makeAddressBook("/anna/prywatne/", "Prywatne"), 201);
    QCOMPARE(server.makeAddressBook("/anna/praca/", "Praca"), 201);
    Device a;
    TForm_Synchronizacja &w = a.connectTo(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(a.connected(), 30000);
    // Asked before the missing calendar was made, having been told what is there.
    QCOMPARE(a.sim.prompter.boxes.size(), 1);
    const QString question = a.sim.prompter.boxes[0].text;
    QVERIFY2(question.contains("„Praca”") && question.contains("„Prywatne”")
                 && question.endsWith("Nie ma na nim kalendarza tego użytkownika.\r\rZałożyć na serwerze kalendarz "
                                      "„Terminy Morwinka”?"),
             qPrintable(question));
    // Two address books: none is taken until the user chooses.
    QCOMPARE(w.Label_Stan->text(),
             QStringLiteral("Połączono z serwerem. Książki adresowe: 2, kalendarze: 1.\nWybierz książkę adresową do "
                            "synchronizacji."));
    QCOMPARE(w.ComboBox_Ksiazka->currentIndex(), -1);
    QCOMPARE(a.main->sync()->block(), SyncController::Block::NotConnected);
    QStringList books = items(w.ComboBox_Ksiazka);
    books.sort();
    QCOMPARE(books, QStringList({"Praca", "Prywatne"}));
    QVERIFY(w.ComboBox_Ksiazka->isEnabled());
    QCOMPARE(items(w.ComboBox_Kalendarz), QStringList{"Terminy Morwinka"}); // made, as the user agreed
    QVERIFY(!w.ComboBox_Kalendarz->isEnabled());
    w.ComboBox_Ksiazka->setCurrentIndex(w.ComboBox_Ksiazka->findText("Praca"));
    QCOMPARE(w.Label_Stan->text(), QStringLiteral("Połączono z serwerem.")); // chosen: nothing left to ask
    w.SpinEdit_CoIle->setValue(15);
    QCOMPARE(a.main->sync()->intervalMinutes(), 15);
    w.close();
    const QByteArray ini = a.readFile(QStringLiteral("Morwinek.ini"));
    QVERIFY2(ini.contains("Ksiazka_adresowa=" + server.url().toLatin1() + "anna/praca/"), ini.constData());
    QVERIFY(ini.contains("Uzytkownik=anna\r\nCo_ile=15\r\n"));
    QVERIFY(!ini.contains(RadicaleServer::password));
    QCOMPARE(a.sim.prompter.boxes.size(), 1); // a loopback address needs no consent to plain http
    QCOMPARE(a.keyring.read(server.url(), RadicaleServer::user), std::optional<QString>(RadicaleServer::password));
    // Opened again, the window names the collections as the server did.
    QTRY_VERIFY(Form_Synchronizacja.isNull());
    a.main->Synchronizacja->trigger();
    QCOMPARE(items(Form_Synchronizacja->ComboBox_Ksiazka), QStringList{"Praca"});
    QCOMPARE(items(Form_Synchronizacja->ComboBox_Kalendarz), QStringList{"Terminy Morwinka"});
}

void TestSynchronizacja::syncByHand_showsResultAndReloadsContactsWindow()
{
    RadicaleServer server;
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    const QByteArray lunch = Cp1250::encode(AppointmentRecord::encode(
        {DateText::toText(QDate::currentDate().addDays(1)), QStringLiteral("Nowak Ewa"), {}, QStringLiteral("Obiad")}));
    {
        // The other device sends its one contact first, and a timed appointment.
        Device b(lineFor("00001", "Zając Piotr") + "\r\n");
        b.writeFile(QStringLiteral("Morwinek.term"), lunch + "\r\n");
        b.writeFile(QStringLiteral("Morwinek.godziny"), "T|13:00|14:30|60|" + lunch + "\r\n");
        b.connectTo(server.url());
        QTRY_VERIFY_WITH_TIMEOUT(b.connected(), 30000);
        QVERIFY(b.syncByHand());
        QVERIFY2(b.main->sync()->lastOutcome()->ok, qPrintable(b.main->sync()->lastOutcome()->error));
    }
    Device a(lineFor("00001", "Adamska Ola") + "\r\n" + lineFor("00002", "Nowak Jan") + "\r\n");
    a.main->Kontakty->trigger();
    QTest::mouseClick(Form_Notatniczek->Button_Ostatni, Qt::LeftButton);
    a.sim.clock.setDate(QDate::currentDate());
    a.main->Terminy->trigger();
    TForm_Synchronizacja &w = a.connectTo(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(a.connected(), 30000);
    QVERIFY(a.syncByHand());
    QVERIFY2(w.Label_Stan->text().contains("bez błędów"), qPrintable(w.Label_Stan->text()));
    QVERIFY2(w.Label_Wynik->text().startsWith("Kontakty: wysłano 2, odebrano 1, usunięto tutaj 0, "
                                              "usunięto na serwerze 0, konflikty 0.\nTerminy: wysłano 0"),
             qPrintable(w.Label_Wynik->text()));
    QCOMPARE(w.ProgressBar1->value(), w.ProgressBar1->maximum());
    // The open contacts window took the received contact in and still shows the same one.
    QVERIFY(Form_Notatniczek->isEnabled());
    QCOMPARE(Form_Notatniczek->book().count(), 3);
    QCOMPARE(Form_Notatniczek->Edit_ID->text().trimmed(), QStringLiteral("00002"));
    // The open appointments window took the appointment in with its time and alarm.
    QCOMPARE(Form_Terminy->entryCount(), 1);
    Form_Terminy->ListView1->setCurrentItem(Form_Terminy->ListView1->topLevelItem(0));
    QVERIFY(Form_Terminy->ListView1->topLevelItem(0)->text(0).endsWith(QStringLiteral(" 13:00-14:30")));
    QCOMPARE(Form_Terminy->cbPrzypomnij->currentData().toInt(), 60);
    QVERIFY(a.syncByHand()); // nothing new either way
    QVERIFY2(w.Label_Wynik->text().startsWith("Kontakty: wysłano 0, odebrano 0"), qPrintable(w.Label_Wynik->text()));
    w.Edit_Haslo->setText(QStringLiteral("zle-haslo"));
    QVERIFY(a.syncByHand());
    QVERIFY(!a.main->sync()->lastOutcome()->ok);
    QVERIFY2(w.Label_Stan->text().endsWith("przerwana: " + a.main->sync()->lastOutcome()->error),
             qPrintable(w.Label_Stan->text()));
    QCOMPARE(w.ProgressBar1->value(), 0);
}

void TestSynchronizacja::plainHttp_onlyAfterConsent_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("answer"); // to the question, if one is asked
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("allowed"); // what the settings keep
    QTest::newRow("other host, declined") << "http://dav.invalid/" << int(Prompter::No) << true << false;
    QTest::newRow("other host, confirmed") << "http://dav.invalid/" << int(Prompter::Yes) << true << true;
    QTest::newRow("loopback") << "http://localhost:1/" << int(Prompter::No) << false << false;
    QTest::newRow("encrypted") << "dav.invalid" << int(Prompter::No) << false << false;
}

void TestSynchronizacja::plainHttp_onlyAfterConsent()
{
    QFETCH(QString, address);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, allowed);
    Device a;
    a.sim.prompter.answers = {Prompter::Answer(answer)};
    TForm_Synchronizacja &w = a.connectTo(address);
    QCOMPARE(a.sim.prompter.boxes.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(a.sim.prompter.boxes[0].caption, QStringLiteral("Ostrzeżenie!"));
        QVERIFY(a.sim.prompter.boxes[0].text.contains("dav.invalid"));
    }
    QCOMPARE(a.main->settings().syncAllowPlainHttp, allowed);
    QCOMPARE(a.main->sync()->busy(), !asked || allowed); // declined: not even a question to the server
    QTRY_VERIFY_WITH_TIMEOUT(!a.main->sync()->busy(), 30000);
    QCOMPARE(w.Edit_Adres->text(), address); // as typed, for the user to correct
    // No address here ever connected: no password was kept for any of them.
    QCOMPARE(a.keyring.read(a.main->settings().syncAddress, RadicaleServer::user), std::nullopt);
}

void TestSynchronizacja::cancel_nextSyncCompletes_nothingLostOrDoubled()
{
    RadicaleServer server;
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    constexpr int count = 120;
    QByteArray book;
    for (int i = 1; i <= count; ++i) {
        book += lineFor(QString::number(i).rightJustified(5, u'0'), QStringLiteral("Osoba %1").arg(i)) + "\r\n";
    }
    Device a(book);
    TForm_Synchronizacja &w = a.connectTo(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(a.connected(), 30000);
    const auto przerwij = w.findChild<QPushButton *>(QStringLiteral("Button_Przerwij"));
    QVERIFY(przerwij);
    QSignalSpy done(a.main->sync(), &SyncController::finished);
    QTest::mouseClick(w.Button_Synchronizuj, Qt::LeftButton);
    // Stopped part way through sending, as the progress shows.
    QTRY_VERIFY_WITH_TIMEOUT(w.ProgressBar1->value() >= 10, 60000);
    QVERIFY2(w.Label_Stan->text().startsWith(QStringLiteral("Synchronizacja trwa: wysłano ")),
             qPrintable(w.Label_Stan->text()));
    QTest::mouseClick(przerwij, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 30000);
    const SyncOutcome stopped = *a.main->sync()->lastOutcome();
    QVERIFY(!stopped.ok);
    QCOMPARE(stopped.error, QStringLiteral("Przerwano synchronizację."));
    QVERIFY2(stopped.contacts.sent < count, qPrintable(QString::number(stopped.contacts.sent)));
    QVERIFY(a.sim.prompter.boxes.size() <= 1); // only the question about making a calendar
    QCOMPARE(a.readFile(QStringLiteral("Morwinek.data")), book);
    // The next sync sends the rest, and the one after has nothing to do.
    QVERIFY(a.syncByHand());
    QVERIFY2(a.main->sync()->lastOutcome()->ok, qPrintable(a.main->sync()->lastOutcome()->error));
    QVERIFY(a.syncByHand());
    QCOMPARE(a.main->sync()->lastOutcome()->contacts.sent, 0);
    QCOMPARE(a.main->sync()->lastOutcome()->contacts.received, 0);
    // Another device gets every contact once.
    QTemporaryDir other;
    DavSyncEngine otherEngine(other.path());
    QSignalSpy otherDone(&otherEngine, &SyncEngine::finished);
    otherEngine.synchronize(a.main->sync()->account(QString::fromLatin1(RadicaleServer::password)));
    QVERIFY(otherDone.wait(60000));
    QVERIFY(otherDone.first().first().value<SyncOutcome>().ok);
    ContactFile received(other.path());
    QVERIFY(received.load(nullptr));
    QCOMPARE(received.count(), count);
    QSet<QString> names;
    for (int i = 0; i < received.count(); ++i) {
        names.insert(received.list().contact(i).Nazwa.trimmed());
    }
    QCOMPARE(names.size(), count);
    QVERIFY(names.contains(QStringLiteral("Osoba 1")) && names.contains(QStringLiteral("Osoba %1").arg(count)));
}

void TestSynchronizacja::conflictsFolder_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("box"); // part of the box's text; empty: no box
    QTest::newRow("none yet") << false << true << "Nie było jeszcze żadnych konfliktów";
    QTest::newRow("opened") << true << true << "";
    QTest::newRow("nothing opens folders") << true << false << "Kopie z serwera są w folderze:";
}

void TestSynchronizacja::conflictsFolder()
{
    QFETCH(bool, exists);
    QFETCH(bool, opens);
    QFETCH(QString, box);
    Device a;
    if (exists) {
        QVERIFY(QDir(a.dir.path()).mkpath("konflikty"));
    }
    a.sim.shell.answer = opens;
    a.main->Synchronizacja->trigger();
    QTest::mouseClick(Form_Synchronizacja->Button_Konflikty, Qt::LeftButton);
    QCOMPARE(a.sim.shell.opened, exists ? QList<QUrl>{QUrl::fromLocalFile(a.path("konflikty"))} : QList<QUrl>{});
    QCOMPARE(a.sim.prompter.boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QVERIFY(a.sim.prompter.boxes[0].text.contains(box));
        QVERIFY(!opens ? a.sim.prompter.boxes[0].text.endsWith(a.path("konflikty")) : true);
    }
}

void TestSynchronizacja::conflict_bothVersionsShown_oneKeptOnBothDevices_data()
{
    QTest::addColumn<bool>("keepServers");
    QTest::addColumn<QString>("mobile"); // on both devices and the server at the end
    QTest::newRow("this one") << false << "800 300 300";
    QTest::newRow("the server's") << true << "700 200 200";
}

void TestSynchronizacja::conflict_bothVersionsShown_oneKeptOnBothDevices()
{
    QFETCH(bool, keepServers);
    QFETCH(QString, mobile);
    RadicaleServer server;
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    Contact jan;
    jan.ID = QStringLiteral("00001");
    jan.Nazwa = QStringLiteral("Nowak Jan");
    jan.TelKom = QStringLiteral("600 100 100");
    jan.Email = QStringLiteral("jan@example.pl");
    Device a(jan.toLine() + "\r\n");
    TForm_Synchronizacja &w = a.connectTo(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(a.connected(), 30000);
    QVERIFY(a.syncByHand());
    // The phone: the same book, the number changed there...
    QTemporaryDir phone;
    DavSyncEngine phoneEngine(phone.path());
    const SyncAccount account = a.main->sync()->account(QString::fromLatin1(RadicaleServer::password));
    const auto syncPhone = [&] {
        QSignalSpy done(&phoneEngine, &SyncEngine::finished);
        phoneEngine.synchronize(account);
        return done.wait(30000) && done.first().first().value<SyncOutcome>().ok;
    };
    QVERIFY(syncPhone());
    contactIn(phone.path(), QStringLiteral("Nowak Jan"), [](Contact &c) {
        c.TelKom = QStringLiteral("700 200 200");
    });
    QVERIFY(syncPhone());
    // ...and here, differently.
    contactIn(a.dir.path(), QStringLiteral("Nowak Jan"), [](Contact &c) {
        c.TelKom = QStringLiteral("800 300 300");
    });
    QVERIFY(a.syncByHand());
    QCOMPARE(a.main->sync()->lastOutcome()->contacts.conflicts, 1);
    const QStringList files = QDir(a.path("konflikty")).entryList({"*.vcf"});
    QCOMPARE(files.size(), 1);
    QVERIFY2(files[0].startsWith("Nowak Jan " + QDate::currentDate().toString("yyyy-MM-dd") + ' '),
             qPrintable(files[0]));
    QCOMPARE(w.Button_Konflikty->text(), QStringLiteral("Ko&nflikty (1)..."));

    QTest::mouseClick(w.Button_Konflikty, Qt::LeftButton);
    QVERIFY(Form_Konflikty);
    TForm_Konflikty &k = *Form_Konflikty;
    QCOMPARE(k.ListBox_Konflikty->count(), 1);
    QCOMPARE(k.ListBox_Konflikty->item(0)->text(), QStringLiteral("Kontakt: Nowak Jan"));
    QStringList differing;
    for (int i = 0; i < k.ListView_Pola->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = k.ListView_Pola->topLevelItem(i);
        if (row->font(0).bold()) {
            differing << row->text(0) + ": " + row->text(1) + " | " + row->text(2);
        }
    }
    QCOMPARE(differing, QStringList{"Telefon komórkowy: 800 300 300 | 700 200 200"});
    QTest::mouseClick(keepServers ? k.Button_Serwer : k.Button_Tutaj, Qt::LeftButton);
    QCOMPARE(k.ListBox_Konflikty->count(), 0);
    QVERIFY(QDir(a.path("konflikty")).entryList({"*.vcf"}).isEmpty());
    QCOMPARE(w.Button_Konflikty->text(), QStringLiteral("Ko&nflikty..."));
    k.close();

    QVERIFY(a.syncByHand());
    QVERIFY2(a.main->sync()->lastOutcome()->ok, qPrintable(a.main->sync()->lastOutcome()->error));
    QCOMPARE(a.main->sync()->lastOutcome()->contacts.sent, keepServers ? 1 : 0);
    QVERIFY(syncPhone());
    QCOMPARE(contactIn(a.dir.path(), QStringLiteral("Nowak Jan")).TelKom.trimmed(), mobile);
    QCOMPARE(contactIn(phone.path(), QStringLiteral("Nowak Jan")).TelKom.trimmed(), mobile);
    QCOMPARE(contactIn(phone.path(), QStringLiteral("Nowak Jan")).Email.trimmed(), QStringLiteral("jan@example.pl"));
}

QTEST_MAIN(TestSynchronizacja)
#include "tst_synchronizacja.moc"
