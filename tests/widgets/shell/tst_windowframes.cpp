#include "support/ShellFixture.h"

#include "widgets/appointments/TForm_Terminy.h"

#include <QAbstractButton>
#include <QAction>
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
}

void TestWindowFrames::everyWindow_switchableAndNamed()
{
    QFETCH(QString, action);
    QFETCH(int, pictureButtons);
    ShellFixture fx;
    fx.start();
    for (QAction *a : fx.main->PopupMenu1->actions()) {
        if (a->objectName() == action) {
            a->trigger();
        }
    }
    QCOMPARE(openWindows().size(), 1);
    ShellWindow *w = openWindows().first();
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
