#include "support/ShellFixture.h"

#include "widgets/about/TForm_Inform.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>

// The about window: the start-at-login switch and the links.
class TestInform : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { delete Form_Inform.data(); }
    void autostartOnShow_data();
    void autostartOnShow();
    void uncheckThenCheck_leavesOneEntryForThisCopy();
    void links_openOnReleaseAndChangeColour();
    void links_onlyForConfiguredAddresses_data();
    void links_onlyForConfiguredAddresses();
    void escape_closes();
};

void TestInform::autostartOnShow_data()
{
    QTest::addColumn<QString>("entry"); // "-": none; "self": this copy's path; "SELF": in capitals
    QTest::addColumn<bool>("checked");
    QTest::newRow("no entry") << "-" << false;
    QTest::newRow("this copy") << "self" << true;
    QTest::newRow("another copy") << "/opt/inna/morwinek" << false;
    QTest::newRow("same path, other case") << "SELF" << false;
}

void TestInform::autostartOnShow()
{
    QFETCH(QString, entry);
    QFETCH(bool, checked);
    ShellFixture fx;
    const QString self = fx.sim.services.executablePath;
    fx.start(); // the main window's own clean-up has run before the entry appears
    if (entry != "-") {
        fx.sim.autostart.entry = entry == "self" ? self : entry == "SELF" ? self.toUpper() : entry;
    }
    fx.main->Informacje->trigger();
    QVERIFY(Form_Inform);
    QCOMPARE(Form_Inform->Check_Rejestr->isChecked(), checked);
    QCOMPARE(fx.sim.autostart.entry.has_value(), checked); // a foreign entry is removed
    QCOMPARE(fx.sim.autostart.writes, 0);                  // showing never switches it on
}

void TestInform::uncheckThenCheck_leavesOneEntryForThisCopy()
{
    ShellFixture fx;
    const QString self = fx.sim.services.executablePath;
    fx.sim.autostart.entry = self;
    fx.start().Informacje->trigger();
    QCheckBox *box = Form_Inform->Check_Rejestr;
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QVERIFY(!fx.sim.autostart.entry);
    fx.sim.autostart.entry = QStringLiteral("/elsewhere/morwinek"); // written meanwhile by another copy
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QCOMPARE(fx.sim.autostart.entry, std::optional<QString>(QStringLiteral("/elsewhere/morwinek")));
    box->setChecked(false); // removes whatever entry there is
    box->setChecked(true);
    QCOMPARE(fx.sim.autostart.entry, std::optional<QString>(self));
    QCOMPARE(fx.sim.autostart.writes, 1);
}

void TestInform::links_openOnReleaseAndChangeColour()
{
    ShellFixture fx;
    fx.start().setProjectAddresses(QStringLiteral("https://morwinek.test/"), QStringLiteral("autor@morwinek.test"));
    fx.main->Informacje->trigger();
    QLabel *www = Form_Inform->Label_www;
    QLabel *email = Form_Inform->Label_email;
    QCOMPARE(www->text(), QStringLiteral("strona internetowa: ") + fx.main->webPage());
    for (QLabel *link : {www, email, www}) {
        QTest::mousePress(link, Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0x80, 0, 0)); // maroon
        QTest::mouseRelease(link, Qt::LeftButton, {}, link == www ? QPoint(4, 4) : QPoint(-9, -9));
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 0x80)); // navy
    }
    QCOMPARE(fx.sim.shell.opened, QList<QUrl>({QUrl(fx.main->webPage()), QUrl(fx.main->webPage())}));
    QTest::mouseClick(email, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(fx.sim.shell.opened.last().toString(), "mailto:" + fx.main->authorEmail() + "?subject=Morwinek");
}

void TestInform::links_onlyForConfiguredAddresses_data()
{
    QTest::addColumn<QString>("webPage");
    QTest::addColumn<QString>("email");
    QTest::newRow("both") << "https://morwinek.test/"
                          << "autor@morwinek.test";
    QTest::newRow("none") << ""
                          << "";
    QTest::newRow("e-mail only") << ""
                                 << "autor@morwinek.test";
}

void TestInform::links_onlyForConfiguredAddresses()
{
    QFETCH(QString, webPage);
    QFETCH(QString, email);
    ShellFixture fx;
    fx.start().setProjectAddresses(webPage, email);
    fx.main->Informacje->trigger();
    QVERIFY(Form_Inform);
    QCOMPARE(Form_Inform->Label_www->isVisibleTo(Form_Inform), !webPage.isEmpty());
    QCOMPARE(Form_Inform->Label_email->isVisibleTo(Form_Inform), !email.isEmpty());
    QCOMPARE(Form_Inform->Label_www->text(), QStringLiteral("strona internetowa: ") + webPage);
    QCOMPARE(Form_Inform->Label_email->text(), QStringLiteral("program napisał: ") + email);
}

void TestInform::escape_closes()
{
    ShellFixture fx;
    fx.start().Informacje->trigger();
    QVERIFY(Form_Inform);
    QTest::keyClick(Form_Inform->Check_Rejestr, Qt::Key_Escape); // passed on by the box to the window
    QTRY_VERIFY(!Form_Inform);
    QCOMPARE(fx.main->trayIconIndex(), int(TForm_Main::IconIdle));
}

QTEST_MAIN(TestInform)
#include "tst_inform.moc"
