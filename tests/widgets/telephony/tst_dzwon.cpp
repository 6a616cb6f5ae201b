#include "support/LineShellFixture.h"

#include "core/telephony/TTAPILine.h"
#include "widgets/telephony/TformDialing.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Tapi;

namespace {

const QString noModem = QStringLiteral("W tym komputerze nie zainstalowano modemu!");

struct DialFixture : LineShellFixture
{
    using LineShellFixture::LineShellFixture;
    TForm_Main &start() { return shell.start(); }
    TformDialing *window() const { return dynamic_cast<TformDialing *>(TTAPILine::dialingWindow()); }
};

} // namespace

class TestDzwon : public QObject
{
    Q_OBJECT
private slots:
    void prefixRule_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("trunk prefix") << QString("012") << "0,12";
        QTest::newRow("pause already there") << QString("0,12") << "0,12";
        QTest::newRow("no prefix") << QString("212") << "212";
        QTest::newRow("a lone zero") << QString("0") << "0,";
        QTest::newRow("leading blank") << QString(" 012") << " 012";
        QTest::newRow("trailing blank kept") << QString("0123 ") << "0,123 ";
        // Every character of the dialable-address syntax goes through as written.
        QTest::newRow("wait for dial tone") << QString("9W0221234567") << "9W0221234567";
        QTest::newRow("pause and pulse") << QString("0,22 555 P 12") << "0,22 555 P 12";
        QTest::newRow("tone, flash, quiet, billing") << QString("0t!22@$1") << "0,t!22@$1";
        QTest::newRow("tones A to D") << QString("*31#A1D") << "*31#A1D";
        QTest::newRow("leading pause") << QString(",22 555") << ",22 555";
        QTest::newRow("plus and pause") << QString("+,48 22 555") << "+,48 22 555";
    }
    void prefixRule()
    {
        QFETCH(QString, number);
        QFETCH(QString, dialled);
        DialFixture f;
        TForm_Main &main = f.start();
        main.Dzwon(number);
        QVERIFY(f.prompter().boxes.isEmpty());
        QCOMPARE(f.api.lastAddress, std::optional<QString>(dialled));
        QCOMPARE(f.api.lastCallParams.bearerMode, LINEBEARERMODE_VOICE);
        QVERIFY(f.window()->isVisible());
        QCOMPARE(f.window()->ModemName->text(), QStringLiteral("Fake Modem"));
        QVERIFY(!main.TAPILine1->WaitForCall);
    }

    void refusals_data()
    {
        QTest::addColumn<int>("devices");
        QTest::addColumn<bool>("windowShown");
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("box");
        QTest::newRow("no line device") << 0 << false << "123" << true;
        QTest::newRow("dialling window showing") << 1 << true << "123" << true;
        QTest::newRow("blanks only") << 1 << false << "   " << false;
        QTest::newRow("control characters only") << 1 << false << "\t\r\n" << false;
    }
    void refusals()
    {
        QFETCH(int, devices);
        QFETCH(bool, windowShown);
        QFETCH(QString, number);
        QFETCH(bool, box);
        DialFixture f(devices);
        TForm_Main &main = f.start();
        if (windowShown) {
            f.window()->showDialing();
        }
        f.api.calls.clear();
        main.Dzwon(number);
        QCOMPARE(f.prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
        QCOMPARE(f.prompter().boxes.size(), box ? 1 : 0);
        if (box) {
            QCOMPARE(f.prompter().boxes.first().text, noModem);
            QCOMPARE(f.prompter().boxes.first().caption, QStringLiteral("Błąd!"));
            QCOMPARE(f.prompter().boxes.first().flags, unsigned(MB_OK | MB_ICONEXCLAMATION));
        }
        QVERIFY(f.api.calls.isEmpty());
    }

    void busy_closesLineAndHidesWindow()
    {
        DialFixture f;
        TForm_Main &main = f.start();
        main.Dzwon(QStringLiteral("123"));
        QCOMPARE(f.api.openLines.size(), 1);
        f.api.deliverReply(f.api.lastRequestId, 0);
        f.api.deliverCallState(f.api.nextCall, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
        QVERIFY(f.api.openLines.isEmpty());
        QVERIFY(!f.window()->isVisible());
        QCOMPARE(f.prompter().boxes.size(), 1); // the window went, and the user is told why
        QCOMPARE(f.prompter().boxes.first().text, QStringLiteral("Numer zajęty"));
        // The next dial goes through again.
        main.Dzwon(QStringLiteral("124"));
        QCOMPARE(f.api.lastAddress, std::optional<QString>(QStringLiteral("124")));
        QCOMPARE(f.prompter().boxes.size(), 1);
    }

    void frameCloseButton_hangsUpAsTheButtonDoes()
    {
        DialFixture f;
        f.start().Dzwon(QStringLiteral("123"));
        QVERIFY(f.window()->isVisible());
        QVERIFY(f.window()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        f.window()->close();
        QVERIFY(f.api.calls.contains(QStringLiteral("lineDrop")));
        QVERIFY(f.api.openLines.isEmpty());
        QVERIFY(!f.window()->isVisible());
    }

    void undialableNumber_toldInPolish_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message"); // %1: the number
        const QString undialable = QStringLiteral("Numer %1 zawiera znaki, których nie można wybrać");
        QTest::newRow("Polish letters") << QStringLiteral("22 5ł5 ń1") << undialable;
        QTest::newRow("lower-case tone letter") << QStringLiteral("22 5a5") << undialable;
        QTest::newRow("second command") << QStringLiteral("600;ATH") << undialable;
        QTest::newRow("separators only") << QStringLiteral("+, - ,")
                                         << QStringLiteral("Numer %1 nie zawiera cyfr do wybrania");
        QTest::newRow("61 to dial") << QString(61, u'5')
                                    << QStringLiteral("Numer %1 ma więcej niż 60 znaków do wybrania");
    }
    void undialableNumber_toldInPolish()
    {
        QFETCH(QString, number);
        QFETCH(QString, message);
        DialFixture f;
        f.start().Dzwon(number);
        QCOMPARE(f.prompter().boxes.size(), 1);
        QCOMPARE(f.prompter().boxes.first().text, message.arg(number));
        QVERIFY(!f.api.calls.contains(QStringLiteral("lineMakeCall")));
        QVERIFY(!f.window()->isVisible());
    }

    void hangUpButton_dropsAndCloses()
    {
        DialFixture f;
        f.start().Dzwon(QStringLiteral("123"));
        QTest::mouseClick(f.window()->bHangUp, Qt::LeftButton);
        QVERIFY(f.api.calls.contains(QStringLiteral("lineDrop")));
        QVERIFY(f.api.openLines.isEmpty());
        QVERIFY(!f.window()->isVisible());
    }

    void lineErrors_reachTheErrorBox()
    {
        DialFixture f;
        f.api.devices[0].openResult = LINEERR_RESOURCEUNAVAIL;
        f.api.errorHint = QStringLiteral("Brak dostępu do portu /dev/ttyACM0.");
        f.start().Dzwon(QStringLiteral("123"));
        QCOMPARE(f.prompter().boxes.size(), 1);
        QCOMPARE(f.prompter().boxes.first().caption, QStringLiteral("Błąd!"));
        QCOMPARE(f.prompter().boxes.first().text,
                 QStringLiteral("TAPI Line: LINEERR_RESOURCEUNAVAIL\r\nBrak dostępu do portu /dev/ttyACM0."));
        QVERIFY(!f.api.calls.contains(QStringLiteral("lineMakeCall")));
    }

    void failedStart_leavesProgramWithoutModem()
    {
        DialFixture f;
        f.api.initializeResult = LINEERR_NODRIVER;
        TForm_Main &main = f.start();
        QCOMPARE(f.prompter().boxes.size(), 1);
        QCOMPARE(f.prompter().boxes.first().text, QStringLiteral("TAPI Line: LINEERR_NODRIVER"));
        QCOMPARE(main.lineDeviceCount(), 0);
        main.Dzwon(QStringLiteral("123"));
        QCOMPARE(f.prompter().boxes.last().text, noModem);
    }

    void quickDialItem_dialsItsNumber()
    {
        DialFixture f;
        f.shell.writeFile(QStringLiteral("Morwinek.ini"),
                          "[Szybkie wybieranie]\r\n01_Nazwa_=Biuro\r\n01Telefon=0221234\r\n02_Nazwa_=Dom\r\n");
        TForm_Main &main = f.start();
        main.PopupMenu1Popup();
        QVERIFY(main.N4->isVisible());
        QVERIFY(!main.MI[2]->isEnabled());
        main.MI[1]->trigger();
        QCOMPARE(f.api.lastAddress, std::optional<QString>(QStringLiteral("0,221234")));
    }

    void contactsWindow_dialButtonsAndKeys()
    {
        DialFixture f;
        TForm_Notatniczek *w = f.openContact(QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("0333"));
        QVERIFY(w);
        QCOMPARE(w->SB_TelDom->toolTip(), QStringLiteral("Wybierz numer domowy"));
        QCOMPARE(w->SB_TelSlu->toolTip(), QStringLiteral("Wybierz numer służbowy"));
        QCOMPARE(w->SB_TelKom->toolTip(), QStringLiteral("Wybierz numer komórkowy"));
        QVERIFY(w->SB_Faks && !w->SB_Faks->isVisible() && !w->SB_Faks->isEnabled());

        // The text as shown, unsaved edits included.
        w->Edit_TelSlu->setText(QStringLiteral("2222"));
        const struct
        {
            Qt::Key key;
            QToolButton *button;
            const char *dialled;
        } cases[] = {{Qt::Key_F1, nullptr, "111"},
                     {Qt::Key_F2, nullptr, "2222"},
                     {Qt::Key_F3, nullptr, "0,333"},
                     {Qt::Key_unknown, w->SB_TelDom, "111"},
                     {Qt::Key_unknown, w->SB_TelKom, "0,333"}};
        for (const auto &step : cases) {
            if (step.button) {
                QTest::mouseClick(step.button, Qt::LeftButton);
            } else {
                QTest::keyClick(w->Edit_TelDom, step.key);
            }
            QCOMPARE(f.api.lastAddress, std::optional<QString>(QLatin1String(step.dialled)));
            QTest::mouseClick(f.window()->bHangUp, Qt::LeftButton);
            f.api.deliverReply(f.api.lastRequestId, 0); // the drop's reply ends the dial
        }
        QVERIFY(f.prompter().boxes.isEmpty());
        w->close();
        QTRY_VERIFY(Form_Notatniczek.isNull());
    }
};

QTEST_MAIN(TestDzwon)
#include "tst_dzwon.moc"
