#include "support/ShellFixture.h"

#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/datepicker/TForm_Kalendarz.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

namespace {
const QRgb background = qRgb(231, 231, 231);
const QRgb invalidGrey = qRgb(192, 192, 192);
const QRgb band = qRgb(255, 255, 128);
const QRgb grid = qRgb(72, 72, 72);
const QRgb red = qRgb(255, 0, 0);
const QRgb black = qRgb(0, 0, 0);
constexpr int lastX = 451;
constexpr int bottom = 183; // below the lowest curve point (2 * 91)
} // namespace

// The fake clock stands at 06.12.2026 12:00.
class TestBiorytmy : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Polish)); }
    void cleanup();
    void trayOpening_settingsBirthdayTitleAndReadouts();
    void chart_todayBandAndZeroLine();
    void chart_gridFirstAndLastLine();
    void chart_curveEndsAndExtremes();
    void checkBoxes_redrawAtOnce();
    void otherMonth_noBandButTodaysReadouts();
    void invalidBirthDate_greyAndTitleStays();
    void yearlessBirthDate_greySaysItNeedsTheYear();
    void shortYearText_changeIgnored();
    void yearField_onlyDigitsInRange();
    void hover_edgesAndBoldToday();
    void hover_clearedElsewhere();
    void hover_leftChart_repaintShowsToday();
    void monthButtons_data();
    void monthButtons();
    void escInLeftColumn_closes();
    void openFor_presetsOrBeepsWhenOpen();
    void datePicker_okSetsBirthDateCancelKeeps();

private:
    TForm_Biorytmy &open(ShellFixture &fx, const QString &birthday);
    static QRgb pixel(int x, int y) { return Form_Biorytmy->chartImage().pixel(x, y); }
    static void hover(QWidget *w, int x, int y = 10);
};

void TestBiorytmy::cleanup()
{
    if (Form_Biorytmy) {
        delete Form_Biorytmy.data();
    }
}

TForm_Biorytmy &TestBiorytmy::open(ShellFixture &fx, const QString &birthday)
{
    TForm_Main &main = fx.start();
    main.settings().birthday = birthday;
    main.Biorytmy->trigger();
    [] {
        QVERIFY(Form_Biorytmy);
    }();
    return *Form_Biorytmy;
}

void TestBiorytmy::hover(QWidget *w, int x, int y)
{
    QMouseEvent move(
        QEvent::MouseMove, QPointF(x, y), w->mapToGlobal(QPointF(x, y)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void TestBiorytmy::trayOpening_settingsBirthdayTitleAndReadouts()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Morwinek - Biorytmy"));
    QCOMPARE(w.Edit_Urodziny->text(), QStringLiteral("05.12.2026"));
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Wykres na miesiąc grudzień 2026 roku"));
    QCOMPARE(w.ComboBox1->itemText(0), QStringLiteral("styczeń"));
    QVERIFY(!w.ComboBox1->isEditable());
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%"));
    QCOMPARE(w.Label2->text(), QStringLiteral("Dzień życia: 2"));
    QVERIFY(w.Label2->font().bold());
    QCOMPARE(w.chartImage().size(), QSize(452, 184));
    QCOMPARE(w.lastDayIndex(), 30);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.Button_Zamknij->hasFocus());
    QCOMPARE(fx.main->trayIconIndex(), int(TForm_Main::IconOpen));
}

void TestBiorytmy::chart_todayBandAndZeroLine()
{
    ShellFixture fx;
    open(fx, QStringLiteral("05.12.2026"));
    // Day 6 of 31: from its grid line trunc(451 / 30 * 5) = 75 to the next, 90.
    QCOMPARE(pixel(74, bottom), background);
    QCOMPARE(pixel(75, bottom), band);
    QCOMPARE(pixel(90, bottom), band);
    QCOMPARE(pixel(91, bottom), background);
    QCOMPARE(pixel(75, 0), band);
    QCOMPARE(pixel(0, 91), black);
    QCOMPARE(pixel(lastX, 91), black);
    QCOMPARE(pixel(lastX, 90), background);
    QCOMPARE(pixel(0, bottom), background); // no grid by default
}

void TestBiorytmy::chart_gridFirstAndLastLine()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    w.CB_Siatka->click();
    QCOMPARE(pixel(0, bottom), grid);
    QCOMPARE(pixel(1, bottom), background);
    QCOMPARE(pixel(15, bottom), grid);
    QCOMPARE(pixel(lastX, bottom), grid);
    QCOMPARE(pixel(lastX - 1, bottom), background);
    QCOMPARE(pixel(lastX, 0), grid);
    QCOMPARE(pixel(75, bottom), grid); // the grid is drawn over the band
    QCOMPARE(pixel(76, bottom), band);
}

void TestBiorytmy::chart_curveEndsAndExtremes()
{
    ShellFixture fx;
    // 1 December is the 7th day after birth: the emotional cycle's peak, at x = 0, y = 0;
    // 15 December its trough, at x = trunc(452 / 30 * 14) = 210, y = 2 * 91.
    open(fx, QStringLiteral("24.11.2026"));
    QCOMPARE(pixel(0, 0), red);
    QCOMPARE(pixel(210, 182), red);
    QCOMPARE(pixel(210, bottom), background);
    // The last point lies at x = W, outside the image, so the segment reaches the last column.
    bool reachesLastColumn = false;
    for (int y = 0; y < 30; ++y) {
        reachesLastColumn = reachesLastColumn || pixel(lastX, y) == red;
    }
    QVERIFY(reachesLastColumn);
}

void TestBiorytmy::checkBoxes_redrawAtOnce()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("24.11.2026"));
    w.CB_Dzisiaj->click();
    QCOMPARE(pixel(80, bottom), background);
    w.CB_Zero->click();
    QCOMPARE(pixel(lastX, 91), background);
    w.CB_Emoc->click();
    QVERIFY(pixel(0, 0) != red);
    for (QCheckBox *box : {w.CB_Fizy, w.CB_Inte}) {
        box->click();
    }
    // Nothing but the background is left, and the readouts still show all three cycles.
    const QImage &image = w.chartImage();
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 3) {
            QCOMPARE(image.pixel(x, y), background);
        }
    }
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  75%   Emocjonalny  43%   Fizyczny  -13%"));
}

void TestBiorytmy::otherMonth_noBandButTodaysReadouts()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    w.SpeedButton1->click();
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Wykres na miesiąc listopad 2026 roku"));
    QCOMPARE(w.lastDayIndex(), 29);
    QCOMPARE(pixel(80, bottom), background);
    // Before the birth date every value is 0: three flat curves under the zero line.
    QCOMPARE(pixel(200, 91), black);
    w.CB_Zero->click();
    QCOMPARE(pixel(200, 91), qRgb(255, 0, 0));
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%"));
    QCOMPARE(w.Label2->text(), QStringLiteral("Dzień życia: 2"));
    w.SpinEdit_Rok->setValue(2024);
    w.ComboBox1->setCurrentIndex(1);
    QCOMPARE(w.lastDayIndex(), 28);
    w.SpinEdit_Rok->setValue(2025);
    QCOMPARE(w.lastDayIndex(), 27);
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Wykres na miesiąc luty 2025 roku"));
}

void TestBiorytmy::invalidBirthDate_greyAndTitleStays()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    const QString label1 = w.Label1->text();
    w.Edit_Urodziny->setText(QStringLiteral("31.02.2026"));
    for (const QPoint at : {QPoint(0, 0), QPoint(75, bottom), QPoint(225, 91), QPoint(lastX, bottom)}) {
        QCOMPARE(pixel(at.x(), at.y()), invalidGrey);
    }
    w.SpeedButton2->click();
    QCOMPARE(pixel(0, 91), invalidGrey);
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Wykres na miesiąc grudzień 2026 roku"));
    QCOMPARE(w.Label1->text(), label1);
    hover(w.Image1, 100);
    QCOMPARE(w.Label1->text(), label1);
    QVERIFY(fx.sim.prompter.boxes.isEmpty());
}

// A birthday known without its year ("12.04", or "12.04.1604" as an earlier version kept it) draws
// nothing until the year is given.
void TestBiorytmy::yearlessBirthDate_greySaysItNeedsTheYear()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("12.04.1604"));
    QCOMPARE(pixel(225, 91), invalidGrey);
    QCOMPARE(w.Label1->text(), QStringLiteral("Biorytm wymaga roku urodzenia."));
    hover(w.Image1, 100);
    QCOMPARE(w.Label1->text(), QStringLiteral("Biorytm wymaga roku urodzenia."));
    QCOMPARE(w.Label2->text(), QString());
    w.Edit_Urodziny->setText(QStringLiteral("05.12.2026"));
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%"));
    w.Edit_Urodziny->setText(QStringLiteral("29.02.1604"));
    QCOMPARE(pixel(225, 91), invalidGrey);
    QCOMPARE(w.Label1->text(), QStringLiteral("Biorytm wymaga roku urodzenia."));
    w.Edit_Urodziny->setText(QStringLiteral("05.12.2026"));
    w.Edit_Urodziny->setText(QStringLiteral("12.04"));
    QCOMPARE(pixel(225, 91), invalidGrey);
    QCOMPARE(w.Label1->text(), QStringLiteral("Biorytm wymaga roku urodzenia."));
}

void TestBiorytmy::shortYearText_changeIgnored()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    w.SpinEdit_Rok->setFocus();
    w.SpinEdit_Rok->selectAll();
    QTest::keyClick(w.SpinEdit_Rok, Qt::Key_Delete);
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("20"));
    QCOMPARE(w.SpinEdit_Rok->text(), QStringLiteral("20"));
    w.Edit_Urodziny->setText(QStringLiteral("bad"));
    QCOMPARE(pixel(80, bottom), band); // the last picture stays
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("27"));
    QCOMPARE(pixel(80, bottom), invalidGrey);
}

void TestBiorytmy::yearField_onlyDigitsInRange()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    w.SpinEdit_Rok->setFocus();
    w.SpinEdit_Rok->selectAll();
    QTest::keyClick(w.SpinEdit_Rok, Qt::Key_Delete);
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("2a0-5"));
    QCOMPARE(w.SpinEdit_Rok->text(), QStringLiteral("205"));
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("0"));
    QCOMPARE(w.SpinEdit_Rok->text(), QStringLiteral("2050"));
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Wykres na miesiąc grudzień 2050 roku"));
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("1"));
    QCOMPARE(w.SpinEdit_Rok->text(), QStringLiteral("2050"));
    w.SpinEdit_Rok->selectAll();
    QTest::keyClicks(w.SpinEdit_Rok, QStringLiteral("3001"));
    QCOMPARE(w.SpinEdit_Rok->text(), QStringLiteral("300"));
}

void TestBiorytmy::hover_edgesAndBoldToday()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    hover(w.Image1, 0);
    QCOMPARE(w.Label2->text(), QStringLiteral("01.12.2026 - -3 dzień życia"));
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  0%   Emocjonalny  0%   Fizyczny  0%"));
    QVERIFY(!w.Label2->font().bold());
    hover(w.Image1, lastX);
    QCOMPARE(w.Label2->text(), QStringLiteral("31.12.2026 - 27 dzień życia"));
    hover(w.Image1, 80);
    QCOMPARE(w.Label2->text(), QStringLiteral("06.12.2026 - 2 dzień życia"));
    QCOMPARE(w.Label1->text(), QStringLiteral("Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%"));
    QVERIFY(w.Label2->font().bold());
    // Drawing keeps the weight the hover left.
    hover(w.Image1, 0);
    w.CB_Siatka->click();
    QCOMPARE(w.Label2->text(), QStringLiteral("Dzień życia: 2"));
    QVERIFY(!w.Label2->font().bold());
    w.ComboBox1->setCurrentIndex(1);
    hover(w.Image1, lastX);
    QCOMPARE(w.Label2->text(), QStringLiteral("28.02.2026 - -279 dzień życia"));
}

void TestBiorytmy::hover_clearedElsewhere()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    for (QWidget *elsewhere : {static_cast<QWidget *>(w.Panel1),
                               static_cast<QWidget *>(w.GroupBox1),
                               static_cast<QWidget *>(&w),
                               static_cast<QWidget *>(w.SpeedButton2),
                               static_cast<QWidget *>(w.Label1)}) {
        hover(w.Image1, 100);
        QVERIFY(!w.Label1->text().isEmpty());
        hover(elsewhere, 3, 3);
        QCOMPARE(w.Label1->text(), QString());
        QCOMPARE(w.Label2->text(), QString());
    }
}

void TestBiorytmy::hover_leftChart_repaintShowsToday()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString today1 = w.Label1->text();
    const QString today2 = w.Label2->text();
    hover(w.Image1, 300);
    QVERIFY(w.Label1->text() != today1);
    hover(w.GroupBox1, 3, 3);
    QCOMPARE(w.Label1->text(), QString());
    QTRY_COMPARE(w.Label1->text(), today1);
    QCOMPARE(w.Label2->text(), today2);
}

void TestBiorytmy::monthButtons_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month"); // index
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("newYear");
    QTest::addColumn<int>("newMonth");
    QTest::addColumn<int>("beeps");
    QTest::newRow("back within the year") << 2026 << 5 << false << 2026 << 4 << 0;
    QTest::newRow("back over the year") << 2026 << 0 << false << 2025 << 11 << 0;
    QTest::newRow("back at January 1000") << 1000 << 0 << false << 1000 << 0 << 1;
    QTest::newRow("back from February 1000") << 1000 << 1 << false << 1000 << 0 << 0;
    QTest::newRow("on over the year") << 2026 << 11 << true << 2027 << 0 << 0;
    QTest::newRow("on at December 3000") << 3000 << 11 << true << 3000 << 11 << 1;
    QTest::newRow("on from November 3000") << 3000 << 10 << true << 3000 << 11 << 0;
}

void TestBiorytmy::monthButtons()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(bool, next);
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    w.SpinEdit_Rok->setValue(year);
    w.ComboBox1->setCurrentIndex(month);
    const QString title = w.GroupBox1->title();
    (next ? w.SpeedButton2 : w.SpeedButton1)->click();
    QTEST(w.SpinEdit_Rok->value(), "newYear");
    QTEST(w.ComboBox1->currentIndex(), "newMonth");
    QTEST(int(fx.sim.prompter.beeps.size()), "beeps");
    if (!fx.sim.prompter.beeps.isEmpty()) {
        QCOMPARE(fx.sim.prompter.beeps.first(), Prompter::Exclamation);
        QCOMPARE(w.GroupBox1->title(), title);
    } else {
        QCOMPARE(w.GroupBox1->title(),
                 QStringLiteral("Wykres na miesiąc %1 %2 roku")
                     .arg(w.ComboBox1->currentText())
                     .arg(w.SpinEdit_Rok->value()));
    }
}

void TestBiorytmy::escInLeftColumn_closes()
{
    ShellFixture fx;
    for (const char *name : {"Edit_Urodziny", "CB_Siatka", "ComboBox1", "SpinEdit_Rok", "Button_Zamknij"}) {
        if (!fx.main) {
            fx.start();
        }
        fx.main->Biorytmy->trigger();
        QVERIFY(Form_Biorytmy);
        QTest::keyClick(Form_Biorytmy->findChild<QWidget *>(QLatin1String(name)), Qt::Key_Escape);
        QTRY_VERIFY2(!Form_Biorytmy, name);
        QCOMPARE(fx.main->trayIconIndex(), int(TForm_Main::IconIdle));
    }
    QCOMPARE(fx.main->settings().birthday, QStringLiteral("15.12.1974"));
}

void TestBiorytmy::openFor_presetsOrBeepsWhenOpen()
{
    ShellFixture fx;
    fx.start();
    TForm_Biorytmy *w = TForm_Biorytmy::openFor(QStringLiteral("01.01.2000"));
    QVERIFY(w);
    QCOMPARE(w->Edit_Urodziny->text(), QStringLiteral("01.01.2000"));
    QVERIFY(fx.sim.prompter.beeps.isEmpty());
    QCOMPARE(TForm_Biorytmy::openFor(QStringLiteral("02.02.2002")), w);
    fx.main->Biorytmy->trigger();
    QCOMPARE(fx.sim.prompter.beeps, (QList<Prompter::Beep>{Prompter::Exclamation, Prompter::Exclamation}));
    QCOMPARE(w->Edit_Urodziny->text(), QStringLiteral("01.01.2000"));
    w->Edit_Urodziny->setText(QStringLiteral("03.03.2003"));
    w->Button_Zamknij->click();
    QTRY_VERIFY(!Form_Biorytmy);
    QCOMPARE(fx.main->settings().birthday, QStringLiteral("15.12.1974")); // never written back
}

void TestBiorytmy::datePicker_okSetsBirthDateCancelKeeps()
{
    ShellFixture fx;
    TForm_Biorytmy &w = open(fx, QStringLiteral("05.12.2026"));
    QString seen;
    int tag = -1;
    QTimer::singleShot(0, [&] {
        auto *picker = qobject_cast<TForm_Kalendarz *>(QApplication::activeModalWidget());
        if (!picker) {
            if (QApplication::activeModalWidget()) {
                QApplication::activeModalWidget()->close();
            }
            return;
        }
        seen = picker->Panel_Data->text();
        tag = picker->tag();
        picker->Panel_Data->setText(QStringLiteral("24.11.2026"));
        picker->accept();
    });
    w.SB_Urodziny->click();
    QCOMPARE(seen, QStringLiteral("05.12.2026"));
    QCOMPARE(tag, 0);
    QCOMPARE(w.Edit_Urodziny->text(), QStringLiteral("24.11.2026"));
    QCOMPARE(pixel(0, 0), red); // redrawn for the new date
    QVERIFY(!Form_Kalendarz);

    QTimer::singleShot(0, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            qobject_cast<QDialog *>(modal) ? qobject_cast<QDialog *>(modal)->reject() : void(modal->close());
        }
    });
    w.SB_Urodziny->click();
    QCOMPARE(w.Edit_Urodziny->text(), QStringLiteral("24.11.2026"));
}

QTEST_MAIN(TestBiorytmy)
#include "tst_biorytmy.moc"
