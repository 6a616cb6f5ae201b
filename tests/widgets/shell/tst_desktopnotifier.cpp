#include "support/ShellFixture.h"

#include "core/alarms/AlarmScheduler.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/shell/DesktopNotifier.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private slots:
    void withoutServiceOrTray_buttonWindow_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("refusedLater"); // the service took it, then said it could not
        QTest::newRow("Otwórz") << "bOtworz" << int(Notifier::Open) << false;
        QTest::newRow("Przypomnij za 10 minut") << "bPrzypomnij" << int(Notifier::Snooze) << false;
        QTest::newRow("refused later, Otwórz") << "bOtworz" << int(Notifier::Open) << true;
    }
    void withoutServiceOrTray_buttonWindow()
    {
        QFETCH(QString, button);
        QFETCH(int, action);
        QFETCH(bool, refusedLater);
        FakeNotifier silent;
        silent.answering = refusedLater;
        DesktopNotifier notifier(&silent);
        QSignalSpy chosen(&notifier, &Notifier::actionChosen);
        const quint32 id =
            notifier.show({QStringLiteral("Morwinek - Przypomnienie"), QStringLiteral("24.12.2026 14:30")});
        QVERIFY(id != 0);
        if (refusedLater) {
            silent.refuse(1);
        }
        AlarmWindow *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            window = window ? window : qobject_cast<AlarmWindow *>(w);
        }
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Morwinek - Przypomnienie"));
        QCOMPARE(window->Label_Tresc->text(), QStringLiteral("24.12.2026 14:30"));
        QPointer<AlarmWindow> guard(window);
        QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);
        QTRY_VERIFY(guard.isNull()); // closed and gone
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).value<quint32>(), id);
        QCOMPARE(int(chosen.at(0).at(1).value<Notifier::Action>()), action);
    }
    // Under a modal window (the start-up reminder waiting for the user) the alarm's buttons
    // still take the user's click: the click goes through the window system, where a modal
    // window blocks the others.
    void underModalWindow_buttonsTakeClicks()
    {
        QWidget modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        QVERIFY(QTest::qWaitForWindowExposed(&modal));
        QCOMPARE(QApplication::activeModalWidget(), &modal);
        DesktopNotifier notifier(nullptr);
        QSignalSpy chosen(&notifier, &Notifier::actionChosen);
        const quint32 id = notifier.show({QStringLiteral("Morwinek - Przypomnienie"), QStringLiteral("12:01")});
        AlarmWindow *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            window = window ? window : qobject_cast<AlarmWindow *>(w);
        }
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QPointer<AlarmWindow> guard(window);
        auto *snooze = window->findChild<QPushButton *>(QStringLiteral("bPrzypomnij"));
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, snooze->mapTo(window, snooze->rect().center()));
        QTRY_COMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).value<quint32>(), id);
        QCOMPARE(chosen.at(0).at(1).value<Notifier::Action>(), Notifier::Snooze);
        QTRY_VERIFY(guard.isNull());
        QVERIFY(modal.isVisible()); // the reminder goes on
    }
    void start_missedAlarmShownAndOpenOpensAppointments()
    {
        ShellFixture f;
        const QString record = AppointmentRecord::encode({"06.12.2026", "Jan", "Kraków", "Dentysta"});
        f.writeFile(QStringLiteral("Morwinek.ini"), "[Terminy]\r\nAUTOTERMINY=0\r\n");
        f.writeFile(QStringLiteral("Morwinek.term"), Cp1250::encode(record) + "\r\n");
        f.writeFile(QStringLiteral("Morwinek.godziny"), "T|09:00||15|" + Cp1250::encode(record) + "\r\n");
        f.sim.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
        TForm_Main &main = f.start();
        // The start-up reminder stays as it was: a beep and the red icon.
        QCOMPARE(main.trayIconIndex(), int(TForm_Main::IconDue));
        QCOMPARE(f.sim.notifier.shown.size(), 1);
        QCOMPARE(f.sim.notifier.shown.at(0).title, QStringLiteral("Morwinek - Przegapione przypomnienia"));
        QCOMPARE(f.sim.notifier.shown.at(0).body, QStringLiteral("06.12.2026 09:00 Dentysta\nJan - Kraków"));
        QCOMPARE(f.sim.wakeTimer.armedAt, QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
        f.sim.notifier.choose(1, Notifier::Open);
        QVERIFY(!Form_Terminy.isNull());
        Form_Terminy->close();
        QTRY_VERIFY(Form_Terminy.isNull());
    }
};

QTEST_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
