#include "support/ShellFixture.h"

#include "platform/sim/FakeLineApi.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

// What every window owes the desktop: a place in the task switcher, names for a screen reader.
class TestWindowFrames : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qDeleteAll(openWindows()); }
    void everyWindow_switchableAndNamed_data();
    void everyWindow_switchableAndNamed();

private:
    static QList<ShellWindow *> openWindows();
};

QList<ShellWindow *> TestWindowFrames::openWindows()
{
    QList<ShellWindow *> found;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<ShellWindow *>(w)) {
            found.append(window);
        }
    }
    return found;
}

void TestWindowFrames::everyWindow_switchableAndNamed_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("pictureButtons");       // at least
    QTest::newRow("contacts") << "Kontakty" << 13; // ten on the toolbar, three dial buttons
    QTest::newRow("appointments") << "Terminy" << 1;
    QTest::newRow("biorhythms") << "Biorytmy" << 3;
    QTest::newRow("calculations") << "Kalkulacje" << 3;
    QTest::newRow("about") << "Informacje" << 0;
    QTest::newRow("sync") << "Synchronizacja" << 0;
    QTest::newRow("quick dial") << "Szybkie" << 0; // from the contacts window, with a modem
}

void TestWindowFrames::everyWindow_switchableAndNamed()
{
    QFETCH(QString, action);
    QFETCH(int, pictureButtons);
    FakeLineApi modem; // outlives the main window's line
    modem.devices.resize(1);
    ShellFixture fx;
    fx.sim.services.lineApi = &modem;
    fx.start();
    for (QAction *a : fx.main->PopupMenu1->actions()) {
        if (a->objectName() == action) {
            a->trigger();
        }
    }
    if (action == "Szybkie") {
        fx.main->Kontakty->trigger();
        QTest::mouseClick(Form_Notatniczek->Button_Szybkie, Qt::LeftButton);
        QVERIFY(Form_Szybkie);
    }
    QCOMPARE(openWindows().size(), action == "Szybkie" ? 2 : 1);
    ShellWindow *w = action == "Szybkie" ? static_cast<ShellWindow *>(Form_Szybkie) : openWindows().first();
    // A tool window is left out of the task bar and Alt+Tab by window managers.
    QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(!(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    int pictures = 0;
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
        if (std::none_of(b->text().cbegin(), b->text().cend(), [](QChar c) {
                return c.isLetterOrNumber();
            })) {
            ++pictures;
            QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
        }
    }
    QVERIFY(pictures >= pictureButtons);
    // Every field a user types into is announced with a caption: its own name or a label's.
    QList<QWidget *> captioned;
    for (QLabel *l : w->findChildren<QLabel *>()) {
        captioned.append(l->buddy());
    }
    for (QLineEdit *edit : w->findChildren<QLineEdit *>()) {
        if (edit->isVisibleTo(w) && !edit->isReadOnly() && !qobject_cast<QComboBox *>(edit->parentWidget())
            && !qobject_cast<QAbstractSpinBox *>(edit->parentWidget())) {
            QVERIFY2(!edit->accessibleName().isEmpty() || captioned.contains(edit), qPrintable(edit->objectName()));
        }
    }
    if (action == "Kontakty") { // a field under a speed button that shows its caption
        QCOMPARE(w->findChild<QLineEdit *>("Edit_TelDom")->accessibleName(), QStringLiteral("Telefon domowy"));
    }
    if (auto *terminy = qobject_cast<TForm_Terminy *>(w)) {
        QCOMPARE(terminy->Label1->buddy(), terminy->eData);
        QCOMPARE(terminy->SB_Urodziny->accessibleName(), QStringLiteral("Kalendarz"));
        QVERIFY(QTest::qWaitForWindowExposed(terminy)); // and its columns fit without scrolling
        QVERIFY(!terminy->ListView1->horizontalScrollBar()->isVisible());
    }
}

QTEST_MAIN(TestWindowFrames)
#include "tst_windowframes.moc"
