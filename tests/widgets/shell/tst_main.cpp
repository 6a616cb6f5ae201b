#include "support/ShellFixture.h"

#include "widgets/shell/QtPrompter.h"
#include "widgets/shell/ShellWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>

namespace {

bool closeStepsRan = false;

// Two stand-in window kinds, opened through the same mechanism as the real windows.
class WindowA : public ShellWindow
{
public:
    explicit WindowA(Services &, QWidget *parent = nullptr)
        : ShellWindow(parent)
    {}

protected:
    void closeEvent(QCloseEvent *event) override
    {
        closeStepsRan = true;
        ShellWindow::closeEvent(event);
    }
};
class WindowB : public ShellWindow
{
public:
    explicit WindowB(Services &, QWidget *parent = nullptr)
        : ShellWindow(parent)
    {}
};
QPointer<WindowA> Form_A;
QPointer<WindowB> Form_B;

} // namespace

class TestMain : public QObject
{
    Q_OBJECT
private slots:
    void trayMenu_hasItemsInOrder();
    void openingTwice_beepsAndKeepsOneWindow();
    void icon_followsOpenWindows();
    void dueIcon_staysUntilAWindowClosed();
    void programEnd_destroysWindowsWithoutCloseSteps();
    void onlineHelp_prefersLocalIndex();
    void quit_endsLoop();
    void quitDuringModalWindow_endsBeforeMainLoop();
    void quitDuringNestedDialog_cancelsItAndEndsTheReminder();
    void settings_failedWriteIsShownAndKeepsFile();
    void quickDialMenu_hiddenWithoutLineDevices();
};

void TestMain::trayMenu_hasItemsInOrder()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    QStringList names;
    QStringList captions;
    for (QAction *a : main.PopupMenu1->actions()) {
        names << a->objectName();
        if (!a->isSeparator()) {
            captions << a->text();
        }
    }
    QCOMPARE(names,
             QStringList({"Pomoc1",
                          "N4",
                          "MI1",
                          "MI2",
                          "MI3",
                          "MI4",
                          "MI5",
                          "MI6",
                          "MI7",
                          "MI8",
                          "N2",
                          "Synchronizacja",
                          "Informacje",
                          "Biorytmy",
                          "Kalkulacje",
                          "Terminy",
                          "Kontakty",
                          "N1",
                          "Zakoncz1"}));
    QCOMPARE(captions.first(), QStringLiteral("Pomoc internetowa"));
    QCOMPARE(captions.last(), QStringLiteral("Zakończ"));
    QVERIFY(captions.contains(QStringLiteral("Morwinek - Kontakty")));
    QVERIFY(!main.N4->isVisible());
    for (int n = 1; n <= 8; ++n) {
        QVERIFY(!main.MI[n]->isVisible() && !main.MI[n]->isEnabled());
    }
    QCOMPARE(main.trayIconIndex(), int(TForm_Main::IconIdle));
}

void TestMain::openingTwice_beepsAndKeepsOneWindow()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    WindowA *first = main.openWindow(Form_A);
    QVERIFY(first);
    QVERIFY(f.sim.prompter.beeps.isEmpty());
    WindowA *second = main.openWindow(Form_A);
    QCOMPARE(second, first);
    QCOMPARE(f.sim.prompter.beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(ShellWindow::openCount(), 1);
    first->close();
    QTRY_VERIFY(Form_A.isNull());
    QCOMPARE(ShellWindow::openCount(), 0);
}

void TestMain::icon_followsOpenWindows()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    QSignalSpy spy(&main, &TForm_Main::trayIconChanged);
    bool setupRan = false;
    main.openWindow<WindowA>(Form_A, [&](WindowA &) {
        setupRan = true;
    });
    QVERIFY(setupRan);
    QCOMPARE(main.trayIconIndex(), 1);
    main.openWindow(Form_B);
    QCOMPARE(main.trayIconIndex(), 1);
    Form_A->close();
    QTRY_VERIFY(Form_A.isNull());
    QCOMPARE(main.trayIconIndex(), 1); // the other window is still open
    Form_B->close();
    QTRY_VERIFY(Form_B.isNull());
    QCOMPARE(main.trayIconIndex(), 0);
    QVERIFY(spy.count() >= 2);
}

void TestMain::dueIcon_staysUntilAWindowClosed()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    main.setTrayIcon(TForm_Main::IconDue);
    main.UstawIkonke(); // no window open, but the rule only ever resets to idle
    QCOMPARE(main.trayIconIndex(), 0);
    main.setTrayIcon(TForm_Main::IconDue);
    main.openWindow(Form_B);
    QCOMPARE(main.trayIconIndex(), 1);
    Form_B->close();
    QTRY_VERIFY(Form_B.isNull());
    QCOMPARE(main.trayIconIndex(), 0);
}

void TestMain::programEnd_destroysWindowsWithoutCloseSteps()
{
    ShellFixture f;
    f.start();
    f.main->openWindow(Form_A);
    QPointer<WindowA> window = Form_A;
    closeStepsRan = false;
    f.main.reset();
    QVERIFY(window.isNull());
    QVERIFY(!closeStepsRan);
    QCOMPARE(ShellWindow::openCount(), 0);
}

void TestMain::onlineHelp_prefersLocalIndex()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    // A build configured without a web page says the help is missing.
    main.setProjectAddresses(QString(), QString());
    main.Pomoc1->trigger();
    QVERIFY(f.sim.shell.opened.isEmpty());
    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    QVERIFY(f.sim.prompter.boxes.first().text.contains(QStringLiteral("index.html")));
    main.setProjectAddresses(QStringLiteral("https://morwinek.test/"), QString());
    main.Pomoc1->trigger();
    QCOMPARE(f.sim.shell.opened.size(), 1);
    QCOMPARE(f.sim.shell.opened.first().toString(), QStringLiteral("https://morwinek.test/pomoc.html"));
    f.writeFile("index.html", "<html></html>");
    main.Pomoc1->trigger();
    QCOMPARE(f.sim.shell.opened.last(), QUrl::fromLocalFile(f.path("index.html")));
    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    // No browser on this desktop: the opener took the page and failed, and the user is told
    // where the help is.
    f.sim.shell.failsLater = true;
    main.Pomoc1->trigger();
    QTRY_COMPARE(f.sim.prompter.boxes.size(), 2);
    QCOMPARE(f.sim.prompter.boxes.last().caption, QStringLiteral("Informacja!"));
    QVERIFY2(f.sim.prompter.boxes.last().text.endsWith(u'\n' + f.path("index.html")),
             qPrintable(f.sim.prompter.boxes.last().text));
}

void TestMain::quit_endsLoop()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    QTimer::singleShot(0, main.Zakoncz1, &QAction::trigger);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    bool timedOut = false;
    connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QApplication::exit(1);
    });
    watchdog.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!timedOut);
}

void TestMain::quitDuringModalWindow_endsBeforeMainLoop()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    QVERIFY(!main.endRequested());
    QPointer<WindowB> window = new WindowB(f.sim.services);
    QTimer::singleShot(0, main.Zakoncz1, &QAction::trigger);
    QTimer::singleShot(5000, window, &QWidget::close); // a fallback, so a failure cannot hang
    window->execModal();
    QVERIFY(main.endRequested());
    QVERIFY(!window.isNull()); // the loop ended because of the quit, not because the window closed
    delete window.data();
}

void TestMain::quitDuringNestedDialog_cancelsItAndEndsTheReminder()
{
    ShellFixture f;
    TForm_Main &main = f.start();
    QPointer<WindowB> window = new WindowB(f.sim.services);
    Prompter::Answer answer = Prompter::Ok;
    bool fallbackUsed = false;
    QTimer fallback; // so a failure cannot hang
    fallback.setSingleShot(true);
    connect(&fallback, &QTimer::timeout, [&] {
        fallbackUsed = true;
        if (QWidget *modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    QTimer::singleShot(0, window, [&] {
        QtPrompter prompter;
        QTimer::singleShot(0, main.Zakoncz1, &QAction::trigger);
        fallback.start(5000);
        answer = prompter.messageBox(window, u"Usunąć?"_qs, u"Ostrzeżenie!"_qs, MB_YESNO);
    });
    window->execModal();
    QVERIFY(!fallbackUsed);
    QCOMPARE(answer, Prompter::No); // the question ends unanswered, as a refusal
    QVERIFY(main.endRequested());
    delete window.data();
}

void TestMain::settings_failedWriteIsShownAndKeepsFile()
{
    ShellFixture f;
    f.writeFile("Morwinek.ini", "[Terminy]\r\nZAKRES=5\r\n");
    TForm_Main &main = f.start();
    QCOMPARE(main.settings().range, 5);
    main.settings().lastPosition = 4;
    main.saveSettings();
    QVERIFY(f.readFile("Morwinek.ini").contains("Ostatnia_Pozycja=5\r\n"));
    QVERIFY(f.sim.prompter.boxes.isEmpty());

    // A folder where the file should be makes the replacement fail.
    f.sim.services.dataDir = f.path("missing-folder");
    main.saveSettings();
    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    QCOMPARE(f.sim.prompter.boxes.first().caption, QStringLiteral("Błąd!"));
    QVERIFY(!f.sim.prompter.boxes.first().text.isEmpty());
}

void TestMain::quickDialMenu_hiddenWithoutLineDevices()
{
    ShellFixture f;
    f.writeFile("Morwinek.ini", "[Szybkie wybieranie]\r\n01_Nazwa_=Biuro\r\n01Telefon=123\r\n02_Nazwa_=Dom\r\n");
    TForm_Main &main = f.start();
    main.PopupMenu1Popup();
    QVERIFY(!main.N4->isVisible());
    QVERIFY(!main.MI[1]->isVisible());

    main.lineDeviceCount = [] {
        return 1;
    };
    main.PopupMenu1Popup();
    QVERIFY(main.N4->isVisible());
    QVERIFY(main.MI[1]->isVisible() && main.MI[1]->isEnabled());
    QCOMPARE(main.MI[1]->text(), QStringLiteral("Biuro"));
    QCOMPARE(main.MI[1]->toolTip(), QStringLiteral("123"));
    QVERIFY(main.MI[2]->isVisible() && !main.MI[2]->isEnabled()); // a name without a number
    QVERIFY(!main.MI[3]->isVisible());
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
