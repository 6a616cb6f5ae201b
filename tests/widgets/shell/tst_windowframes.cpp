#include "support/ShellFixture.h"

#include "platform/sim/FakeLineApi.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/calc/TForm_Kalk.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/shell/Fonts.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

// What every window owes the desktop: a place in the task switcher, names for a screen reader.
class TestWindowFrames : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Fonts::install(); } // the program's own fonts, as laid out
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
    QTest::addColumn<int>("pictureButtons"); // at least
    QTest::addColumn<bool>("wideCaptions");  // captions drawn wider and taller, as with other fonts installed
    for (const bool wide : {false, true}) {
        const QString fonts = wide ? QStringLiteral(", wide captions") : QString();
        QTest::addRow("contacts%s", qPrintable(fonts)) << "Kontakty" << 13 << wide; // toolbar and dial buttons
        QTest::addRow("appointments%s", qPrintable(fonts)) << "Terminy" << 1 << wide;
        QTest::addRow("biorhythms%s", qPrintable(fonts)) << "Biorytmy" << 3 << wide;
        QTest::addRow("calculations%s", qPrintable(fonts)) << "Kalkulacje" << 4 << wide;
        QTest::addRow("about%s", qPrintable(fonts)) << "Informacje" << 0 << wide;
        QTest::addRow("sync%s", qPrintable(fonts)) << "Synchronizacja" << 0 << wide;
        QTest::addRow("quick dial%s", qPrintable(fonts)) << "Szybkie" << 0 << wide; // from the contacts window
    }
}

void TestWindowFrames::everyWindow_switchableAndNamed()
{
    QFETCH(QString, action);
    QFETCH(int, pictureButtons);
    QFETCH(bool, wideCaptions);
    if (wideCaptions) {
        qApp->setStyleSheet(
            QStringLiteral("QLabel, QToolButton { font-family: \"Liberation Mono\"; font-size: 14px; }"));
    }
    const auto plain = qScopeGuard([] {
        qApp->setStyleSheet(QString());
    });
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
    const auto captionOf = [w](const char *field) {
        for (QLabel *l : w->findChildren<QLabel *>()) {
            if (l->buddy() && l->buddy()->objectName() == QLatin1String(field)) {
                return l->text();
            }
        }
        return QString();
    };
    if (action == "Kontakty") { // a field under a speed button that shows its caption
        QCOMPARE(w->findChild<QLineEdit *>("Edit_TelDom")->accessibleName(), QStringLiteral("Telefon domowy"));
        QCOMPARE(captionOf("Edit_TelWew"), QStringLiteral("Wew."));
        QCOMPARE(captionOf("Edit_DomKod"), QStringLiteral("Kod poczt."));
        QCOMPARE(captionOf("Edit_PracaURL"), QStringLiteral("Firmowa strona internetowa"));
    }
    if (action == "Kalkulacje") {
        QCOMPARE(captionOf("C2"), QStringLiteral("VAT 23%"));
        auto *kalk = static_cast<TForm_Kalk *>(w);
        QCOMPARE(kalk->size(), QSize(117, 205));
        QCOMPARE(kalk->Button1->geometry(), QRect(8, 12, 100, 22));
        for (QLabel *tax : {kalk->LVAT1, kalk->LVAT2}) {
            QVERIFY(kalk->GroupBox1->contentsRect().contains(tax->geometry()));
            // The amount is drawn whole, clear of the unit label beside it.
            const int drawn = tax->fontMetrics().horizontalAdvance(tax->text());
            QVERIFY2(drawn <= tax->width(), qPrintable(tax->text()));
            const QLabel *unit = tax == kalk->LVAT1 ? kalk->L2 : kalk->L3;
            QVERIFY(tax->x() + tax->width() - drawn > unit->x() + unit->fontMetrics().horizontalAdvance(unit->text()));
            if (!wideCaptions) {
                QCOMPARE(tax->x() + tax->width(), 104); // as laid out where nothing overlaps
            }
        }
    }
    if (auto *contacts = qobject_cast<TForm_Notatniczek *>(w); contacts && action == "Kontakty") {
        QCOMPARE(contacts->Image_Zdjecie->size(), QSize(133, 142));
        QVERIFY(contacts->Panel1->contentsRect().contains(contacts->Image_Zdjecie->geometry()));
        if (!wideCaptions) {
            QCOMPARE(contacts->height(), 335);
        }
        // Every day's names fit whole in the today panel, above the close button.
        QLabel *names = contacts->Label_wypisz2;
        QVERIFY(contacts->Panel2->contentsRect().contains(names->geometry()));
        QVERIFY(contacts->Panel2->geometry().bottom() < contacts->Button_Zamknij->geometry().top());
        QVERIFY(contacts->Panel2->geometry().top() > contacts->Panel1->geometry().bottom());
        QVERIFY(contacts->Button_Zamknij->geometry().bottom() < contacts->height());
    }
    if (auto *terminy = qobject_cast<TForm_Terminy *>(w)) {
        QCOMPARE(captionOf("eData"), QStringLiteral("Data"));
        QCOMPARE(captionOf("eOpis"), QStringLiteral("Opis"));
        QCOMPARE(captionOf("cbOsoba"), QStringLiteral("Osoba"));
        QCOMPARE(captionOf("eMiejsce"), QStringLiteral("Miejsce"));
        QCOMPARE(terminy->SB_Urodziny->accessibleName(), QStringLiteral("Kalendarz"));
        QVERIFY(QTest::qWaitForWindowExposed(terminy)); // and its columns fit without scrolling
        QVERIFY(!terminy->ListView1->horizontalScrollBar()->isVisible());
    }
}

QTEST_MAIN(TestWindowFrames)
#include "tst_windowframes.moc"
