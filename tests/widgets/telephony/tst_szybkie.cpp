#include "support/ShellFixture.h"

#include "core/common/TextFile.h"
#include "platform/sim/FakeLineApi.h"
#include "widgets/contacts/ContactEditors.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

// The main window over a fake telephony interface, with quick-dial entries from the settings file.
struct QuickFixture
{
    FakeLineApi api;
    ShellFixture shell;

    explicit QuickFixture(int devices = 1, const QByteArray &ini = {})
    {
        api.devices.resize(devices);
        shell.sim.services.lineApi = &api;
        if (!ini.isEmpty()) {
            shell.writeFile(QStringLiteral("Morwinek.ini"), "[Szybkie wybieranie]\r\n" + ini);
        }
    }
    FakePrompter &prompter() { return shell.sim.prompter; }
    Settings &settings() { return shell.main->settings(); }
    TForm_Notatniczek *contacts(const QString &name, const QString &company)
    {
        Contact c;
        c.ID = QStringLiteral("10000");
        c.Nazwa = name;
        c.Firma = company;
        c.TelDom = QStringLiteral(" 111 ");
        c.TelSlu = QStringLiteral("222");
        c.TelKom = QStringLiteral("333");
        shell.writeFile(QStringLiteral("Morwinek.data"), TextFile::joinLines({c.toLine()}));
        shell.start().Kontakty->trigger();
        return Form_Notatniczek;
    }
    TForm_Szybkie *editor()
    {
        if (!shell.main) {
            shell.start();
        }
        shell.main->Kontakty->trigger();
        QTest::mouseClick(Form_Notatniczek->Button_Szybkie, Qt::LeftButton);
        return Form_Szybkie;
    }
};

} // namespace

class TestSzybkie : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void editor_layoutAndTabOrder();
    void editor_refusedWithoutModem();
    void editor_openedOnce();
    void editor_keys_data();
    void editor_keys();
    void editor_okTakesOverAndRebuildsMenu();
    void editor_escAndCancelKeepList();
    void addButtons_data();
    void addButtons();
};

void TestSzybkie::cleanup()
{
    QVERIFY(Form_Szybkie.isNull() || Form_Szybkie->close());
    QTRY_VERIFY(Form_Szybkie.isNull());
}

void TestSzybkie::editor_layoutAndTabOrder()
{
    QuickFixture f;
    TForm_Szybkie *e = f.editor();
    QVERIFY(e);
    QCOMPARE(e->windowTitle(), QStringLiteral("Morwinek - Szybkie wybieranie"));
    const auto next = [](QWidget *w) {
        do {
            w = w->nextInFocusChain();
        } while (w->focusPolicy() == Qt::NoFocus);
        return w;
    };
    QWidget *w = e->EN[1];
    for (int n = 1; n <= 8; ++n) {
        for (QLineEdit *box : {e->EN[n], e->ET[n]}) {
            QCOMPARE(w, static_cast<QWidget *>(box));
            QCOMPARE(box->maxLength(), 32);
            QCOMPARE(box->width(), 121);
            w = next(w);
        }
    }
    QCOMPARE(w, static_cast<QWidget *>(e->Button_OK));
    QCOMPARE(next(w), static_cast<QWidget *>(e->Button_Zamknij));
    QCOMPARE(f.shell.main->trayIconIndex(), int(TForm_Main::IconOpen));
}

void TestSzybkie::editor_refusedWithoutModem()
{
    QuickFixture f(0);
    QVERIFY(!f.editor());
    QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(f.prompter().boxes.size(), 1);
    QCOMPARE(f.prompter().boxes.first().text, QStringLiteral("W tym komputerze nie zainstalowano modemu!"));
    QCOMPARE(f.prompter().boxes.first().caption, QStringLiteral("Błąd!"));
}

void TestSzybkie::editor_openedOnce()
{
    QuickFixture f(1, "01_Nazwa_=Biuro\r\n01Telefon=123\r\n");
    TForm_Szybkie *e = f.editor();
    QCOMPARE(e->EN[1]->text(), QStringLiteral("Biuro"));
    QCOMPARE(e->ET[1]->text(), QStringLiteral("123"));
    QVERIFY(f.prompter().beeps.isEmpty());
    QTest::mouseClick(Form_Notatniczek->Button_Szybkie, Qt::LeftButton);
    QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(Form_Szybkie.data(), e);
    QCOMPARE(QApplication::topLevelWidgets().count(e), 1);
}

void TestSzybkie::editor_keys_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("to");
    QTest::newRow("F3 in a number box") << "ET1" << int(Qt::Key_F3) << 0 << "EN3";
    QTest::newRow("F8 on the OK button") << "Button_OK" << int(Qt::Key_F8) << 0 << "EN8";
    QTest::newRow("Shift+F5") << "EN2" << int(Qt::Key_F5) << int(Qt::ShiftModifier) << "ET5";
    QTest::newRow("Ctrl+F2 does nothing") << "EN1" << int(Qt::Key_F2) << int(Qt::ControlModifier) << "EN1";
    QTest::newRow("Enter moves on") << "EN4" << int(Qt::Key_Return) << 0 << "ET4";
    QTest::newRow("keypad Enter moves on") << "ET4" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "EN5";
    QTest::newRow("Enter after the last box") << "ET8" << int(Qt::Key_Return) << 0 << "Button_OK";
}

void TestSzybkie::editor_keys()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, to);
    QuickFixture f;
    TForm_Szybkie *e = f.editor();
    QWidget *start = e->findChild<QWidget *>(from);
    QApplication::setActiveWindow(e);
    QVERIFY(QTest::qWaitForWindowActive(e));
    start->setFocus();
    QTest::keyClick(start, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
    QVERIFY(f.settings().quickNames[1].isEmpty());
}

void TestSzybkie::editor_okTakesOverAndRebuildsMenu()
{
    QuickFixture f(1, "01_Nazwa_=Biuro\r\n01Telefon=123\r\n");
    TForm_Szybkie *e = f.editor();
    e->EN[1]->clear();
    e->EN[2]->setText(QStringLiteral(" Dom "));
    e->ET[2]->setText(QStringLiteral("456 "));
    e->EN[3]->setText(QStringLiteral("Bez numeru"));
    const QPointer<QWidget> freed = e;
    QTest::mouseClick(e->Button_OK, Qt::LeftButton);
    QVERIFY(Form_Szybkie.isNull());
    QTRY_VERIFY(freed.isNull());
    QCOMPARE(f.settings().quickNames[1], QString());
    QCOMPARE(f.settings().quickNumbers[1], QStringLiteral("123"));
    QCOMPARE(f.settings().quickNames[2], QStringLiteral(" Dom ")); // as typed
    QCOMPARE(f.settings().quickNumbers[2], QStringLiteral("456 "));
    // The menu was rebuilt on closing: a number without a name has no item.
    TForm_Main &main = *f.shell.main;
    QVERIFY(!main.MI[1]->isVisible());
    QVERIFY(main.MI[2]->isVisible() && main.MI[2]->isEnabled());
    QCOMPARE(main.MI[2]->text(), QStringLiteral(" Dom "));
    QVERIFY(main.MI[3]->isVisible() && !main.MI[3]->isEnabled());
    QVERIFY(main.N4->isVisible());
}

void TestSzybkie::editor_escAndCancelKeepList()
{
    QuickFixture f(1, "01_Nazwa_=Biuro\r\n01Telefon=123\r\n");
    for (bool esc : {true, false}) {
        TForm_Szybkie *e = f.editor();
        e->EN[1]->setText(QStringLiteral("Zmienione"));
        if (esc) {
            QTest::keyClick(e->ET[6], Qt::Key_Escape);
        } else {
            QTest::mouseClick(e->Button_Zamknij, Qt::LeftButton);
        }
        QTRY_VERIFY(Form_Szybkie.isNull());
        QCOMPARE(f.settings().quickNames[1], QStringLiteral("Biuro"));
        Form_Notatniczek->close();
        QTRY_VERIFY(Form_Notatniczek.isNull());
    }
    QCOMPARE(f.shell.main->trayIconIndex(), int(TForm_Main::IconIdle));
}

void TestSzybkie::addButtons_data()
{
    QTest::addColumn<int>("devices");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("entry"); // 0: nothing added
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::newRow("home, trimmed") << 1 << QByteArray() << ""
                                   << "SB_SzybkieTelDom" << 1 << "Biuro - dom"
                                   << "111";
    QTest::newRow("work with company") << 1 << QByteArray() << " Abc "
                                       << "SB_SzybkieTelSlu" << 1 << "Biuro - Abc"
                                       << "222";
    QTest::newRow("work without company") << 1 << QByteArray() << ""
                                          << "SB_SzybkieTelSlu" << 1 << "Biuro - praca"
                                          << "222";
    QTest::newRow("mobile") << 1 << QByteArray() << ""
                            << "SB_SzybkieTelKom" << 1 << "Biuro - komórka"
                            << "333";
    QTest::newRow("gap after emptied entry") << 1 << QByteArray("01_Nazwa_=A\r\n03_Nazwa_=C\r\n") << ""
                                             << "SB_SzybkieTelKom" << 2 << "Biuro - komórka"
                                             << "333";
    QTest::newRow("number without name is taken") << 1 << QByteArray("01Telefon=9\r\n") << ""
                                                  << "SB_SzybkieTelKom" << 2 << "Biuro - komórka"
                                                  << "333";
    QByteArray full;
    for (int n = 1; n <= 8; ++n) {
        full += "0" + QByteArray::number(n) + "_Nazwa_=X\r\n";
    }
    QTest::newRow("all eight taken") << 1 << full << ""
                                     << "SB_SzybkieTelDom" << 0 << ""
                                     << "";
    QTest::newRow("no modem") << 0 << QByteArray() << ""
                              << "SB_SzybkieTelDom" << 0 << ""
                              << "";
}

void TestSzybkie::addButtons()
{
    QFETCH(int, devices);
    QFETCH(QByteArray, ini);
    QFETCH(QString, company);
    QFETCH(QString, button);
    QFETCH(int, entry);
    QFETCH(QString, name);
    QFETCH(QString, number);
    QuickFixture f(devices, ini);
    TForm_Notatniczek *w = f.contacts(QStringLiteral("Biuro"), company);
    QVERIFY(w);
    const std::array<QString, 9> before = f.settings().quickNames;
    QTest::mouseClick(w->findChild<QToolButton *>(button), Qt::LeftButton);
    if (entry == 0) {
        QCOMPARE(f.settings().quickNames, before);
        QVERIFY(f.prompter().beeps.isEmpty());
    } else {
        QCOMPARE(f.settings().quickNames[entry], name);
        QCOMPARE(f.settings().quickNumbers[entry], number);
        QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Default});
    }
    QVERIFY(f.prompter().boxes.isEmpty());

    // A blank number adds nothing.
    f.prompter().clear();
    w->Edit_TelDom->setText(QStringLiteral("   "));
    const std::array<QString, 9> after = f.settings().quickNames;
    QTest::mouseClick(w->SB_SzybkieTelDom, Qt::LeftButton);
    QCOMPARE(f.settings().quickNames, after);
    QVERIFY(f.prompter().beeps.isEmpty());
    w->close();
    QTRY_VERIFY(Form_Notatniczek.isNull());
}

QTEST_MAIN(TestSzybkie)
#include "tst_szybkie.moc"
