#include "support/ContactLines.h"
#include "support/ModalHelpers.h"
#include "support/ShellFixture.h"

#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/datepicker/TForm_Kalendarz.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray contactLine(const QString &name, const QString &city, const QString &birthday)
{
    return contactLineByColumns(name, city, {}, birthday) + "\r\n";
}

QByteArray termLine(const QString &date, const QString &person, const QString &place, const QString &description)
{
    return Cp1250::encode(AppointmentRecord::encode({date, person, place, description})) + "\r\n";
}

QStringList rows(const TForm_Terminy &w)
{
    QStringList out;
    for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = w.ListView1->topLevelItem(i);
        out << item->text(0) + u'|' + item->text(1) + u'|' + item->text(2) + u'|' + item->text(3);
    }
    return out;
}

void clickRow(TForm_Terminy &w, int row)
{
    const QRect rect = w.ListView1->visualItemRect(w.ListView1->topLevelItem(row));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, rect.center());
}

void typeInto(QWidget *editor, const QString &text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), {});
    }
}

// Swallows the application's quit request so the test can see it and go on.
class QuitCatcher : public QObject
{
public:
    int quits = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Quit) {
            ++quits;
            return true;
        }
        return false;
    }
};

const QByteArray wigilia = termLine("24.12.2026", "Anna Nowak", "Kraków", "Wigilia");
const QByteArray sylwester = termLine("31.12.2026", "Bartek", "Zakopane", "Sylwester");
const QByteArray tooOld = termLine("01.12.2026", "Stary", "", "minione");

} // namespace

class TestTerminy : public QObject
{
    Q_OBJECT

private slots:

    void opened_listEditorsAndButtons();
    void typedDate_enablesNowyAndBold_data();
    void typedDate_enablesNowyAndBold();
    void storedSelected_changedWithCtrlS_movesToFileEnd();
    void birthdaySelected_nowyStoresCopy();
    void delete_askedThenSaved_data();
    void delete_askedThenSaved();
    void deleteAfterSave_nothingSelected_beeps();
    void saveFails_errorShownEditorsKept();
    void closeButton_question_data();
    void closeButton_question();
    void esc_closesWithoutQuestion();
    void enter_movesFocusAlongTabOrder();
    void ctrlShiftAltQ_onlyThatCombinationQuits();
    void calendarButton_putsPickedDate_data();
    void calendarButton_putsPickedDate();
    void menuTerminy_opensOnceAndBeeps();
    void timeEditors_enableSave_data();
    void timeEditors_enableSave();
    void timedAppointment_savedMovedAndDeleted();

private:
    // A main window over a folder holding these files, the reminder kept quiet, and the
    // appointments window opened from the tray menu.
    TForm_Terminy &open(ShellFixture &f, const QByteArray &terms, const QByteArray &contacts = {})
    {
        f.writeFile(QStringLiteral("Morwinek.ini"), "[Terminy]\r\nAUTOTERMINY=0\r\n");
        if (!terms.isEmpty()) {
            f.writeFile(QStringLiteral("Morwinek.term"), terms);
        }
        if (!contacts.isEmpty()) {
            f.writeFile(QStringLiteral("Morwinek.data"), contacts);
        }
        TForm_Main &main = f.start();
        f.sim.prompter.clear();
        main.Terminy->trigger();
        return *Form_Terminy;
    }
};

void TestTerminy::opened_listEditorsAndButtons()
{
    ShellFixture f;
    TForm_Terminy &w = open(
        f, sylwester + tooOld + wigilia, contactLine("Zawada Ola", "Łódź", "07.12.1990") + contactLine("Adam", "", ""));
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Morwinek - Terminy"));
    QCOMPARE(w.Label_Witam->text(), QStringLiteral("06.12.2026"));
    QCOMPARE(rows(w),
             (QStringList{"07.12.2026|Zawada Ola|Łódź|36 urodziny",
                          "24.12.2026|Anna Nowak|Kraków|Wigilia",
                          "31.12.2026|Bartek|Zakopane|Sylwester"}));
    const QTreeWidgetItem *header = w.ListView1->headerItem();
    QCOMPARE((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
             (QStringList{"Data", "Osoba", "Miejsce", "Opis"}));
    QCOMPARE(w.ListView1->columnWidth(0), 66);
    QCOMPARE(w.ListView1->columnWidth(3), 202);
    QCOMPARE(w.cbOsoba->count(), 2);
    QCOMPARE(w.cbOsoba->itemText(0), QStringLiteral("Zawada Ola"));
    QVERIFY(w.cbOsoba->currentText().isEmpty());
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Nowy"));
    QVERIFY(!w.bDodaj->isEnabled());
    QVERIFY(!w.bKasuj->isEnabled());
    QVERIFY(!w.isUnsaved());
    QCOMPARE(w.focusWidget(), w.Button1);
    QCOMPARE(w.eData->maxLength(), 10);
    QCOMPARE(w.cbOsoba->lineEdit()->maxLength(), 30);
    QCOMPARE(w.eMiejsce->maxLength(), 50);
    QCOMPARE(w.eOpis->maxLength(), 100);
    QCOMPARE(f.main->trayIconIndex(), int(TForm_Main::IconOpen));
    // The lower group's controls stand inside its frame, under its caption, and clear of each other.
    const QList<QWidget *> controls = w.GroupBox1->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 18); // with the start, end and alarm editors and their captions
    for (QWidget *c : controls) {
        QVERIFY2(w.GroupBox1->contentsRect().contains(c->geometry()), qPrintable(c->objectName()));
        for (QWidget *other : controls) {
            QVERIFY2(c == other || !c->geometry().intersects(other->geometry()),
                     qPrintable(c->objectName() + u' ' + other->objectName()));
        }
    }
    // Opening reads the file without rewriting it.
    QVERIFY(f.readFile(QStringLiteral("Morwinek.term")).contains(tooOld));
}

void TestTerminy::typedDate_enablesNowyAndBold_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("valid");
    QTest::newRow("valid date") << "24.12.2026" << true;
    QTest::newRow("no 31 February") << "31.02.2026" << false;
    QTest::newRow("nine characters") << "24.12.202" << false;
    QTest::newRow("letters") << "ab.cd.efgh" << false;
}

void TestTerminy::typedDate_enablesNowyAndBold()
{
    QFETCH(QString, date);
    QFETCH(bool, valid);
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QTest::keyClicks(w.eData, date);
    QCOMPARE(w.bDodaj->isEnabled(), valid);
    QCOMPARE(w.isUnsaved(), valid);
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Nowy"));

    QTest::keyClick(w.eData, Qt::Key_Backspace);
    QVERIFY(!w.bDodaj->isEnabled());
    QVERIFY(!w.isUnsaved());
}

void TestTerminy::storedSelected_changedWithCtrlS_movesToFileEnd()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, wigilia + sylwester);
    clickRow(w, 0);
    QCOMPARE(w.eData->text(), QStringLiteral("24.12.2026"));
    QCOMPARE(w.cbOsoba->currentText(), QStringLiteral("Anna Nowak"));
    QCOMPARE(w.eMiejsce->text(), QStringLiteral("Kraków"));
    QCOMPARE(w.eOpis->text(), QStringLiteral("Wigilia"));
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Zapisz"));
    QVERIFY(w.bDodaj->isEnabled());
    QVERIFY(w.bKasuj->isEnabled());
    QVERIFY(!w.isUnsaved());

    typeInto(w.eOpis, QStringLiteral(" u Ćwików"));
    QVERIFY(w.isUnsaved());
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Zapisz"));
    QTest::keyClick(w.eOpis, Qt::Key_S, Qt::ControlModifier);

    const QByteArray changed = termLine("24.12.2026", "Anna Nowak", "Kraków", "Wigilia u Ćwików");
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), sylwester + changed);
    QCOMPARE(rows(w),
             (QStringList{"24.12.2026|Anna Nowak|Kraków|Wigilia u Ćwików", "31.12.2026|Bartek|Zakopane|Sylwester"}));
    QVERIFY(w.eData->text().isEmpty() && w.eOpis->text().isEmpty());
    QVERIFY(w.cbOsoba->currentText().isEmpty() && w.eMiejsce->text().isEmpty());
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Nowy"));
    QVERIFY(!w.bDodaj->isEnabled());
    QVERIFY(!w.isUnsaved());
    QVERIFY(w.bKasuj->isEnabled()); // left as it was
    QVERIFY(w.ListView1->selectedItems().isEmpty());
    QVERIFY(f.sim.prompter.boxes.isEmpty());
}

void TestTerminy::birthdaySelected_nowyStoresCopy()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, {}, contactLine("Kowal Jan", "Radom", "08.12.1980"));
    QCOMPARE(rows(w), QStringList{"08.12.2026|Kowal Jan|Radom|46 urodziny"});
    clickRow(w, 0);
    QCOMPARE(w.bDodaj->text(), QStringLiteral("&Nowy"));
    QVERIFY(w.bDodaj->isEnabled());
    QVERIFY(!w.bKasuj->isEnabled());
    QVERIFY(!w.isUnsaved());

    QTest::mouseClick(w.bDodaj, Qt::LeftButton);
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), termLine("08.12.2026", "Kowal Jan", "Radom", "46 urodziny"));
    QCOMPARE(rows(w),
             (QStringList{"08.12.2026|Kowal Jan|Radom|46 urodziny", "08.12.2026|Kowal Jan|Radom|46 urodziny"}));
}

void TestTerminy::delete_askedThenSaved_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("OK deletes") << int(Prompter::Ok);
    QTest::newRow("Cancel keeps") << int(Prompter::Cancel);
}

void TestTerminy::delete_askedThenSaved()
{
    QFETCH(int, answer);
    ShellFixture f;
    TForm_Terminy &w = open(f, tooOld + wigilia + sylwester);
    clickRow(w, 0);
    f.sim.prompter.answers = {Prompter::Answer(answer)};
    QTest::mouseClick(w.bKasuj, Qt::LeftButton);

    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    const FakePrompter::Box &box = f.sim.prompter.boxes.first();
    QCOMPARE(box.caption, QStringLiteral("Ostrzeżenie!"));
    QCOMPARE(box.text, QStringLiteral("Chcesz usunąć termin 24.12.2026\rAnna Nowak - Kraków\rWigilia"));
    QCOMPARE(box.flags, 0x111u);
    // The file is rewritten either way, so the line too old to list is gone.
    if (answer == Prompter::Ok) {
        QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), sylwester);
        QCOMPARE(rows(w), QStringList{"31.12.2026|Bartek|Zakopane|Sylwester"});
        QVERIFY(w.ListView1->selectedItems().isEmpty());
        QCOMPARE(w.eData->text(), QStringLiteral("24.12.2026")); // the editors keep their texts
        QCOMPARE(w.bDodaj->text(), QStringLiteral("&Nowy"));
        QVERIFY(!w.bKasuj->isEnabled());
    } else {
        QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), wigilia + sylwester);
        QCOMPARE(rows(w).size(), 2);
    }
}

void TestTerminy::deleteAfterSave_nothingSelected_beeps()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, wigilia);
    clickRow(w, 0);
    typeInto(w.eMiejsce, QStringLiteral("!"));
    QTest::mouseClick(w.bDodaj, Qt::LeftButton);
    QVERIFY(w.bKasuj->isEnabled());
    QVERIFY(w.ListView1->selectedItems().isEmpty());
    const QByteArray before = f.readFile(QStringLiteral("Morwinek.term"));

    QTest::mouseClick(w.bKasuj, Qt::LeftButton);
    QCOMPARE(f.sim.prompter.beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QVERIFY(f.sim.prompter.boxes.isEmpty());
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), before);
}

void TestTerminy::saveFails_errorShownEditorsKept()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, wigilia);
    // The file's place is taken by a folder, so it cannot be replaced.
    QVERIFY(QFile::remove(f.path(QStringLiteral("Morwinek.term"))));
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("Morwinek.term")));
    clickRow(w, 0);
    typeInto(w.eOpis, QStringLiteral("!"));
    QTest::mouseClick(w.bDodaj, Qt::LeftButton);

    QCOMPARE(f.sim.prompter.boxes.size(), 1);
    QCOMPARE(f.sim.prompter.boxes.first().caption, QStringLiteral("Błąd!"));
    QVERIFY(!f.sim.prompter.boxes.first().text.isEmpty());
    QCOMPARE(rows(w), QStringList{"24.12.2026|Anna Nowak|Kraków|Wigilia"});
    QCOMPARE(w.eOpis->text(), QStringLiteral("Wigilia!"));
    QVERIFY(w.isUnsaved());

    // Closing then asks, the save fails again, and the window stays open with the text.
    f.sim.prompter.answers = {Prompter::Yes};
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!Form_Terminy.isNull());
    QCOMPARE(f.sim.prompter.boxes.size(), 3);
    QCOMPARE(f.sim.prompter.boxes.last().caption, QStringLiteral("Błąd!"));
}

void TestTerminy::closeButton_question_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::newRow("nothing typed, no question") << false << int(Prompter::No) << false;
    QTest::newRow("typed, No") << true << int(Prompter::No) << false;
    QTest::newRow("typed, Yes saves") << true << int(Prompter::Yes) << true;
}

void TestTerminy::closeButton_question()
{
    QFETCH(bool, typed);
    QFETCH(int, answer);
    QFETCH(bool, saved);
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    if (typed) {
        QTest::keyClicks(w.eData, QStringLiteral("24.12.2026"));
        typeInto(w.eOpis, QStringLiteral("Święta"));
    }
    f.sim.prompter.answers = {Prompter::Answer(answer)};
    QTest::mouseClick(w.Button1, Qt::LeftButton);

    QTRY_VERIFY(Form_Terminy.isNull());
    QCOMPARE(f.sim.prompter.boxes.size(), typed ? 1 : 0);
    if (typed) {
        const FakePrompter::Box &box = f.sim.prompter.boxes.first();
        QCOMPARE(box.caption, QStringLiteral("Ostrzeżenie!"));
        QCOMPARE(box.text, QStringLiteral("Dane terminu zostały zmienione!\rChcesz zapisać bieżący termin?"));
        QCOMPARE(box.flags, 0x24u);
    }
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")),
             saved ? termLine("24.12.2026", "", "", "Święta") : QByteArray());
    QCOMPARE(f.main->trayIconIndex(), int(TForm_Main::IconIdle));
}

void TestTerminy::esc_closesWithoutQuestion()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QTest::keyClicks(w.eData, QStringLiteral("24.12.2026"));
    QVERIFY(w.isUnsaved());
    QTest::keyClick(w.eData, Qt::Key_Escape);
    QTRY_VERIFY(Form_Terminy.isNull());
    QVERIFY(f.sim.prompter.boxes.isEmpty());
    QVERIFY(!QFile::exists(f.path(QStringLiteral("Morwinek.term"))));
}

void TestTerminy::enter_movesFocusAlongTabOrder()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, wigilia);
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    clickRow(w, 0); // enables both buttons, so none is skipped

    w.ListView1->setFocus();
    // The alarm choice waits for a start time, so an all-day appointment passes it by.
    const QList<QWidget *> order{
        w.eData, w.eOpis, w.cbOsoba, w.eMiejsce, w.eCzasOd, w.eCzasDo, w.bDodaj, w.bKasuj, w.Button1};
    for (QWidget *next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY2(focus == next || focus->focusProxy() == next || focus->parentWidget() == next,
                 qPrintable(QStringLiteral("focus on %1, expected %2").arg(focus->objectName(), next->objectName())));
    }
    // Enter on a button only moves on; it never presses it.
    QVERIFY(!Form_Terminy.isNull());
    QVERIFY(f.sim.prompter.boxes.isEmpty());
}

void TestTerminy::ctrlShiftAltQ_onlyThatCombinationQuits()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QuitCatcher catcher;
    qApp->installEventFilter(&catcher);
    int quitsBefore = -1;
    // Quitting only means something while the application's event loop runs.
    QTimer::singleShot(0, [&] {
        QTest::keyClick(w.eData, Qt::Key_Q, Qt::ControlModifier);
        QTest::keyClick(w.eData, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(w.eData, Qt::Key_Q, Qt::ShiftModifier | Qt::AltModifier);
        quitsBefore = catcher.quits;
        QTest::keyClick(w.eOpis, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    qApp->removeEventFilter(&catcher);
    QCOMPARE(quitsBefore, 0);
    QCOMPARE(catcher.quits, 1);
}

void TestTerminy::calendarButton_putsPickedDate_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Esc") << false;
}

void TestTerminy::calendarButton_putsPickedDate()
{
    QFETCH(bool, ok);
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QTest::keyClicks(w.eData, QStringLiteral("1.2.2003"));
    bool yearEditable = false;
    QString startShown;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        yearEditable = picker.SpinEdit_Rok->isEnabled();
        startShown = picker.Panel_Data->text();
        picker.Calendar1->setSelectedDate(QDate(2026, 12, 24));
        QTest::keyClick(&picker, ok ? Qt::Key_Return : Qt::Key_Escape);
    });
    QTest::mouseClick(w.SB_Urodziny, Qt::LeftButton);

    QVERIFY(yearEditable);
    QCOMPARE(startShown, QStringLiteral("06.12.2026")); // not a date: today
    QCOMPARE(w.eData->text(), ok ? QStringLiteral("24.12.2026") : QStringLiteral("1.2.2003"));
    QCOMPARE(w.bDodaj->isEnabled(), ok);
    QCOMPARE(w.isUnsaved(), ok);
    QVERIFY(Form_Kalendarz.isNull());
}

void TestTerminy::menuTerminy_opensOnceAndBeeps()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QVERIFY(f.main->Terminy->isEnabled());
    f.main->Terminy->trigger();
    QCOMPARE(Form_Terminy.data(), &w);
    QCOMPARE(f.sim.prompter.beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(ShellWindow::openCount(), 1);
}

void TestTerminy::timeEditors_enableSave_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("saveable");
    QTest::addColumn<bool>("alarmChoosable");
    QTest::newRow("all-day") << ""
                             << "" << true << false;
    QTest::newRow("start only") << "9:05"
                                << "" << true << true;
    QTest::newRow("start and end") << "14:30"
                                   << "15:45" << true << true;
    QTest::newRow("no such hour") << "24:00"
                                  << "" << false << false;
    QTest::newRow("half typed") << "14:3"
                                << "" << false << false;
    QTest::newRow("end without start") << ""
                                       << "10:00" << false << false;
}

void TestTerminy::timeEditors_enableSave()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, saveable);
    QFETCH(bool, alarmChoosable);
    ShellFixture f;
    TForm_Terminy &w = open(f, {});
    QTest::keyClicks(w.eData, QStringLiteral("24.12.2026"));
    QTest::keyClicks(w.eCzasOd, start);
    QTest::keyClicks(w.eCzasDo, end);
    QCOMPARE(w.bDodaj->isEnabled(), saveable);
    QCOMPARE(w.isUnsaved(), saveable);
    QCOMPARE(w.cbPrzypomnij->isEnabled(), alarmChoosable && saveable);
}

void TestTerminy::timedAppointment_savedMovedAndDeleted()
{
    ShellFixture f;
    TForm_Terminy &w = open(f, wigilia);
    QTest::keyClicks(w.eData, QStringLiteral("24.12.2026"));
    QTest::keyClicks(w.eOpis, QStringLiteral("Dentysta"));
    QTest::keyClicks(w.eCzasOd, QStringLiteral("8:30"));
    QTest::keyClicks(w.eCzasDo, QStringLiteral("09:15"));
    w.cbPrzypomnij->setCurrentIndex(w.cbPrzypomnij->findText(QStringLiteral("15 min przed")));
    QTest::mouseClick(w.bDodaj, Qt::LeftButton);

    // The record itself is what it always was; the time lives beside it.
    const QByteArray dentist = termLine("24.12.2026", "", "", "Dentysta");
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), wigilia + dentist);
    QVERIFY(f.readFile(QStringLiteral("Morwinek.godziny")).contains("T|08:30|09:15|15|" + dentist.chopped(2)));
    // All-day entries of a day come before the timed ones.
    QCOMPARE(rows(w), (QStringList{"24.12.2026|Anna Nowak|Kraków|Wigilia", "24.12.2026 08:30-09:15|||Dentysta"}));
    QCOMPARE(w.ListView1->columnWidth(0), 128);
    QCOMPARE(w.ListView1->columnWidth(0) + w.ListView1->columnWidth(1) + w.ListView1->columnWidth(2)
                 + w.ListView1->columnWidth(3),
             66 + 140 + 80 + 202);
    QVERIFY(w.eCzasOd->text().isEmpty() && w.eCzasDo->text().isEmpty());

    // Changed here, the record becomes another one and its time goes with it.
    clickRow(w, 1);
    QCOMPARE(w.eCzasOd->text(), QStringLiteral("08:30"));
    QCOMPARE(w.cbPrzypomnij->currentText(), QStringLiteral("15 min przed"));
    typeInto(w.eOpis, QStringLiteral(" Łukasz"));
    QTest::keyClick(w.eOpis, Qt::Key_S, Qt::ControlModifier);
    const QByteArray renamed = termLine("24.12.2026", "", "", "Dentysta Łukasz");
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), wigilia + renamed);
    QByteArray side = f.readFile(QStringLiteral("Morwinek.godziny"));
    QVERIFY(side.contains("T|08:30|09:15|15|" + renamed.chopped(2)));
    QVERIFY(!side.contains(dentist.chopped(2)));

    // A new window reads the time back; deleting the appointment takes its time away.
    w.close();
    QTRY_VERIFY(Form_Terminy.isNull());
    f.main->Terminy->trigger();
    TForm_Terminy &again = *Form_Terminy;
    QCOMPARE(rows(again),
             (QStringList{"24.12.2026|Anna Nowak|Kraków|Wigilia", "24.12.2026 08:30-09:15|||Dentysta Łukasz"}));
    clickRow(again, 1);
    f.sim.prompter.answers = {Prompter::Ok};
    QTest::mouseClick(again.bKasuj, Qt::LeftButton);
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), wigilia);
    QVERIFY(!f.readFile(QStringLiteral("Morwinek.godziny")).contains("T|"));
    QCOMPARE(again.ListView1->columnWidth(0), 66);
}

QTEST_MAIN(TestTerminy)
#include "tst_terminy.moc"
