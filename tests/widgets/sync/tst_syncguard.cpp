#include "support/ContactLines.h"
#include "support/ShellFixture.h"

#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "platform/sim/MemoryPasswordStore.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/QtPrompter.h"
#include "widgets/shell/TrayFallbackWindow.h"
#include "widgets/sync/SyncController.h"
#include "widgets/sync/TForm_Synchronizacja.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Takes jobs and holds them until the test ends them, as a slow server would.
class HeldEngine final : public SyncEngine
{
public:
    QList<SyncAccount> jobs;
    bool running = false;
    void discover(const SyncAccount &) override {}
    void synchronize(const SyncAccount &account) override
    {
        jobs.append(account);
        running = true;
    }
    int cancelled = 0;
    void cancel() override { ++cancelled; }
    bool busy() const override { return running; }
    void end(const QString &error = {}, SyncOutcome::Held held = {})
    {
        running = false;
        SyncOutcome outcome;
        outcome.ok = error.isEmpty();
        outcome.error = error;
        outcome.held = held;
        outcome.contacts.sent = 2;
        outcome.appointments.conflicts = 1;
        emit finished(outcome);
    }
};

const QString address = QStringLiteral("https://dav.example/");

// A data folder set up for syncing every `minutes`, a keyring holding the password or none.
struct SyncFixture : ShellFixture
{
    MemoryPasswordStore keyring;
    HeldEngine *engine = nullptr;
    int asked = 0;

    explicit SyncFixture(int minutes = 0, bool passwordKept = true)
    {
        sim.services.passwords = &keyring;
        sim.services.makeSyncEngine = [this] {
            auto made = std::make_unique<HeldEngine>();
            engine = made.get();
            return made;
        };
        writeFile(QStringLiteral("Morwinek.ini"),
                  "[Terminy]\r\nAUTOTERMINY=0\r\n[Synchronizacja]\r\nAdres=" + address.toLatin1()
                      + "\r\nUzytkownik=ala\r\nCo_ile=" + QByteArray::number(minutes) + "\r\nKsiazka_adresowa="
                      + address.toLatin1() + "ala/k/\r\nKalendarz=" + address.toLatin1() + "ala/t/\r\n");
        writeFile(QStringLiteral("Morwinek.data"),
                  lineFor("00001", "Adamska Ola") + "\r\n" + lineFor("00002", "Nowak Jan") + "\r\n");
        if (passwordKept) {
            keyring.passwords.insert("ala@" + address, QStringLiteral("tajne"));
        } else {
            keyring.present = false;
        }
    }
    SyncController &sync()
    {
        if (!main) {
            start();
            main->sync()->askPassword = [this](const QString &) {
                ++asked;
                return std::optional<QString>();
            };
        }
        return *main->sync();
    }
};

} // namespace

// The sync's side of the windows: its place in the tray menu, and never losing what the user typed.
class TestSyncGuard : public QObject
{
    Q_OBJECT
private slots:
    void trayItem_justAboveInformacje();
    void unsavedWindow_holdsTheSync_data();
    void unsavedWindow_holdsTheSync();
    void windowsUsableDuringSync_editsHeld_thenReloaded();
    void syncWindow_countsAndKeepsItsLayout();
    void cancel_endsTheJob_noFailureTold();
    void automatic_afterStartAndOncePerInterval();
    void noKeyring_passwordAskedOncePerRun();
    void automaticFailure_toldAtTheTray_resultKeptForTheNextRun();
    void declinedPassword_pausesAutomaticSync_untilTheUserAsks_data();
    void declinedPassword_pausesAutomaticSync_untilTheUserAsks();
    void lockedKeyring_toldInPolish_passwordNotMarkedKept();
    void outage_toldOnceWhenItBeginsAndOnceWhenItEnds();
    void heldJob_askedThenRunAllowed_data();
    void heldJob_askedThenRunAllowed();
    void threeAnswers_onScreen_data();
    void threeAnswers_onScreen();
};

void TestSyncGuard::trayItem_justAboveInformacje()
{
    SyncFixture f;
    TForm_Main &main = f.start();
    const QList<QAction *> items = main.PopupMenu1->actions();
    QCOMPARE(items.indexOf(main.Synchronizacja) + 1, items.indexOf(main.Informacje));
    QCOMPARE(main.Synchronizacja->text(), QStringLiteral("Morwinek - Synchronizacja"));
    TrayFallbackWindow fallback(main.PopupMenu1);
    const auto buttons = fallback.findChildren<QPushButton *>();
    const auto at = [&](const char *name) {
        return buttons.indexOf(fallback.findChild<QPushButton *>(QLatin1String(name)));
    };
    QCOMPARE(at("Fallback_Synchronizacja") + 1, at("Fallback_Informacje"));
    QTest::mouseClick(fallback.findChild<QPushButton *>("Fallback_Synchronizacja"), Qt::LeftButton);
    QVERIFY(Form_Synchronizacja);
    main.Synchronizacja->trigger(); // a second one only beeps and comes to the front
    QCOMPARE(f.sim.prompter.beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QTest::keyClick(Form_Synchronizacja->Edit_Adres, Qt::Key_Escape);
    QTRY_VERIFY(Form_Synchronizacja.isNull());
}

void TestSyncGuard::unsavedWindow_holdsTheSync_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("said");
    QTest::newRow("edited contact") << "contact"
                                    << "„Morwinek - Kontakty”";
    QTest::newRow("new contact still unnamed") << "new"
                                               << "„Morwinek - Kontakty”";
    QTest::newRow("typed appointment") << "appointment"
                                       << "„Morwinek - Terminy”";
}

void TestSyncGuard::unsavedWindow_holdsTheSync()
{
    QFETCH(QString, window);
    QFETCH(QString, said);
    SyncFixture f;
    SyncController &sync = f.sync();
    if (window == "appointment") {
        f.main->Terminy->trigger();
        QTest::keyClicks(Form_Terminy->eData, "24.12.2026");
    } else {
        f.main->Kontakty->trigger();
        if (window == "new") {
            QTest::mouseClick(Form_Notatniczek->Button_Dodaj, Qt::LeftButton);
        } else {
            QTest::keyClicks(Form_Notatniczek->Edit_TelKom, "600");
        }
    }
    f.main->Synchronizacja->trigger();
    QTest::mouseClick(Form_Synchronizacja->Button_Synchronizuj, Qt::LeftButton);
    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    QVERIFY2(f.sim.prompter.boxes[0].text.contains(said), qPrintable(f.sim.prompter.boxes[0].text));
    QCOMPARE(f.sim.prompter.boxes[0].caption, QStringLiteral("Wyjaśnienie"));
    // The automatic one waits and tries again.
    f.main->settings().syncMinutes = 30;
    QVERIFY(sync.start(SyncController::Automatic) != SyncController::Block::None);
    QVERIFY(sync.retryPending());
    QVERIFY(!f.engine || f.engine->jobs.isEmpty());
}

void TestSyncGuard::windowsUsableDuringSync_editsHeld_thenReloaded()
{
    SyncFixture f;
    SyncController &sync = f.sync();
    f.main->Kontakty->trigger();
    QTest::mouseClick(Form_Notatniczek->Button_Ostatni, Qt::LeftButton);
    QCOMPARE(Form_Notatniczek->Edit_ID->text().trimmed(), QStringLiteral("00002"));
    QCOMPARE(sync.start(SyncController::ByHand), SyncController::Block::None);
    QCOMPARE(f.engine->jobs.size(), 1);
    QCOMPARE(f.engine->jobs[0].password, QStringLiteral("tajne"));
    // Browsing works during the job...
    QVERIFY(Form_Notatniczek->isEnabled());
    QTest::mouseClick(Form_Notatniczek->Button_Pierwszy, Qt::LeftButton);
    QCOMPARE(Form_Notatniczek->Edit_ID->text().trimmed(), QStringLiteral("00001"));
    QVERIFY(Form_Notatniczek->windowTitle().contains(QStringLiteral("tylko do odczytu")));
    // ...but nothing is typed or saved, and a save says why.
    const QByteArray book = f.readFile(QStringLiteral("Morwinek.data"));
    QTest::keyClicks(Form_Notatniczek->Edit_TelKom, "600");
    QVERIFY(Form_Notatniczek->Edit_TelKom->text().trimmed().isEmpty());
    QVERIFY(!Form_Notatniczek->hasUnsavedChanges());
    for (QToolButton *b :
         {Form_Notatniczek->Button_Zapisz, Form_Notatniczek->Button_Dodaj, Form_Notatniczek->Button_Kasuj}) {
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QCOMPARE(f.sim.prompter.boxes.size(), 3);
    for (const FakePrompter::Box &box : std::as_const(f.sim.prompter.boxes)) {
        QCOMPARE(box.text, SyncController::editsHeldText());
    }
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.data")), book);
    // "Zamknij" closes it; opened again during the job, it takes no edits either.
    QTest::mouseClick(Form_Notatniczek->Button_Zamknij, Qt::LeftButton);
    QTRY_VERIFY(Form_Notatniczek.isNull());
    f.main->Kontakty->trigger();
    QVERIFY(Form_Notatniczek->Edit_TelKom->isReadOnly());
    QTest::mouseClick(Form_Notatniczek->Button_Ostatni, Qt::LeftButton);
    f.main->Terminy->trigger();
    QVERIFY(Form_Terminy->isEnabled());
    QVERIFY(Form_Terminy->eData->isReadOnly() && Form_Terminy->eOpis->isReadOnly());
    QCOMPARE(sync.start(SyncController::ByHand), SyncController::Block::Busy);
    // What the job brings: a contact sorted before the shown one, and an appointment.
    f.writeFile(QStringLiteral("Morwinek.data"),
                lineFor("00003", "Baran Ewa") + "\r\n" + f.readFile(QStringLiteral("Morwinek.data")));
    f.writeFile(QStringLiteral("Morwinek.term"),
                Cp1250::encode(AppointmentRecord::encode({"24.12.2026", "", "Kraków", "Wigilia"})) + "\r\n");
    f.engine->end();
    QVERIFY(!Form_Notatniczek->Edit_TelKom->isReadOnly() && !Form_Terminy->eData->isReadOnly());
    QCOMPARE(Form_Notatniczek->windowTitle(), QStringLiteral("Morwinek - Kontakty"));
    QCOMPARE(Form_Terminy->windowTitle(), QStringLiteral("Morwinek - Terminy"));
    QCOMPARE(Form_Notatniczek->book().count(), 3);
    QCOMPARE(Form_Notatniczek->Edit_ID->text().trimmed(), QStringLiteral("00002")); // the same contact shown
    QCOMPARE(Form_Notatniczek->Label_Ile->text(), QStringLiteral("3/3"));
    QVERIFY(!Form_Terminy->ListView1->findItems(QStringLiteral("Wigilia"), Qt::MatchExactly, 3).isEmpty());
    QVERIFY(!Form_Terminy->isUnsaved());
}

void TestSyncGuard::syncWindow_countsAndKeepsItsLayout()
{
    SyncFixture f;
    SyncController &sync = f.sync();
    f.main->Synchronizacja->trigger();
    TForm_Synchronizacja &w = *Form_Synchronizacja;
    const auto przerwij = w.findChild<QPushButton *>(QStringLiteral("Button_Przerwij"));
    QVERIFY(przerwij && !przerwij->isEnabled());
    const QSize size = w.size();
    const QRect closeAt = w.Button_Zamknij->geometry();
    QCOMPARE(sync.start(SyncController::ByHand), SyncController::Block::None);
    QVERIFY(przerwij->isEnabled());
    emit f.engine->progress(1200, 5001);
    QCOMPARE(w.Label_Stan->text(), QStringLiteral("Synchronizacja trwa: wysłano 1\u00A0200 z 5\u00A0001."));
    QCOMPARE(w.ProgressBar1->value(), 1200);
    // A long result, a long error: the window and its buttons stay where they were.
    const QString longError = QStringLiteral("Serwer dav.example odpowiedział błędem, który trzeba opisać wieloma "
                                             "słowami, żeby użytkownik wiedział, co się stało i co może zrobić. ")
                                  .repeated(4);
    f.engine->end(longError);
    QCOMPARE(w.size(), size);
    QCOMPARE(w.Button_Zamknij->geometry(), closeAt);
    QVERIFY(!przerwij->isEnabled());
    // Each caption of the sync button fits with room on both sides.
    for (const QString caption : {QStringLiteral("Synchronizuj teraz"), QStringLiteral("Wznów synchronizację")}) {
        const int text = w.Button_Synchronizuj->fontMetrics().horizontalAdvance(caption);
        QVERIFY2(w.Button_Synchronizuj->width() >= text + 16, qPrintable(caption));
    }
}

void TestSyncGuard::cancel_endsTheJob_noFailureTold()
{
    SyncFixture f(5);
    SyncController &sync = f.sync();
    QTRY_VERIFY(f.engine && f.engine->jobs.size() == 1); // the automatic one after start
    QSignalSpy failed(&sync, &SyncController::automaticFailed);
    QVERIFY(sync.cancel());
    QCOMPARE(f.engine->cancelled, 1);
    f.engine->end(QStringLiteral("Przerwano synchronizację."));
    QCOMPARE(failed.size(), 0); // the user ended it: nothing to tell at the tray
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), QStringLiteral("Morwinek"));
    QVERIFY(!sync.cancel()); // nothing runs
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    f.engine->end(QStringLiteral("Serwer dav.example nie odpowiedział."));
    QCOMPARE(failed.size(), 1); // a failure of its own is told as before
}

void TestSyncGuard::automatic_afterStartAndOncePerInterval()
{
    SyncFixture every5(5);
    SyncController &sync = every5.sync();
    QTRY_VERIFY(every5.engine && every5.engine->jobs.size() == 1); // once the loop runs
    QCOMPARE(sync.intervalMinutes(), 5);
    every5.engine->end();
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    SyncFixture byHand(0);
    byHand.sync();
    QTest::qWait(50);
    QVERIFY(!byHand.engine); // never made, never asked
    QCOMPARE(byHand.main->sync()->intervalMinutes(), 0);
}

void TestSyncGuard::noKeyring_passwordAskedOncePerRun()
{
    SyncFixture f(10, false);
    SyncController &sync = f.sync();
    QTRY_COMPARE(f.asked, 1); // the start-up job asked, and the user declined
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::Paused);
    QCOMPARE(f.asked, 1);
    // Typed in the window: kept for the run, never in the settings file.
    f.main->Synchronizacja->trigger();
    Form_Synchronizacja->Edit_Haslo->setText(QStringLiteral("sekret-77"));
    QVERIFY(!Form_Synchronizacja->Check_Zapamietaj->isEnabled());
    QTest::mouseClick(Form_Synchronizacja->Button_Synchronizuj, Qt::LeftButton);
    QCOMPARE(f.engine->jobs.size(), 1);
    QCOMPARE(f.engine->jobs[0].password, QStringLiteral("sekret-77"));
    f.engine->end();
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    QCOMPARE(f.engine->jobs.last().password, QStringLiteral("sekret-77"));
    Form_Synchronizacja->close();
    QVERIFY(!f.readFile(QStringLiteral("Morwinek.ini")).contains("sekret"));
    QVERIFY(f.readFile(QStringLiteral("Morwinek.ini")).contains("Adres=" + address.toLatin1()));
}

void TestSyncGuard::automaticFailure_toldAtTheTray_resultKeptForTheNextRun()
{
    SyncFixture f;
    SyncController &sync = f.sync();
    QSignalSpy told(&sync, &SyncController::automaticFailed);
    QCOMPARE(sync.start(SyncController::ByHand), SyncController::Block::None);
    f.engine->end(QStringLiteral("Serwer dav.example nie odpowiedział w ciągu 60 s."));
    QCOMPARE(told.size(), 0); // the user started it and sees the window
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), QStringLiteral("Morwinek"));
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    f.engine->end(QStringLiteral("Serwer dav.example nie przyjął nazwy użytkownika lub hasła."));
    QCOMPARE(told.size(), 1);
    QCOMPARE(f.main->RxTrayIcon1->toolTip(),
             QStringLiteral("Morwinek\nSynchronizacja nie powiodła się: Serwer dav.example nie przyjął nazwy "
                            "użytkownika lub hasła."));
    QVERIFY(f.readFile(QStringLiteral("Morwinek.ini"))
                .contains(Cp1250::encode(QStringLiteral("Ostatni_blad=Serwer dav.example nie przyjął"))));

    // The next run shows the last result before any sync of its own.
    SyncController nextRun(f.sim.services, f.main->settings());
    QVERIFY(nextRun.lastOutcome().has_value());
    QVERIFY(!nextRun.lastOutcome()->ok);
    QCOMPARE(nextRun.lastOutcome()->error,
             QStringLiteral("Serwer dav.example nie przyjął nazwy użytkownika lub hasła."));
    QCOMPARE(nextRun.lastOutcome()->contacts.sent, 2);
    QCOMPARE(nextRun.lastOutcome()->appointments.conflicts, 1);
    QCOMPARE(nextRun.lastOutcome()->finishedAt.date(), sync.lastOutcome()->finishedAt.date());

    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    f.engine->end();
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), QStringLiteral("Morwinek"));
    QVERIFY(f.readFile(QStringLiteral("Morwinek.ini")).contains("Ostatni_blad=\r\n"));
}

void TestSyncGuard::declinedPassword_pausesAutomaticSync_untilTheUserAsks_data()
{
    QTest::addColumn<bool>("byTray");    // the tray's entry, else the window's button
    QTest::addColumn<QString>("answer"); // empty: declined again
    QTest::newRow("window's button") << false << "sekret";
    QTest::newRow("tray entry") << true << "sekret";
    QTest::newRow("declined again") << false << "";
}

void TestSyncGuard::declinedPassword_pausesAutomaticSync_untilTheUserAsks()
{
    QFETCH(bool, byTray);
    QFETCH(QString, answer);
    SyncFixture f(1, false); // every minute, no keyring
    SyncController &sync = f.sync();
    if (!byTray) {
        f.main->Synchronizacja->trigger(); // open while the start-up job asks
    }
    QTRY_COMPARE(f.asked, 1);
    const QString paused = QStringLiteral("Synchronizacja automatyczna wstrzymana — brak hasła.");
    QVERIFY(sync.paused());
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), "Morwinek\n" + paused);
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::Paused);
    QVERIFY(!sync.retryPending());
    QCOMPARE(f.asked, 1); // no automatic job asks behind the user's back
    f.main->sync()->askPassword = [&f, answer](const QString &) {
        ++f.asked;
        return answer.isEmpty() ? std::optional<QString>() : std::optional<QString>(answer);
    };
    if (byTray) {
        f.main->Synchronizacja->trigger();
    } else {
        QVERIFY2(Form_Synchronizacja->Label_Stan->text().startsWith(paused),
                 qPrintable(Form_Synchronizacja->Label_Stan->text()));
        QCOMPARE(Form_Synchronizacja->Button_Synchronizuj->text(), QStringLiteral("&Wznów synchronizację"));
        QTest::mouseClick(Form_Synchronizacja->Button_Synchronizuj, Qt::LeftButton);
    }
    QCOMPARE(f.asked, 2);
    QCOMPARE(sync.paused(), answer.isEmpty());
    QCOMPARE(Form_Synchronizacja->Button_Synchronizuj->text(),
             answer.isEmpty() ? QStringLiteral("&Wznów synchronizację") : QStringLiteral("&Synchronizuj teraz"));
    QVERIFY(f.sim.prompter.boxes.isEmpty());
    if (answer.isEmpty()) {
        QVERIFY(!f.engine || f.engine->jobs.isEmpty());
        return;
    }
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), QStringLiteral("Morwinek"));
    QCOMPARE(f.engine->jobs.size(), 1);
    QCOMPARE(f.engine->jobs[0].password, answer);
    f.engine->end();
    QCOMPARE(sync.start(SyncController::Automatic), SyncController::Block::None);
    QCOMPARE(f.engine->jobs.last().password, answer);
}

void TestSyncGuard::lockedKeyring_toldInPolish_passwordNotMarkedKept()
{
    SyncFixture f;
    f.keyring.refusal = QStringLiteral("Portfel haseł jest zablokowany albo nie pozwolił na zapis.");
    f.sync();
    f.main->Synchronizacja->trigger();
    Form_Synchronizacja->Edit_Haslo->setText(QStringLiteral("nowe-haslo"));
    QVERIFY(Form_Synchronizacja->Check_Zapamietaj->isChecked()); // the old one was kept
    QTest::mouseClick(Form_Synchronizacja->Button_Synchronizuj, Qt::LeftButton);
    QCOMPARE(f.engine->jobs.last().password, QStringLiteral("nowe-haslo")); // used for this run all the same
    QVERIFY(f.sim.prompter.boxes.isEmpty());                                // kept only once the server took it
    f.engine->end();
    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    QVERIFY2(f.sim.prompter.boxes[0].text.endsWith(f.keyring.refusal), qPrintable(f.sim.prompter.boxes[0].text));
    QVERIFY(!Form_Synchronizacja->Check_Zapamietaj->isChecked());
}

void TestSyncGuard::outage_toldOnceWhenItBeginsAndOnceWhenItEnds()
{
    SyncFixture f;
    SyncController &sync = f.sync();
    QSignalSpy failed(&sync, &SyncController::automaticFailed);
    QSignalSpy recovered(&sync, &SyncController::recovered);
    const auto run = [&](SyncController::Trigger trigger, const QString &error) {
        QCOMPARE(sync.start(trigger), SyncController::Block::None);
        f.engine->end(error);
    };
    const QString down = QStringLiteral("Nie można połączyć się z serwerem dav.example: serwer odmówił połączenia.");
    for (int i = 0; i < 3; ++i) {
        run(SyncController::Automatic, down);
    }
    run(SyncController::ByHand, down);
    QCOMPARE(failed.size(), 3); // each keeps the tooltip up to date...
    QList<bool> newOutage;
    for (const QList<QVariant> &args : std::as_const(failed)) {
        newOutage << args[1].toBool();
    }
    QCOMPARE(newOutage, (QList<bool>{true, false, false})); // ...one message says it
    QCOMPARE(recovered.size(), 0);
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), "Morwinek\nSynchronizacja nie powiodła się: " + down);
    run(SyncController::Automatic, {});
    QCOMPARE(recovered.size(), 1);
    QCOMPARE(f.main->RxTrayIcon1->toolTip(), QStringLiteral("Morwinek"));
    run(SyncController::Automatic, {});
    QCOMPARE(recovered.size(), 1);
    run(SyncController::Automatic, down); // a new outage is told again
    QCOMPARE(failed.last()[1].toBool(), true);
}

void TestSyncGuard::heldJob_askedThenRunAllowed_data()
{
    using D = SyncAccount::Deletions;
    QTest::addColumn<int>("what");
    QTest::addColumn<bool>("calendar");
    QTest::addColumn<bool>("emptied");
    QTest::addColumn<bool>("byHand");
    QTest::addColumn<int>("answer"); // deletions: the button, -1 the box closed; a copy: Prompter's answer
    QTest::addColumn<int>("jobs");   // 2: run again as answered
    QTest::addColumn<int>("contacts");
    QTest::addColumn<int>("appointments");
    const int deletions = SyncOutcome::Held::Deletions;
    QTest::newRow("contacts, delete here")
        << deletions << false << false << true << 0 << 2 << int(D::DeleteHere) << int(D::Ask);
    QTest::newRow("server emptied, send back")
        << deletions << false << true << true << 1 << 2 << int(D::SendBack) << int(D::Ask);
    QTest::newRow("change nothing") << deletions << false << true << true << 2 << 1 << int(D::Ask) << int(D::Ask);
    QTest::newRow("box closed") << deletions << false << false << true << -1 << 1 << int(D::Ask) << int(D::Ask);
    QTest::newRow("appointments, send back: the contacts still asked")
        << deletions << true << true << true << 1 << 2 << int(D::Ask) << int(D::SendBack);
    QTest::newRow("copy, yes") << int(SyncOutcome::Held::Copy) << false << false << true << int(Prompter::Yes) << 2
                               << int(D::Ask) << int(D::Ask);
    QTest::newRow("automatic: never asked")
        << deletions << false << true << false << 0 << 1 << int(D::Ask) << int(D::Ask);
}

void TestSyncGuard::heldJob_askedThenRunAllowed()
{
    QFETCH(int, what);
    QFETCH(bool, calendar);
    QFETCH(bool, emptied);
    QFETCH(bool, byHand);
    QFETCH(int, answer);
    QFETCH(int, jobs);
    QFETCH(int, contacts);
    QFETCH(int, appointments);
    SyncFixture f;
    SyncController &sync = f.sync();
    const bool copy = what == SyncOutcome::Held::Copy;
    if (copy) {
        f.sim.prompter.answers = {Prompter::Answer(answer)};
    } else if (answer >= 0) {
        f.sim.prompter.choices = {answer};
    }
    QCOMPARE(sync.start(byHand ? SyncController::ByHand : SyncController::Automatic), SyncController::Block::None);
    f.engine->end(QStringLiteral("Synchronizacja usunęłaby tutaj 9 z 10 kontaktów."),
                  {SyncOutcome::Held::What(what), 9, 10, calendar, emptied});
    QCOMPARE(f.sim.prompter.boxes.size(), byHand ? 1 : 0);
    if (byHand) {
        const FakePrompter::Box &box = f.sim.prompter.boxes[0];
        QCOMPARE(box.caption, QStringLiteral("Ostrzeżenie!"));
        if (!copy) {
            QVERIFY2(
                box.text.contains(calendar ? QStringLiteral("9 z 10 terminów") : QStringLiteral("9 z 10 kontaktów")),
                qPrintable(box.text));
            QCOMPARE(box.text.contains(QStringLiteral("wszystkie")), emptied);
            QCOMPARE(box.buttons,
                     (QStringList{QStringLiteral("&Usuń tutaj"),
                                  QStringLiteral("&Zachowaj i wyślij na serwer"),
                                  QStringLiteral("&Nic nie zmieniaj")}));
            QCOMPARE(box.flags & 0xF00, unsigned(MB_DEFBUTTON3)); // Enter changes nothing
        }
    }
    QCOMPARE(f.engine->jobs.size(), jobs);
    const SyncAccount &last = f.engine->jobs.last();
    QCOMPARE(int(last.contactDeletions), contacts);
    QCOMPARE(int(last.appointmentDeletions), appointments);
    QCOMPARE(last.allowCopy, jobs == 2 && copy);
    if (jobs == 2) { // answered once: the next job asks again
        f.engine->end();
        QCOMPARE(sync.start(SyncController::ByHand), SyncController::Block::None);
        const SyncAccount &next = f.engine->jobs.last();
        QVERIFY(next.contactDeletions == SyncAccount::Deletions::Ask
                && next.appointmentDeletions == SyncAccount::Deletions::Ask && !next.allowCopy);
    }
}

// The question as the desktop shows it: the buttons in the order given, the one asked for as the
// default, and Escape as the last.
void TestSyncGuard::threeAnswers_onScreen_data()
{
    QTest::addColumn<int>("click"); // -1: Escape
    QTest::addColumn<int>("answer");
    QTest::newRow("first") << 0 << 0;
    QTest::newRow("second") << 1 << 1;
    QTest::newRow("Escape is the last") << -1 << 2;
}

void TestSyncGuard::threeAnswers_onScreen()
{
    QFETCH(int, click);
    const QStringList buttons{QStringLiteral("&Usuń tutaj"),
                              QStringLiteral("&Zachowaj i wyślij na serwer"),
                              QStringLiteral("&Nic nie zmieniaj")};
    QStringList shown;
    QString defaultText;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            if (QWidget *other = QApplication::activeModalWidget()) {
                other->close();
            }
            return;
        }
        QList<QAbstractButton *> inOrder;
        for (int i = 0; i < buttons.size(); ++i) {
            auto *button = box->findChild<QPushButton *>(QStringLiteral("Button_%1").arg(i));
            shown.append(button ? button->text() : QString());
            inOrder.append(button);
        }
        defaultText = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (click < 0) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (inOrder[click]) {
            inOrder[click]->click();
        }
    });
    QtPrompter prompter;
    const int answer =
        prompter.choose(nullptr, QStringLiteral("Pytanie"), QStringLiteral("Ostrzeżenie!"), buttons, MB_DEFBUTTON3);
    QCOMPARE(shown, buttons);
    QCOMPARE(defaultText, buttons[2]);
    QTEST(answer, "answer");
}

QTEST_MAIN(TestSyncGuard)
#include "tst_syncguard.moc"
