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
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

// The texts a window shows, read once it is open; the fixture's clock stands at Sunday 06.12.2026.
using Reader = std::function<QString(ShellFixture &)>;
Q_DECLARE_METATYPE(Reader)

namespace {

QString weekdayHeader(const TForm_Kalendarz &picker)
{
    const QAbstractItemModel *model = picker.Calendar1->findChild<QAbstractItemView *>()->model();
    QStringList letters;
    for (int column = 0; column < model->columnCount(); ++column) {
        letters << model->data(model->index(0, column)).toString();
    }
    return letters.join(u' ');
}

} // namespace

// The program started on a system whose locale is English; everything it shows must be Polish.
class TestPolishLocale : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void windows_speakPolish_data();
    void windows_speakPolish();
    void dataFiles_keepTheirDateFormat();
};

void TestPolishLocale::initTestCase()
{
    QCOMPARE(QLocale::system().language(), QLocale::English); // set in main(), before Qt started
    QVERIFY2(PolishTranslations::install(*qApp), "Qt's Polish catalogue (qt6-translations-l10n) is missing");
}

void TestPolishLocale::cleanup()
{
    delete Form_Biorytmy.data();
    delete Form_Kalk.data();
    delete Form_Notatniczek.data();
}

void TestPolishLocale::windows_speakPolish_data()
{
    QTest::addColumn<Reader>("read");
    QTest::addColumn<QString>("expected");

    QTest::newRow("date picker: month list") << Reader([](ShellFixture &fx) {
        TForm_Kalendarz picker(fx.sim.services);
        QStringList months;
        for (int i = 0; i < picker.ComboBox1->count(); ++i) {
            months << picker.ComboBox1->itemText(i);
        }
        return months.join(u',');
    }) << u"styczeń,luty,marzec,kwiecień,maj,czerwiec,lipiec,sierpień,wrzesień,październik,listopad,grudzień"_s;
    QTest::newRow("date picker: weekday header, Monday first") << Reader([](ShellFixture &fx) {
        TForm_Kalendarz picker(fx.sim.services);
        return weekdayHeader(picker);
    }) << u"P W Ś C P S N"_s;
    QTest::newRow("date picker: month button") << Reader([](ShellFixture &fx) {
        TForm_Kalendarz picker(fx.sim.services);
        picker.Calendar1->setCurrentPage(2026, 12);
        return picker.Calendar1->findChild<QToolButton *>(u"qt_calendar_monthbutton"_s)->text();
    }) << u"grudzień"_s;
    QTest::newRow("biorhythm title") << Reader([](ShellFixture &fx) {
        TForm_Main &main = fx.start();
        main.settings().birthday = u"17.05.1990"_s;
        main.Biorytmy->trigger();
        return Form_Biorytmy ? Form_Biorytmy->findChild<QGroupBox *>(u"GroupBox1"_s)->title() : QString();
    }) << u"Wykres na miesiąc grudzień 2026 roku"_s;
    QTest::newRow("contacts: today's weekday") << Reader([](ShellFixture &fx) {
        fx.start().Kontakty->trigger();
        return Form_Notatniczek ? Form_Notatniczek->Label1->text() : QString();
    }) << u"Dziś jest niedziela"_s;
    QTest::newRow("calculator: grouped field and tax label") << Reader([](ShellFixture &fx) {
        fx.start().Kalkulacje->trigger();
        if (!Form_Kalk) {
            return QString();
        }
        Form_Kalk->activateWindow();
        (void)QTest::qWaitForWindowActive(Form_Kalk);
        Form_Kalk->C1->setFocus();
        QTest::keyClicks(Form_Kalk->C1, u"1011.99"_s); // the dot is typed as the decimal comma
        return Form_Kalk->C1->text() + u" | "_s + Form_Kalk->C2->text() + u" | "_s + Form_Kalk->LVAT1->text();
    }) << u"1011,99 | 1\u00a0234,63 | 222,64"_s;
    QTest::newRow("Qt's file dialog") << Reader([](ShellFixture &) {
        PhotoPicker picker;
        const auto *buttons = picker.findChild<QDialogButtonBox *>();
        return picker.findChild<QLabel *>(u"lookInLabel"_s)->text() + u" | "_s
               + picker.findChild<QLabel *>(u"fileNameLabel"_s)->text() + u" | "_s
               + buttons->button(QDialogButtonBox::Cancel)->text();
    }) << u"Szukaj w: | Nazwa &pliku: | Anuluj"_s;
}

void TestPolishLocale::windows_speakPolish()
{
    QFETCH(Reader, read);
    ShellFixture fx;
    QTEST(read(fx), "expected");
}

// Whatever the locale, dates stay "dd.MM.yyyy" in the files: the appointment picked in the
// picker is stored as it is shown.
void TestPolishLocale::dataFiles_keepTheirDateFormat()
{
    ShellFixture fx;
    TForm_Kalendarz picker(fx.sim.services);
    picker.Calendar1->setSelectedDate(QDate(2026, 3, 9));
    QCOMPARE(picker.Panel_Data->text(), u"09.03.2026"_s);
}

int main(int argc, char *argv[])
{
    // A system that is not Polish, whatever the machine running the tests has.
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LANGUAGE", "en_US");
    QApplication app(argc, argv);
    TestPolishLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_polishlocale.moc"
