#include "support/ShellFixture.h"

#include "widgets/calc/CalcEdit.h"
#include "widgets/calc/TForm_Kalk.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

class TestKalk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Polish)); }
    void cleanup();
    void firstOpening_vatWithEmptyFields();
    void typing_recomputesTheOtherFields_data();
    void typing_recomputesTheOtherFields();
    void refusedKeys_beepAndKeepText_data();
    void refusedKeys_beepAndKeepText();
    void inputMethodText_checkedLikeTyping();
    void categorySwitch_keepsC1AndEmptiesTaxLabels();
    void grouping_onlyWithoutFocus();
    void popupCalculator_resultGoesIntoField();
    void enterMovesFocus_escCloses();
    void kalk_restoredAndSavedAcrossRestart();
    void kalk_outOfRangeSelectsFirst();
    void vatRate_minusHundredFallsBackForTheSession();
    void secondOpening_beepsAndKeepsOneWindow();
    void taxAmounts_readableBesideTheirUnits_data();
    void taxAmounts_readableBesideTheirUnits();
    void layout_asLaidOut();
    void handEditedRates_usedBoundedAndKept();
    void vatRates_changedFromTheWindow();
    void vatRates_onlyChangedOnesWrittenBack_data();
    void vatRates_onlyChangedOnesWrittenBack();

private:
    TForm_Kalk &open(ShellFixture &fx);
    void type(CalcEdit *field, const QString &text);
    static CalcEdit *field(int n) { return Form_Kalk->findChild<CalcEdit *>(QStringLiteral("C%1").arg(n)); }
};

// Rates stored before 2011, which the arithmetic below was worked out with.
const QByteArray oldRates = "[Kalkulacje]\r\nVAT1=22\r\nVAT2=7\r\n";

void TestKalk::cleanup()
{
    if (Form_Kalk) {
        delete Form_Kalk.data();
    }
}

TForm_Kalk &TestKalk::open(ShellFixture &fx)
{
    TForm_Main &main = fx.main ? *fx.main : fx.start();
    main.Kalkulacje->trigger();
    [&] {
        QVERIFY(Form_Kalk);
    }();
    Form_Kalk->activateWindow();
    [&] {
        QVERIFY(QTest::qWaitForWindowActive(Form_Kalk));
    }();
    return *Form_Kalk;
}

void TestKalk::type(CalcEdit *field, const QString &text)
{
    field->setFocus();
    QVERIFY(field->hasFocus());
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

void TestKalk::firstOpening_vatWithEmptyFields()
{
    ShellFixture fx;
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.windowTitle(), QStringLiteral("Morwinek - Kalkulacje"));
    QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("Obliczenia VAT"));
    QCOMPARE(w.ComboBox1->count(), 5);
    QCOMPARE(w.ComboBox1->itemText(2), QStringLiteral("Długość -   m"));
    QVERIFY(!w.ComboBox1->isEditable());
    QCOMPARE(w.L1->text(), QStringLiteral("Bez VAT"));
    QCOMPARE(w.L2->text(), QStringLiteral("VAT 23%"));
    QCOMPARE(w.L3->text(), QStringLiteral("VAT 8%"));
    QCOMPARE(w.LVAT1->text(), QStringLiteral("0,00"));
    QCOMPARE(w.LVAT2->text(), QStringLiteral("0,00"));
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(field(n)->text(), QString());
    }
    QVERIFY(w.C1->hasFocus());
    QCOMPARE(fx.main->trayIconIndex(), int(TForm_Main::IconOpen));
}

void TestKalk::typing_recomputesTheOtherFields_data()
{
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("into");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("fields"); // C1, C2, C3 afterwards
    QTest::addColumn<QStringList>("taxes");  // LVAT1, LVAT2
    QTest::newRow("net 100") << 0 << 1 << "100" << QStringList{"100", "122", "107"} << QStringList{"22,00", "7,00"};
    QTest::newRow("gross 122 back") << 0 << 2 << "122" << QStringList{"100", "122", "107"}
                                    << QStringList{"22,00", "7,00"};
    QTest::newRow("tax in exact decimal")
        << 0 << 2 << "12,26" << QStringList{"10,05", "12,26", "10,75"} << QStringList{"2,21", "0,70"};
    QTest::newRow("negative price") << 0 << 1 << "-18,41" << QStringList{"-18,41", "-22,46", "-19,7"}
                                    << QStringList{"-4,05", "-1,29"};
    QTest::newRow("100 cm") << 1 << 1 << "100" << QStringList{"100", "39,37", "3,28"} << QStringList{"", ""};
    QTest::newRow("1 m") << 2 << 1 << "1" << QStringList{"1", "3,28", "1,1"} << QStringList{"", ""};
    QTest::newRow("1 kg") << 4 << 1 << "1" << QStringList{"1", "2,22", "3,42"} << QStringList{"", ""};
    QTest::newRow("2,5 kg") << 4 << 1 << "2,5" << QStringList{"2,5", "5,56", "8,55"} << QStringList{"", ""};
    QTest::newRow("2.5 kg") << 4 << 1 << "2.5" << QStringList{"2,5", "5,56", "8,55"} << QStringList{"", ""};
    QTest::newRow("from ounces") << 4 << 3 << "34,21" << QStringList{"10", "22,22", "34,21"} << QStringList{"", ""};
    QTest::newRow("erased to zero") << 1 << 1 << "" << QStringList{"", "", ""} << QStringList{"", ""};
}

void TestKalk::typing_recomputesTheOtherFields()
{
    QFETCH(int, category);
    QFETCH(int, into);
    QFETCH(QString, typed);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, taxes);
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    w.ComboBox1->setCurrentIndex(category);
    type(field(1), QStringLiteral("7")); // something to replace
    type(field(into), typed);
    for (int n = 1; n <= 3; ++n) {
        QCOMPARE(field(n)->text(), fields.at(n - 1));
    }
    QCOMPARE(w.LVAT1->text(), taxes.at(0));
    QCOMPARE(w.LVAT2->text(), taxes.at(1));
    QVERIFY(fx.sim.prompter.beeps.isEmpty());
}

void TestKalk::refusedKeys_beepAndKeepText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("third decimal") << "1,234" << none << "1,23" << 1;
    QTest::newRow("second separator") << "1.2,3" << none << "1,23" << 1;
    QTest::newRow("letter") << "12a" << none << "12" << 1;
    QTest::newRow("minus inside") << "5-" << none << "5" << 1;
    QTest::newRow("eleventh character") << "12345678901" << none << "1234567890" << 1;
    QTest::newRow("leading minus") << "-5" << none << "-5" << 0;
    // The line edit would insert these itself, past the filter.
    QTest::newRow("letter with Alt") << "12a" << Qt::KeyboardModifiers(Qt::AltModifier) << "12" << 1;
    QTest::newRow("letter with AltGr") << "x" << (Qt::ControlModifier | Qt::AltModifier) << "" << 1;
}

void TestKalk::refusedKeys_beepAndKeepText()
{
    QFETCH(QString, typed);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    ShellFixture fx;
    open(fx);
    type(field(1), QString());
    QTest::keyClicks(field(1), typed, modifiers);
    QTEST(field(1)->text(), "text");
    QTEST(int(fx.sim.prompter.beeps.size()), "beeps");
    for (const Prompter::Beep beep : fx.sim.prompter.beeps) {
        QCOMPARE(beep, Prompter::Exclamation);
    }
}

void TestKalk::inputMethodText_checkedLikeTyping()
{
    ShellFixture fx;
    open(fx);
    type(field(1), QString());
    QInputMethodEvent digits(QString(), {});
    digits.setCommitString(QStringLiteral("12,5"));
    QApplication::sendEvent(field(1), &digits);
    QCOMPARE(field(1)->text(), QLocale().toString(12.5, 'f', 1));
    QVERIFY(fx.sim.prompter.beeps.isEmpty());
    QInputMethodEvent letters(QString(), {});
    letters.setCommitString(QStringLiteral("ab"));
    QApplication::sendEvent(field(1), &letters);
    QCOMPARE(field(1)->text(), QLocale().toString(12.5, 'f', 1));
    QCOMPARE(fx.sim.prompter.beeps.size(), 1);
}

void TestKalk::categorySwitch_keepsC1AndEmptiesTaxLabels()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    type(w.C1, QStringLiteral("100"));
    QCOMPARE(w.LVAT1->text(), QStringLiteral("22,00"));
    w.ComboBox1->setCurrentIndex(1);
    QCOMPARE(w.C1->text(), QStringLiteral("100"));
    QCOMPARE(w.C2->text(), QStringLiteral("39,37"));
    QCOMPARE(w.L2->text(), QStringLiteral("cale"));
    QCOMPARE(w.LVAT1->text(), QString());
    QCOMPARE(w.LVAT2->text(), QString());
    w.ComboBox1->setCurrentIndex(0);
    QCOMPARE(w.C2->text(), QStringLiteral("122"));
    QCOMPARE(w.LVAT2->text(), QStringLiteral("7,00"));
}

void TestKalk::grouping_onlyWithoutFocus()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    type(w.C1, QStringLiteral("1234567"));
    QCOMPARE(w.C1->text(), QStringLiteral("1234567"));
    QCOMPARE(w.C2->text(), QStringLiteral("1\u00a0506\u00a0171,74"));
    QCOMPARE(w.LVAT1->text(), QStringLiteral("271604,74"));
    QTest::keyClick(w.C1, Qt::Key_Return);
    QVERIFY(w.C2->hasFocus());
    QCOMPARE(w.C1->text(), QStringLiteral("1\u00a0234\u00a0567"));
    QCOMPARE(w.C2->text(), QStringLiteral("1506171,74"));
    // Regrouping is not an edit: nothing was recomputed from the rounded fields.
    QCOMPARE(w.C3->text(), QStringLiteral("1\u00a0320\u00a0986,69"));
}

void TestKalk::popupCalculator_resultGoesIntoField()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    type(w.C1, QStringLiteral("5"));
    w.C2->calculatorButton()->click();
    auto *popup = qobject_cast<PopupCalculator *>(QApplication::activePopupWidget());
    QVERIFY(popup);
    QCOMPARE(popup->displayText(), QStringLiteral("6,1"));
    for (const char *key : {"C", "1", "2", "*", "3", "/", "0"}) {
        popup->press(QLatin1String(key));
    }
    QCOMPARE(popup->displayText(), QStringLiteral("0"));
    QVERIFY(fx.sim.prompter.beeps.isEmpty());
    QTest::keyClick(popup, Qt::Key_Return); // 36 / 0
    QCOMPARE(fx.sim.prompter.beeps.size(), 1);
    popup->press(QStringLiteral("\b"));
    popup->press(QStringLiteral("1"));
    popup->press(QStringLiteral(","));
    popup->press(QStringLiteral("5"));
    QCOMPARE(popup->displayText(), QStringLiteral("1,5"));
    popup->findChild<QToolButton *>(QStringLiteral("Key_OK"))->click();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(w.C2->text(), QStringLiteral("24"));
    QCOMPARE(w.C1->text(), QStringLiteral("19,67"));
    QCOMPARE(w.C3->text(), QStringLiteral("21,05"));
    QCOMPARE(w.LVAT1->text(), QStringLiteral("4,33"));
}

void TestKalk::enterMovesFocus_escCloses()
{
    ShellFixture fx;
    TForm_Kalk &w = open(fx);
    const QList<QWidget *> order = {w.C1, w.C2, w.C3, static_cast<QWidget *>(w.Button1), w.ComboBox1, w.C1};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QVERIFY(order.at(i)->hasFocus());
        QTest::keyClick(order.at(i), Qt::Key_Return);
    }
    QVERIFY(Form_Kalk); // Enter on the button only moved on
    QTest::keyClick(w.C2, Qt::Key_Escape);
    QTRY_VERIFY(!Form_Kalk);
    QCOMPARE(fx.main->trayIconIndex(), int(TForm_Main::IconIdle));
}

void TestKalk::kalk_restoredAndSavedAcrossRestart()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), "[Kalkulacje]\r\nKALK=3\r\n");
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.ComboBox1->currentIndex(), 3);
    QCOMPARE(w.L3->text(), QStringLiteral("mile morskie"));
    w.ComboBox1->setCurrentIndex(4);
    w.Button1->click();
    QTRY_VERIFY(!Form_Kalk);
    QCOMPARE(fx.main->settings().calculation, 4);
    fx.main->saveSettings();
    fx.main.reset();
    fx.start();
    QCOMPARE(fx.main->settings().calculation, 4);
    QCOMPARE(open(fx).ComboBox1->currentText(), QStringLiteral("Miary masy"));
}

void TestKalk::kalk_outOfRangeSelectsFirst()
{
    ShellFixture fx;
    fx.start().settings().calculation = 7;
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.ComboBox1->currentIndex(), 0);
    QCOMPARE(w.L1->text(), QStringLiteral("Bez VAT"));
    w.close();
    QCOMPARE(fx.main->settings().calculation, 0);
}

void TestKalk::vatRate_minusHundredFallsBackForTheSession()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), "[Kalkulacje]\r\nVAT1=-100\r\nVAT2=5\r\n");
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.L2->text(), QStringLiteral("VAT 23%"));
    QCOMPARE(w.L3->text(), QStringLiteral("VAT 5%"));
    type(w.C2, QStringLiteral("123"));
    QCOMPARE(w.C1->text(), QStringLiteral("100"));
    QCOMPARE(w.C3->text(), QStringLiteral("105"));
    QCOMPARE(fx.main->settings().vat1, -100);
}

void TestKalk::secondOpening_beepsAndKeepsOneWindow()
{
    ShellFixture fx;
    TForm_Kalk &w = open(fx);
    type(w.C1, QStringLiteral("3"));
    fx.main->Kalkulacje->trigger();
    QCOMPARE(Form_Kalk.data(), &w);
    QCOMPARE(fx.sim.prompter.beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(w.C1->text(), QStringLiteral("3"));
}

void TestKalk::taxAmounts_readableBesideTheirUnits_data()
{
    QTest::addColumn<QString>("typed"); // into C2; the tax amounts worked out by hand
    QTest::addColumn<QString>("tax1");
    QTest::newRow("a million and more") << "1506172,83"
                                        << "271604,94";
    QTest::newRow("largest gross") << "9999999999"
                                   << "1803278688,34";
}

void TestKalk::taxAmounts_readableBesideTheirUnits()
{
    QFETCH(QString, typed);
    QFETCH(QString, tax1);
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    type(w.C2, typed);
    QCOMPARE(w.LVAT1->text(), tax1);
    // Where the texts are drawn: the unit from its left edge, the amount against the right edge.
    const int unitRight = w.L2->x() + w.L2->fontMetrics().horizontalAdvance(w.L2->text());
    const int taxWidth = QFontMetrics(w.LVAT1->font()).horizontalAdvance(tax1);
    QVERIFY(w.LVAT1->geometry().right() - taxWidth > unitRight);
    QVERIFY(taxWidth <= w.LVAT1->width() && w.GroupBox1->contentsRect().contains(w.LVAT1->geometry()));
    QVERIFY(w.LVAT1->font().pixelSize() >= (tax1.size() <= 10 ? 8 : 6));
}

// Where nothing overlaps, the window is as laid out: the tax amounts against x = 104 in the window's
// font, the close button across the lower group; the rates button only where the rates count.
void TestKalk::layout_asLaidOut()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), oldRates);
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.size(), QSize(117, 205));
    QCOMPARE(w.GroupBox2->geometry(), QRect(0, 165, 117, 40));
    QCOMPARE(w.Button1->geometry(), QRect(8, 12, 100, 22));
    type(w.C1, QStringLiteral("100"));
    for (QLabel *tax : {w.LVAT1, w.LVAT2}) {
        QCOMPARE(tax->x() + tax->width(), 104);
        QCOMPARE(tax->font().pixelSize(), w.font().pixelSize());
        QVERIFY(tax->alignment() & Qt::AlignRight);
    }
    QCOMPARE(w.LVAT1->y(), 80);
    QCOMPARE(w.LVAT2->y(), 120);
    QVERIFY(w.Button_VAT->isVisible());
    for (QWidget *other : {static_cast<QWidget *>(w.ComboBox1), static_cast<QWidget *>(w.C1)}) {
        QVERIFY(!w.Button_VAT->geometry().intersects(other->geometry()));
    }
    QVERIFY(w.Button_VAT->x() > w.L1->x() + w.L1->fontMetrics().horizontalAdvance(w.L1->text()));
    w.ComboBox1->setCurrentIndex(1);
    QVERIFY(!w.Button_VAT->isVisible());
}

// Rates edited by hand beyond what a calculation takes are used bounded and stay in the file.
void TestKalk::handEditedRates_usedBoundedAndKept()
{
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), "[Kalkulacje]\r\nVAT1=1500\r\nVAT2=-150\r\n");
    TForm_Kalk &w = open(fx);
    QCOMPARE(w.L2->text() + u' ' + w.L3->text(), QStringLiteral("VAT 1000% VAT 8%"));
    type(w.C1, QStringLiteral("100"));
    QCOMPARE(w.C2->value(), 110000); // in hundredths
    QCOMPARE(w.C3->value(), 10800);
    w.ComboBox1->setCurrentIndex(2);
    w.close();
    fx.main->saveSettings();
    const QByteArray ini = fx.readFile(QStringLiteral("Morwinek.ini"));
    QVERIFY2(ini.startsWith("[Kalkulacje]\r\nVAT1=1500\r\nVAT2=-150\r\nKALK=2\r\n"), ini.constData());
}

void TestKalk::vatRates_changedFromTheWindow()
{
    ShellFixture fx;
    TForm_Kalk &w = open(fx);
    type(w.C1, QStringLiteral("100"));
    QTimer::singleShot(20, [] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QSpinBox *>(QStringLiteral("Edit_VAT1"))->setValue(24);
        dialog->findChild<QSpinBox *>(QStringLiteral("Edit_VAT2"))->setValue(5);
        dialog->accept();
    });
    w.Button_VAT->click();
    QCOMPARE(w.L2->text() + w.L3->text(), QStringLiteral("VAT 24%VAT 5%"));
    QCOMPARE(w.C2->text() + u' ' + w.C3->text(), QStringLiteral("124 105"));
    fx.main->saveSettings();
    const QByteArray ini = fx.readFile(QStringLiteral("Morwinek.ini"));
    QVERIFY(ini.contains("VAT1=24") && ini.contains("VAT2=5"));
}

void TestKalk::vatRates_onlyChangedOnesWrittenBack_data()
{
    QTest::addColumn<QByteArray>("stored");  // as edited by hand
    QTest::addColumn<int>("typed");          // into the second box; -1: nothing typed
    QTest::addColumn<QByteArray>("written"); // by the next write of the settings
    QTest::newRow("beyond the boxes, untouched")
        << QByteArray("VAT1=150\r\nVAT2=-5") << -1 << QByteArray("VAT1=150\r\nVAT2=-5");
    QTest::newRow("second changed") << QByteArray("VAT1=150\r\nVAT2=-5") << 8 << QByteArray("VAT1=150\r\nVAT2=8");
    QTest::newRow("unusable first kept") << QByteArray("VAT1=-100\r\nVAT2=7") << 9 << QByteArray("VAT1=-100\r\nVAT2=9");
}

void TestKalk::vatRates_onlyChangedOnesWrittenBack()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, typed);
    ShellFixture fx;
    fx.writeFile(QStringLiteral("Morwinek.ini"), "[Kalkulacje]\r\n" + stored + "\r\n");
    TForm_Kalk &w = open(fx);
    QTimer::singleShot(20, [typed] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (typed >= 0) {
            dialog->findChild<QSpinBox *>(QStringLiteral("Edit_VAT2"))->setValue(typed);
        }
        dialog->accept();
    });
    w.Button_VAT->click();
    fx.main->saveSettings();
    QFETCH(QByteArray, written);
    QVERIFY2(fx.readFile(QStringLiteral("Morwinek.ini")).contains(written + "\r\n"), written.constData());
}

QTEST_MAIN(TestKalk)
#include "tst_kalk.moc"
