#include "support/LineShellFixture.h"

#include "widgets/contacts/ContactEditors.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QByteArray biuro = "01_Nazwa_=Biuro\r\n01Telefon=123\r\n";

// The main window over a fake telephony interface, with quick-dial entries from the settings file.
struct QuickFixture : LineShellFixture
{
    explicit QuickFixture(int devices = 1, const QByteArray &ini = {})
        : LineShellFixture(devices)
    {
        if (!ini.isEmpty()) {
            shell.writeFile(QStringLiteral("Morwinek.ini"), "[Szybkie wybieranie]\r\n" + ini);
        }
    }
    Settings &settings() { return shell.main->settings(); }
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
    void cleanup()
    {
        QVERIFY(Form_Szybkie.isNull() || Form_Szybkie->close());
        QTRY_VERIFY(Form_Szybkie.isNull());
    }

    void editor_layoutAndTabOrder()
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

    void editor_refusedWithoutModem()
    {
        QuickFixture f(0);
        QVERIFY(!f.editor());
        QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
        QCOMPARE(f.prompter().boxes.size(), 1);
        QCOMPARE(f.prompter().boxes.first().text, QStringLiteral("W tym komputerze nie zainstalowano modemu!"));
        QCOMPARE(f.prompter().boxes.first().caption, QStringLiteral("Błąd!"));
    }

    void editor_openedOnce()
    {
        QuickFixture f(1, biuro);
        TForm_Szybkie *e = f.editor();
        QCOMPARE(e->EN[1]->text(), QStringLiteral("Biuro"));
        QCOMPARE(e->ET[1]->text(), QStringLiteral("123"));
        QVERIFY(f.prompter().beeps.isEmpty());
        QTest::mouseClick(Form_Notatniczek->Button_Szybkie, Qt::LeftButton);
        QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
        QCOMPARE(Form_Szybkie.data(), e);
        QCOMPARE(QApplication::topLevelWidgets().count(e), 1);
    }

    void editor_keys_data()
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
    void editor_keys()
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

    void editor_okTakesOverAndRebuildsMenu()
    {
        QuickFixture f(1, biuro);
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

    void editor_escAndCancelKeepList()
    {
        QuickFixture f(1, biuro);
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

    void addButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("entry"); // 0: nothing added
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("contact"); // the name in the name box; empty: "Biuro"
        const QString home = "SB_SzybkieTelDom", work = "SB_SzybkieTelSlu", mobile = "SB_SzybkieTelKom";
        QByteArray full;
        for (int n = 1; n <= 8; ++n) {
            full += "0" + QByteArray::number(n) + "_Nazwa_=X\r\n";
        }
        QTest::newRow("home, trimmed") << home << 1 << "" << 1 << "Biuro - dom" << QByteArray() << "111" << QString();
        QTest::newRow("work with company")
            << work << 1 << " Abc " << 1 << "Biuro - Abc" << QByteArray() << "222" << QString();
        QTest::newRow("work without company")
            << work << 1 << "" << 1 << "Biuro - praca" << QByteArray() << "222" << QString();
        QTest::newRow("mobile") << mobile << 1 << "" << 1 << "Biuro - komórka" << QByteArray() << "333" << QString();
        QTest::newRow("gap after emptied entry") << mobile << 1 << "" << 2 << "Biuro - komórka"
                                                 << QByteArray("01_Nazwa_=A\r\n03_Nazwa_=C\r\n") << "333" << QString();
        QTest::newRow("number without name is taken")
            << mobile << 1 << "" << 2 << "Biuro - komórka" << QByteArray("01Telefon=9\r\n") << "333" << QString();
        QTest::newRow("all eight taken") << home << 1 << "" << 0 << "" << full << "" << QString();
        QTest::newRow("no modem") << home << 0 << "" << 0 << "" << QByteArray() << "" << QString();
        // Stored whole, though the editor's boxes take only 32 typed characters.
        const QString longName = "Brzęczyszczykiewicz Grzegorz";
        QTest::newRow("long name, home") << home << 1 << "" << 1 << "Brzęczyszczykiewicz Grzegorz - dom" << QByteArray()
                                         << "111" << longName;
        QTest::newRow("long name, company")
            << work << 1 << "Abcdefghi" << 1 << "Brzęczyszczykiewicz Grzegorz - Abcdefghi" << QByteArray() << "222"
            << longName;
        QTest::newRow("company longer than the box")
            << work << 1 << "Przedsiębiorstwo Handlowe Kowalski" << 1
            << "Brzęczyszczykiewicz Grzegorz - Przedsiębiorstwo Handlowe Kowalski" << QByteArray() << "222" << longName;
    }
    void addButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, devices);
        QFETCH(QString, company);
        QFETCH(int, entry);
        QFETCH(QString, name);
        QFETCH(QByteArray, ini);
        QFETCH(QString, number);
        QFETCH(QString, contact);
        QuickFixture f(devices, ini);
        TForm_Notatniczek *w =
            f.openContact(QStringLiteral(" 111 "), QStringLiteral("222"), QStringLiteral("333"), company);
        QVERIFY(w);
        if (!contact.isEmpty()) {
            w->ComboBox_Nazwa->setEditText(contact);
        }
        const std::array<QString, 9> before = f.settings().quickNames;
        QTest::mouseClick(w->findChild<QToolButton *>(button), Qt::LeftButton);
        if (entry == 0) {
            QCOMPARE(f.settings().quickNames, before);
            QVERIFY(f.prompter().beeps.isEmpty());
        } else {
            QCOMPARE(f.settings().quickNames[entry], name);
            QCOMPARE(f.settings().quickNumbers[entry], number);
            QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Default});
            // What is stored is what the editor shows, and its "OK" keeps it.
            QTest::mouseClick(w->Button_Szybkie, Qt::LeftButton);
            QVERIFY(Form_Szybkie);
            QCOMPARE(Form_Szybkie->EN[entry]->text(), name);
            QTest::mouseClick(Form_Szybkie->Button_OK, Qt::LeftButton);
            QTRY_VERIFY(Form_Szybkie.isNull());
            QCOMPARE(f.settings().quickNames[entry], name);
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
};

QTEST_MAIN(TestSzybkie)
#include "tst_szybkie.moc"
