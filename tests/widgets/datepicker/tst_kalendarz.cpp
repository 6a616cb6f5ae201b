#include "support/ModalHelpers.h"

#include "core/common/DateText.h"
#include "platform/sim/SimServices.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/Fonts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

struct Shown
{
    QString text;
    int month = -1;
    int year = -1;
    bool yearEnabled = false;
};

Shown shownBy(const TForm_Kalendarz &picker)
{
    return {picker.Panel_Data->text(),
            picker.ComboBox1->currentIndex() + 1,
            picker.SpinEdit_Rok->value(),
            picker.SpinEdit_Rok->isEnabled()};
}

QWidget *calendarGrid(TForm_Kalendarz &picker)
{
    // The key presses the user makes in the grid land on the calendar's inner view.
    auto *view = picker.Calendar1->findChild<QAbstractItemView *>();
    return view ? static_cast<QWidget *>(view) : picker.Calendar1;
}

} // namespace

class TestKalendarz : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Polish));
        QVERIFY(m_dir.isValid());
    }

    void startText_showsThatDateOrToday_data();
    void startText_showsThatDateOrToday();
    void monthNames_polishNominative();
    void monthChosen_dayBecomesFirst_data();
    void monthChosen_dayBecomesFirst();
    void yearChanged_keepsDayAndMonth_data();
    void yearChanged_keepsDayAndMonth();
    void calendarChange_updatesEveryControl();
    void monthBoxLeftWithUnknownText_firstMonthCalendarUnchanged();
    void monthTyped_choosesThatMonth_data();
    void monthTyped_choosesThatMonth();
    void lockedYear_monthStillChanges_tagResetOnHide();
    void cancelKeys_fieldKeepsText_data();
    void cancelKeys_fieldKeepsText();
    void okButton_fieldTakesDate();
    void nameDayCaller_keepsFiveCharacters();
    void opensUnderMousePointer();
    void everyDay_insideDialogAndPicked_data();
    void everyDay_insideDialogAndPicked();

private:
    QTemporaryDir m_dir;
    SimServices m_sim{m_dir.path()};
};

void TestKalendarz::startText_showsThatDateOrToday_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    // The fake clock stands at 06.12.2026.
    QTest::newRow("valid date") << "24.12.2026"
                                << "24.12.2026" << 12 << 2026;
    QTest::newRow("valid, other year") << "15.03.1974"
                                       << "15.03.1974" << 3 << 1974;
    QTest::newRow("blanks around") << " 01.07.2030 "
                                   << "01.07.2030" << 7 << 2030;
    QTest::newRow("before day 0") << "01.01.1850"
                                  << "01.01.1850" << 1 << 1850;
    QTest::newRow("empty") << ""
                           << "06.12.2026" << 12 << 2026;
    QTest::newRow("not ten characters") << "1.2.2003"
                                        << "06.12.2026" << 12 << 2026;
    QTest::newRow("no such day") << "31.02.2026"
                                 << "06.12.2026" << 12 << 2026;
    QTest::newRow("day and month only") << "24.12"
                                        << "06.12.2026" << 12 << 2026;
}

void TestKalendarz::startText_showsThatDateOrToday()
{
    QFETCH(QString, start);
    QFETCH(QString, shown);
    QFETCH(int, month);
    QFETCH(int, year);

    Shown seen;
    bool referenceSet = false;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        seen = shownBy(picker);
        referenceSet = Form_Kalendarz.data() == &picker;
        QTest::keyClick(calendarGrid(picker), Qt::Key_Return);
    });
    const std::optional<QString> picked = TForm_Kalendarz::pick(nullptr, m_sim.services, start);

    QVERIFY(referenceSet);
    QCOMPARE(seen.text, shown);
    QCOMPARE(seen.month, month);
    QCOMPARE(seen.year, year);
    QVERIFY(seen.yearEnabled);
    QVERIFY(picked.has_value());
    QCOMPARE(*picked, shown);
    QVERIFY(Form_Kalendarz.isNull());
}

void TestKalendarz::monthNames_polishNominative()
{
    TForm_Kalendarz picker(m_sim.services);
    QCOMPARE(picker.ComboBox1->count(), 12);
    QCOMPARE(picker.ComboBox1->itemText(0), QStringLiteral("styczeń"));
    QCOMPARE(picker.ComboBox1->itemText(1), QStringLiteral("luty"));
    QCOMPARE(picker.ComboBox1->itemText(11), QStringLiteral("grudzień"));
}

void TestKalendarz::monthChosen_dayBecomesFirst_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("chosenMonth");
    QTest::addColumn<QString>("picked");
    QTest::newRow("31 Jan to February") << "31.01.2026" << 2 << "01.02.2026";
    QTest::newRow("mid month backwards") << "24.12.2026" << 3 << "01.03.2026";
    QTest::newRow("leap year February") << "30.03.2024" << 2 << "01.02.2024";
}

void TestKalendarz::monthChosen_dayBecomesFirst()
{
    QFETCH(QString, start);
    QFETCH(int, chosenMonth);
    QFETCH(QString, picked);

    Shown seen;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        picker.ComboBox1->setCurrentIndex(chosenMonth - 1);
        seen = shownBy(picker);
        QTest::mouseClick(picker.Button_OK, Qt::LeftButton);
    });
    const std::optional<QString> answer = TForm_Kalendarz::pick(nullptr, m_sim.services, start);

    QCOMPARE(seen.text, picked);
    QCOMPARE(seen.month, chosenMonth);
    QVERIFY(answer.has_value());
    QCOMPARE(*answer, picked);
}

void TestKalendarz::yearChanged_keepsDayAndMonth_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("picked");
    QTest::newRow("ordinary day") << "15.06.2026" << 2030 << "15.06.2030";
    QTest::newRow("29 Feb to a common year") << "29.02.2024" << 2025 << "28.02.2025";
    QTest::newRow("29 Feb to a leap year") << "29.02.2024" << 2028 << "29.02.2028";
    QTest::newRow("lowest year") << "06.12.2026" << 1000 << "06.12.1000";
}

void TestKalendarz::yearChanged_keepsDayAndMonth()
{
    QFETCH(QString, start);
    QFETCH(int, year);
    QFETCH(QString, picked);

    Shown seen;
    QDate calendarDate;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        picker.SpinEdit_Rok->setValue(year);
        seen = shownBy(picker);
        calendarDate = picker.Calendar1->selectedDate();
        QTest::mouseClick(picker.Button_OK, Qt::LeftButton);
    });
    const std::optional<QString> answer = TForm_Kalendarz::pick(nullptr, m_sim.services, start);

    QCOMPARE(seen.text, picked);
    QCOMPARE(calendarDate.toString(QStringLiteral("dd.MM.yyyy")), picked);
    QCOMPARE(answer.value_or(QString()), picked);
}

void TestKalendarz::calendarChange_updatesEveryControl()
{
    TForm_Kalendarz picker(m_sim.services);
    picker.Panel_Data->setText(QStringLiteral("24.12.2026"));
    picker.show();
    // A day of the previous month shown in the grid, picked by the user.
    picker.Calendar1->setSelectedDate(QDate(2026, 11, 30));
    QCOMPARE(picker.Panel_Data->text(), QStringLiteral("30.11.2026"));
    QCOMPARE(picker.ComboBox1->currentIndex(), 10);
    QCOMPARE(picker.SpinEdit_Rok->value(), 2026);
    picker.Calendar1->setSelectedDate(QDate(2027, 1, 2));
    QCOMPARE(picker.Panel_Data->text(), QStringLiteral("02.01.2027"));
    QCOMPARE(picker.SpinEdit_Rok->value(), 2027);
}

void TestKalendarz::monthBoxLeftWithUnknownText_firstMonthCalendarUnchanged()
{
    TForm_Kalendarz picker(m_sim.services);
    picker.Panel_Data->setText(QStringLiteral("24.05.2026"));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    picker.ComboBox1->setFocus();
    picker.ComboBox1->setEditText(QStringLiteral("xyz"));
    picker.Button_OK->setFocus();

    QCOMPARE(picker.ComboBox1->currentIndex(), 0);
    QCOMPARE(picker.ComboBox1->currentText(), QStringLiteral("styczeń"));
    QCOMPARE(picker.date(), QDate(2026, 5, 24));
    QCOMPARE(picker.Panel_Data->text(), QStringLiteral("24.05.2026"));
}

void TestKalendarz::monthTyped_choosesThatMonth_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("month"); // the month box's month after leaving it
    QTest::addColumn<QString>("picked");
    QTest::newRow("a listed name") << "marzec" << 3 << "01.03.2026";
    QTest::newRow("other case") << "LUTY" << 2 << "01.02.2026";
    QTest::newRow("the shown month again") << "maj" << 5 << "24.05.2026";
    QTest::newRow("only the start of a name") << "mar" << 1 << "24.05.2026";
}

void TestKalendarz::monthTyped_choosesThatMonth()
{
    QFETCH(QString, typed);
    QFETCH(int, month);
    QFETCH(QString, picked);
    TForm_Kalendarz picker(m_sim.services);
    picker.Panel_Data->setText(QStringLiteral("24.05.2026"));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    picker.ComboBox1->setFocus();
    picker.ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(picker.ComboBox1->lineEdit(), typed);
    picker.Button_OK->setFocus();

    QCOMPARE(picker.ComboBox1->currentIndex() + 1, month);
    QCOMPARE(picker.ComboBox1->currentText(), picker.ComboBox1->itemText(month - 1));
    QCOMPARE(picker.Panel_Data->text(), picked);
    QCOMPARE(DateText::toText(picker.Calendar1->selectedDate()), picked);
}

void TestKalendarz::lockedYear_monthStillChanges_tagResetOnHide()
{
    Shown seen;
    int tagWhileShown = -1;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        tagWhileShown = picker.tag();
        picker.ComboBox1->setCurrentIndex(4);
        picker.Calendar1->setSelectedDate(QDate(2026, 5, 17));
        seen = shownBy(picker);
        QTest::keyClick(picker.ComboBox1, Qt::Key_Enter);
    });
    QLineEdit field(QStringLiteral("11.11"));
    const bool ok = TForm_Kalendarz::pick(nullptr, &field, m_sim.services, TForm_Kalendarz::LockYear);

    QCOMPARE(tagWhileShown, 1);
    QVERIFY(!seen.yearEnabled);
    QCOMPARE(seen.text, QStringLiteral("17.05.2026"));
    QVERIFY(ok);
    QCOMPARE(field.text(), QStringLiteral("17.05.2026"));

    TForm_Kalendarz picker(m_sim.services);
    picker.setTag(TForm_Kalendarz::LockYear);
    picker.show();
    QVERIFY(!picker.SpinEdit_Rok->isEnabled());
    picker.hide();
    QCOMPARE(picker.tag(), 0);
}

void TestKalendarz::cancelKeys_fieldKeepsText_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Esc in the grid") << "grid";
    QTest::newRow("Esc in the year editor") << "year";
    QTest::newRow("Anuluj button") << "button";
}

void TestKalendarz::cancelKeys_fieldKeepsText()
{
    QFETCH(QString, how);
    whenPickerShown([&](TForm_Kalendarz &picker) {
        picker.Calendar1->setSelectedDate(QDate(2026, 1, 5)); // a change the cancel must drop
        if (how == QLatin1String("grid")) {
            QTest::keyClick(calendarGrid(picker), Qt::Key_Escape);
        } else if (how == QLatin1String("year")) {
            QTest::keyClick(picker.SpinEdit_Rok, Qt::Key_Escape);
        } else {
            QTest::mouseClick(picker.Button_Anuluj, Qt::LeftButton);
        }
    });
    QLineEdit field(QStringLiteral("24.12.2026"));
    QSignalSpy changes(&field, &QLineEdit::textChanged);
    const bool ok = TForm_Kalendarz::pick(nullptr, &field, m_sim.services);

    QVERIFY(!ok);
    QCOMPARE(field.text(), QStringLiteral("24.12.2026"));
    QCOMPARE(changes.count(), 0);
    QVERIFY(Form_Kalendarz.isNull());
}

void TestKalendarz::okButton_fieldTakesDate()
{
    whenPickerShown([](TForm_Kalendarz &picker) {
        QTest::mouseClick(picker.Button_OK, Qt::LeftButton);
    });
    QLineEdit field;
    QSignalSpy changes(&field, &QLineEdit::textChanged);
    QVERIFY(TForm_Kalendarz::pick(nullptr, &field, m_sim.services));
    QCOMPARE(field.text(), QStringLiteral("06.12.2026"));
    QCOMPARE(changes.count(), 1);
}

void TestKalendarz::nameDayCaller_keepsFiveCharacters()
{
    whenPickerShown([](TForm_Kalendarz &picker) {
        picker.Calendar1->setSelectedDate(QDate(2026, 12, 24));
        QTest::keyClick(calendarGrid(picker), Qt::Key_Return);
    });
    QLineEdit field(QStringLiteral("01.05"));
    QVERIFY(TForm_Kalendarz::pick(nullptr, &field, m_sim.services, TForm_Kalendarz::LockYear, 5));
    QCOMPARE(field.text(), QStringLiteral("24.12"));
}

void TestKalendarz::opensUnderMousePointer()
{
    QCursor::setPos(300, 200);
    if (QCursor::pos() != QPoint(300, 200)) {
        QSKIP("This platform does not let a test move the pointer");
    }
    TForm_Kalendarz picker(m_sim.services);
    picker.show();
    QCOMPARE(picker.pos(), QPoint(290, 190));
}

void TestKalendarz::everyDay_insideDialogAndPicked_data()
{
    QTest::addColumn<QDate>("month");
    QTest::newRow("December 2026") << QDate(2026, 12, 1);
    QTest::newRow("March 2026, six weeks of its own") << QDate(2026, 3, 1);
    QTest::newRow("February 2027, starts on Monday") << QDate(2027, 2, 1);
}

void TestKalendarz::everyDay_insideDialogAndPicked()
{
    QFETCH(QDate, month);
    Fonts::install(); // the grid must fit at the program's own font
    TForm_Kalendarz picker(m_sim.services);
    picker.Panel_Data->setText(month.toString("15.MM.yyyy"));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto *view = picker.Calendar1->findChild<QTableView *>();
    QCOMPARE(view->model()->rowCount(), 7); // weekday header and six weeks
    int day = 0;                            // the month's days: the cells from its first "1" on
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 7; ++column) {
            const QRect cell = view->visualRect(view->model()->index(row, column));
            const QRect inDialog(view->viewport()->mapTo(&picker, cell.topLeft()), cell.size());
            QVERIFY2(view->viewport()->rect().contains(cell) && picker.rect().contains(inDialog),
                     qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(column)));
            QVERIFY(cell.height() >= QFontMetrics(view->font()).ascent());
            if (row > 0 && day < month.daysInMonth() && view->model()->index(row, column).data() == day + 1) {
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
                QCOMPARE(picker.date(), month.addDays(day++));
            }
        }
    }
    QCOMPARE(day, month.daysInMonth());
}

QTEST_MAIN(TestKalendarz)
#include "tst_kalendarz.moc"
