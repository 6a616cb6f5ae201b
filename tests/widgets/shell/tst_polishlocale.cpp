#include "support/ShellFixture.h"

#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/calc/CalcEdit.h"
#include "widgets/calc/TForm_Kalk.h"
#include "widgets/contacts/PhotoPicker.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/PolishTranslations.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace Qt::StringLiterals;

// What a window shows once open; the fixture's clock stands at Sunday 06.12.2026.
using Reader = std::function<QString(ShellFixture &)>;
Q_DECLARE_METATYPE(Reader)

// The program started on a system whose locale is English: everything it shows is Polish anyway.
class TestPolishLocale : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QLocale::system().language(), QLocale::English); // set in main(), before Qt started
        QVERIFY2(PolishTranslations::install(*qApp), "Qt's Polish catalogue (qt6-translations-l10n) is missing");
    }
    void windows_speakPolish_data();
    void windows_speakPolish()
    {
        QFETCH(Reader, read);
        ShellFixture fx;
        QTEST(read(fx), "expected");
        delete Form_Biorytmy.data();
        delete Form_Kalk.data();
        delete Form_Notatniczek.data();
    }
};

void TestPolishLocale::windows_speakPolish_data()
{
    QTest::addColumn<Reader>("read");
    QTest::addColumn<QString>("expected");
    QTest::newRow("date picker: months, weekdays from Monday, month button")
        << Reader([](ShellFixture &fx) {
               TForm_Kalendarz picker(fx.sim.services);
               QStringList shown;
               for (int i = 0; i < picker.ComboBox1->count(); ++i) {
                   shown << picker.ComboBox1->itemText(i);
               }
               const QAbstractItemModel *grid = picker.Calendar1->findChild<QAbstractItemView *>()->model();
               for (int column = 0; column < grid->columnCount(); ++column) {
                   shown << grid->data(grid->index(0, column)).toString();
               }
               picker.Calendar1->setCurrentPage(2026, 12);
               return (shown << picker.Calendar1->findChild<QToolButton *>(u"qt_calendar_monthbutton"_s)->text())
                   .join(u',');
           })
        << u"styczeń,luty,marzec,kwiecień,maj,czerwiec,lipiec,sierpień,wrzesień,październik,listopad,grudzień,"
           u"P,W,Ś,C,P,S,N,grudzień"_s;
    QTest::newRow("biorhythm title") << Reader([](ShellFixture &fx) {
        TForm_Main &main = fx.start();
        main.settings().birthday = u"17.05.1990"_s;
        main.Biorytmy->trigger();
        return Form_Biorytmy ? Form_Biorytmy->GroupBox1->title() : QString();
    }) << u"Wykres na miesiąc grudzień 2026 roku"_s;
    QTest::newRow("contacts: today's weekday") << Reader([](ShellFixture &fx) {
        fx.start().Kontakty->trigger();
        return Form_Notatniczek ? Form_Notatniczek->Label1->text() : QString();
    }) << u"Dziś jest niedziela"_s;
    QTest::newRow("calculator: typed, grouped and tax") << Reader([](ShellFixture &fx) {
        fx.start().Kalkulacje->trigger();
        if (!Form_Kalk) {
            return QString();
        }
        Form_Kalk->activateWindow();
        (void)QTest::qWaitForWindowActive(Form_Kalk);
        Form_Kalk->C1->setFocus();
        QTest::keyClicks(Form_Kalk->C1, u"1011.99"_s); // the dot is typed as the decimal comma
        return Form_Kalk->C1->text() + u" | "_s + Form_Kalk->C2->text() + u" | "_s + Form_Kalk->LVAT1->text();
    }) << u"1011,99 | 1\u00a0244,75 | 232,76"_s;
    QTest::newRow("Qt's file dialog") << Reader([](ShellFixture &) {
        PhotoPicker picker;
        return picker.findChild<QLabel *>(u"lookInLabel"_s)->text() + u" | "_s
               + picker.findChild<QLabel *>(u"fileNameLabel"_s)->text() + u" | "_s
               + picker.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text();
    }) << u"Szukaj w: | Nazwa &pliku: | Anuluj"_s;
}

int main(int argc, char *argv[])
{
    // A system that is not Polish, whatever the machine running the tests has.
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANGUAGE", "en_US");
    QApplication app(argc, argv);
    TestPolishLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_polishlocale.moc"
