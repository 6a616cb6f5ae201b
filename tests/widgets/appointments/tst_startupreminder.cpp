#include "support/ShellFixture.h"

#include "core/appointments/Appointment.h"
#include "core/common/Cp1250.h"
#include "widgets/appointments/TForm_Terminy.h"

#include <QAction>
#include <QApplication>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace {

QByteArray termLine(const QString &date, const QString &person)
{
    return Cp1250::encode(AppointmentRecord::encode({date, person, {}, {}})) + "\r\n";
}

QByteArray birthdayContact(const QString &name, const QString &birthday)
{
    QByteArray line(690, ' ');
    line.replace(337, name.size(), Cp1250::encode(name));
    line.replace(680, birthday.size(), Cp1250::encode(birthday));
    return line + "\r\n";
}

// What the start-up reminder showed modally, seen from inside its modal loop.
struct ModalSeen
{
    bool shown = false;
    int entries = -1;
    int iconWhileShown = -1;
};

// Watches for the appointments window turning up modal and closes it with Esc. The watching
// stops when guard goes, so nothing outlives the test that started it.
void closeModalTerminyWithEsc(QObject *guard, ModalSeen *seen, int triesLeft)
{
    QTimer::singleShot(5, guard, [guard, seen, triesLeft] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *w = qobject_cast<TForm_Terminy *>(modal)) {
            seen->shown = true;
            seen->entries = w->entryCount();
            seen->iconWhileShown = Form_Main ? Form_Main->trayIconIndex() : -1;
            QTest::keyClick(w->ListView1, Qt::Key_Escape);
        } else if (modal) {
            modal->close();
        } else if (triesLeft > 0) {
            closeModalTerminyWithEsc(guard, seen, triesLeft - 1);
        }
    });
}

} // namespace

class TestStartupReminder : public QObject
{
    Q_OBJECT

private slots:
    void reminder_data();
    void reminder();
    void dueIcon_stopsAfterAWindowOpenedAndClosed();
    void alarmWhileReminderWaits_comesAtItsMinute();
};

void TestStartupReminder::reminder_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("terms");
    QTest::addColumn<QByteArray>("contacts");
    QTest::addColumn<bool>("beep");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("icon");

    const QByteArray aYearAhead = termLine("06.12.2027", "Anna");
    const QByteArray tooOld = termLine("01.12.2026", "Stary");
    const QByteArray birthdaySoon = birthdayContact("Kowal Jan", "08.12.1980");
    QTest::newRow("nothing due: silent") << QByteArray() << tooOld << QByteArray() << false << false << 0;
    QTest::newRow("no files: silent") << QByteArray() << QByteArray() << QByteArray() << false << false << 0;
    QTest::newRow("AUTOTERMINY missing means 1: shown")
        << QByteArray() << aYearAhead << QByteArray() << true << true << 0;
    QTest::newRow("AUTOTERMINY 1: shown")
        << QByteArray("[Terminy]\r\nAUTOTERMINY=1\r\n") << aYearAhead << QByteArray() << true << true << 0;
    QTest::newRow("AUTOTERMINY 0: red icon")
        << QByteArray("[Terminy]\r\nAUTOTERMINY=0\r\n") << aYearAhead << QByteArray() << true << false << 2;
    QTest::newRow("AUTOTERMINY 2: red icon")
        << QByteArray("[Terminy]\r\nAUTOTERMINY=2\r\n") << aYearAhead << QByteArray() << true << false << 2;
    QTest::newRow("birthday only, AUTOTERMINY 0")
        << QByteArray("[Terminy]\r\nAUTOTERMINY=0\r\n") << QByteArray() << birthdaySoon << true << false << 2;
    QTest::newRow("birthday outside a smaller range") << QByteArray("[Terminy]\r\nZAKRES=1\r\nAUTOTERMINY=0\r\n")
                                                      << QByteArray() << birthdaySoon << false << false << 0;
}

void TestStartupReminder::reminder()
{
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, terms);
    QFETCH(QByteArray, contacts);
    QFETCH(bool, beep);
    QFETCH(bool, shown);
    QFETCH(int, icon);

    ShellFixture f;
    if (!ini.isEmpty()) {
        f.writeFile(QStringLiteral("Morwinek.ini"), ini);
    }
    if (!terms.isEmpty()) {
        f.writeFile(QStringLiteral("Morwinek.term"), terms);
    }
    if (!contacts.isEmpty()) {
        f.writeFile(QStringLiteral("Morwinek.data"), contacts);
    }
    ModalSeen seen;
    QObject guard;
    closeModalTerminyWithEsc(&guard, &seen, 400);
    TForm_Main &main = f.start(); // returns once the modal window is closed

    QCOMPARE(seen.shown, shown);
    if (shown) {
        QCOMPARE(seen.entries, 1);
        QCOMPARE(seen.iconWhileShown, int(TForm_Main::IconOpen));
    }
    QCOMPARE(f.sim.prompter.beeps, beep ? QList<Prompter::Beep>{Prompter::Exclamation} : QList<Prompter::Beep>{});
    QCOMPARE(main.trayIconIndex(), icon);
    QVERIFY(Form_Terminy.isNull());
    QCOMPARE(ShellWindow::openCount(), 0);
    QVERIFY(f.sim.prompter.boxes.isEmpty());
    // The reminder reads the appointments file and leaves it as it was.
    QCOMPARE(f.readFile(QStringLiteral("Morwinek.term")), terms);
}

void TestStartupReminder::dueIcon_stopsAfterAWindowOpenedAndClosed()
{
    ShellFixture f;
    f.writeFile(QStringLiteral("Morwinek.ini"), "[Terminy]\r\nAUTOTERMINY=0\r\n");
    f.writeFile(QStringLiteral("Morwinek.term"), termLine("24.12.2026", "Anna"));
    TForm_Main &main = f.start();
    QCOMPARE(main.trayIconIndex(), int(TForm_Main::IconDue));

    main.Terminy->trigger();
    QVERIFY(Form_Terminy);
    QCOMPARE(main.trayIconIndex(), int(TForm_Main::IconOpen));
    Form_Terminy->close();
    QTRY_VERIFY(Form_Terminy.isNull());
    QCOMPARE(main.trayIconIndex(), int(TForm_Main::IconIdle));
}

// The start-up reminder waits for the user as long as the user likes: the alarms of the day run
// meanwhile, each at its minute.
void TestStartupReminder::alarmWhileReminderWaits_comesAtItsMinute()
{
    ShellFixture f;
    const QString record = AppointmentRecord::encode({"06.12.2026", "Jan", {}, "Dentysta"});
    f.writeFile(QStringLiteral("Morwinek.ini"), "[Terminy]\r\nAUTOTERMINY=1\r\n");
    f.writeFile(QStringLiteral("Morwinek.term"), Cp1250::encode(record) + "\r\n");
    f.writeFile(QStringLiteral("Morwinek.godziny"), "T|12:01||0|" + Cp1250::encode(record) + "\r\n");
    f.sim.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
    QDateTime armedWhileShown;
    QList<Notification> shownWhileShown;
    bool reminderShown = false;
    QObject guard;
    std::function<void(int)> act = [&](int triesLeft) {
        QTimer::singleShot(5, &guard, [&, triesLeft] {
            auto *w = qobject_cast<TForm_Terminy *>(QApplication::activeModalWidget());
            if (!w) {
                if (QWidget *other = QApplication::activeModalWidget()) {
                    other->close();
                } else if (triesLeft > 0) {
                    act(triesLeft - 1);
                }
                return;
            }
            reminderShown = true;
            armedWhileShown = f.sim.wakeTimer.armedAt;
            f.sim.clock.set(QDateTime(QDate(2026, 12, 6), QTime(12, 1)));
            f.sim.wakeTimer.fire();
            shownWhileShown = f.sim.notifier.shown;
            QTest::keyClick(w->ListView1, Qt::Key_Escape);
        });
    };
    act(400);
    f.start(); // returns once the reminder is closed
    QVERIFY(reminderShown);
    QCOMPARE(armedWhileShown, QDateTime(QDate(2026, 12, 6), QTime(12, 1)));
    QCOMPARE(shownWhileShown.size(), 1);
    QCOMPARE(shownWhileShown.at(0).title, QStringLiteral("Morwinek - Przypomnienie"));
    QCOMPARE(shownWhileShown.at(0).body, QStringLiteral("06.12.2026 12:01 Dentysta\nJan"));
    // Shown once: the timer now stands at midnight.
    QCOMPARE(f.sim.wakeTimer.armedAt, QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    QCOMPARE(f.sim.notifier.shown.size(), 1);
}

QTEST_MAIN(TestStartupReminder)
#include "tst_startupreminder.moc"
