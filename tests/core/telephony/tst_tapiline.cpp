#include "core/telephony/TTAPILine.h"
#include "platform/sim/FakeClock.h"
#include "platform/sim/FakeDialingView.h"
#include "platform/sim/FakeLineApi.h"
#include "platform/sim/FakePrompter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tapi;

namespace {

// The text of the telephony error an action raises; empty when it raises none.
QString raised(const std::function<void()> &action)
{
    try {
        action();
    } catch (const TelephonyError &error) {
        return error.text();
    }
    return {};
}

// One line component over a fake telephony interface with one capable device.
struct LineFixture
{
    FakePrompter prompter;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3))};
    FakeLineApi api;
    FakeDialingView *view = nullptr;
    std::unique_ptr<TTAPILine> line;
    QStringList events;
    // Modem answers handed out one per wait of the script.
    QList<QByteArray> arrivals;

    LineFixture() { api.devices.resize(1); }
    TTAPILine &start()
    {
        line = std::make_unique<TTAPILine>(&api, prompter, clock, [this] {
            auto v = std::make_unique<FakeDialingView>();
            view = v.get();
            return v;
        });
        line->PhoneNumber = QStringLiteral("123");
        line->setWaitFunction([this](int) {
            if (!arrivals.isEmpty() && api.port) {
                api.port->incoming += arrivals.takeFirst();
            }
        });
        for (auto [handler, name] : {std::pair{&TTAPILine::OnConnection, "connection"},
                                     std::pair{&TTAPILine::OnDisconnect, "disconnect"},
                                     std::pair{&TTAPILine::OnBusy, "busy"}}) {
            (*line).*handler = [this, name](QObject *) {
                events << QLatin1String(name);
            };
        }
        return *line;
    }
    TTAPILine &openLine()
    {
        if (!line) {
            start();
        }
        line->setDevIdToInitialize(0);
        line->OpenLine();
        return *line;
    }
    bool dial() { return openLine().MakeCall(); }
    void state(quint32 callState, quint32 detail = 0) { api.deliverCallState(0x500, callState, detail); }
    // Dials and lets the call connect.
    bool connectCall()
    {
        const bool dialled = dial();
        state(LINECALLSTATE_CONNECTED);
        return dialled;
    }
    QString makeCallError()
    {
        return raised([this] {
            line->MakeCall();
        });
    }
    // Dials in direct access, running `script` once the call connects.
    void runScript(const QStringList &script, const QString &logFile = {})
    {
        openLine();
        line->DeviceDirectAccess = true;
        line->DirectAccessLogFile = logFile;
        line->setDirectAccessScript(&script);
        line->MakeCall();
        state(LINECALLSTATE_CONNECTED);
    }
};

} // namespace

class TestTapiLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void checkTapiResult_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("text"); // empty: nothing raised
        QTest::newRow("zero") << 0u << QString();
        QTest::newRow("request id") << 17u << QString();
        QTest::newRow("first name") << 0x80000001u << "TAPI Line: LINEERR_ALLOCATED";
        QTest::newRow("gap 04") << 0x80000004u << "Unknown Error - -2147483644";
        QTest::newRow("after gap 04") << 0x80000005u << "TAPI Line: LINEERR_CALLUNAVAIL";
        QTest::newRow("gap 31") << 0x80000031u << "Unknown Error - -2147483599";
        QTest::newRow("after gap 31") << 0x80000032u << "TAPI Line: LINEERR_INVALPARAM";
        QTest::newRow("last name") << 0x8000005Cu << "TAPI Line: LINEERR_DIALVOICEDETECT";
        QTest::newRow("past the list") << 0x8000005Du << "Unknown Error - -2147483555";
    }
    void checkTapiResult()
    {
        QFETCH(quint32, code);
        QFETCH(QString, text);
        QCOMPARE(raised([code] {
                     CheckTapiResult(qint32(code));
                 }),
                 text);
    }

    void secondComponent_raises()
    {
        LineFixture f;
        f.start();
        FakeLineApi other;
        QCOMPARE(raised([&] {
                     TTAPILine second(&other, f.prompter, f.clock, {});
                 }),
                 QStringLiteral("Komponent TAPILine dla tego procesu już istnieje."));
    }

    void deviceCheck_data()
    {
        QTest::addColumn<int>("fault"); // also the result of the check
        QTest::addColumn<QString>("message");
        QTest::newRow("usable") << 0 << QString();
        QTest::newRow("old version") << 1 << QString();
        QTest::newRow("no voice") << 2 << "VerifyUsableLine: doesn't support LINEBEARERMODE_VOICE";
        QTest::newRow("no data modem") << 3 << "VerifyUsableLine: doesn't support LINEMEDIAMODE_DATAMODEM";
        QTest::newRow("no make call") << 4 << "VerifyUsableLine: doesn't support LINEFEATURE_MAKECALL";
        QTest::newRow("in use") << 5
                                << "VerifyUsableLine: \r\nLine is already in use by a non-TAPI app or\r\nanother "
                                   "Service Provider.";
        QTest::newRow("no address make call") << 6 << "VerifyUsableLine: \r\nLine make call feature is not available.";
    }
    void deviceCheck()
    {
        QFETCH(int, fault);
        QFETCH(QString, message);
        LineFixture f;
        FakeLineApi::Device &d = f.api.devices[0];
        d.name = "USB Modem";
        d.version = fault == 1 ? 0x00010003 : d.version;
        d.bearerModes = fault == 2 ? LINEBEARERMODE_DATA : d.bearerModes;
        d.mediaModes = fault == 3 ? LINEMEDIAMODE_INTERACTIVEVOICE : d.mediaModes;
        d.lineFeatures = fault == 4 ? 0 : d.lineFeatures;
        d.allocatedToOthers = fault == 5;
        d.addressFeatures = fault == 6 ? 0 : d.addressFeatures;
        TTAPILine &line = f.start();
        QCOMPARE(line.VerifyUsableLine(0), fault);
        QCOMPARE(f.prompter.boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(f.prompter.boxes.first().text, message);
            QCOMPARE(f.prompter.boxes.first().caption, QStringLiteral("Morwinek"));
        }
        QVERIFY(f.api.openLines.isEmpty()); // the probe line is closed whatever the outcome

        // Choosing the device: taken only when usable; a failure while none is chosen asks about the unset one.
        const QString text = raised([&] {
            line.setDevIdToInitialize(0);
        });
        QCOMPARE(text, fault == 0 ? QString() : QStringLiteral("TAPI Line: LINEERR_BADDEVICEID"));
        QCOMPARE(line.DevIdToInitialize(), fault == 0 ? 0u : TTAPILine::unsetDevice);
        QCOMPARE(f.view->modemNameCount, fault == 0 ? 1 : 0);
        QCOMPARE(f.view->modemName, fault == 0 ? QStringLiteral("USB Modem") : QString());
    }

    void sameDevice_runsNoCheck()
    {
        LineFixture f;
        f.api.devices.resize(2);
        f.api.devices[1].name = "Second";
        f.api.devices[1].lineFeatures = 0;
        TTAPILine &line = f.start();
        line.setDevIdToInitialize(0);
        f.api.calls.clear();
        line.setDevIdToInitialize(0);
        QVERIFY(f.api.calls.isEmpty());
        QCOMPARE(f.view->modemNameCount, 1);

        // A failing device keeps the chosen one, whose name is shown again.
        line.setDevIdToInitialize(1);
        QCOMPARE(line.DevIdToInitialize(), 0u);
        QCOMPARE(f.view->modemNameCount, 2);
        QCOMPARE(f.view->modemName, QStringLiteral("Fake Modem"));
    }

    void lineName_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint32>("offset");
        QTest::addColumn<quint32>("size");
        QTest::addColumn<quint32>("format");
        QTest::addColumn<QString>("name");
        const QByteArray buffer = QByteArray(8, '\0') + "Modem\0xyz" + QByteArray(4, '\0');
        QTest::newRow("named") << buffer << 8u << 6u << STRINGFORMAT_ASCII << "Modem";
        QTest::newRow("last byte forced to NUL") << buffer << 8u << 3u << STRINGFORMAT_ASCII << "Mo";
        QTest::newRow("empty") << buffer << 14u << 3u << STRINGFORMAT_ASCII << "Line Name is Empty";
        QTest::newRow("unicode format") << buffer << 8u << 6u << 2u << "Line Unnamed";
        QTest::newRow("past the buffer") << buffer << 200u << 6u << STRINGFORMAT_ASCII << "Line Name is Empty";
        QTest::newRow("cut at the buffer end") << QByteArray(8, '\0') + "AB" << 8u << 40u << STRINGFORMAT_ASCII << "A";
    }
    void lineName()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(quint32, offset);
        QFETCH(quint32, size);
        QFETCH(quint32, format);
        LineDevCaps caps;
        caps.bytes = bytes;
        caps.lineNameOffset = offset;
        caps.lineNameSize = size;
        caps.stringFormat = format;
        QFETCH(QString, name);
        QCOMPARE(TTAPILine::GetLineName(&caps), name);
        QCOMPARE(TTAPILine::GetLineName(nullptr), QStringLiteral("Modem niedostępny"));
    }

    void makeCall_outstandingRefused()
    {
        LineFixture f;
        QVERIFY(f.dial());
        f.view->hideDialing();
        QVERIFY(!f.line->MakeCall());
        QCOMPARE(f.view->showCount, 1);
        QCOMPARE(f.api.calls.count(QStringLiteral("lineMakeCall")), 1);
        f.api.deliverReply(f.line->makeCallRequestId(), 0);
        QVERIFY(f.line->MakeCall());
    }

    void makeCall_failedAtOnceIsNotOutstanding()
    {
        LineFixture f;
        f.openLine();
        f.api.makeCallResult = LINEERR_CALLUNAVAIL;
        QCOMPARE(f.makeCallError(), QStringLiteral("TAPI Line: LINEERR_CALLUNAVAIL"));
        QVERIFY(f.view->shown); // stays up until the user presses its button
        QCOMPARE(f.line->makeCallRequestId(), 0);
        f.api.makeCallResult = 0;
        QVERIFY(f.line->MakeCall());
    }

    void makeCall_undialableNumber_refusedInPolish_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<qint32>("interfaceResult"); // what the telephony interface answers the call
        QTest::addColumn<bool>("reachesInterface");
        QTest::newRow("Polish letters") << "22 5ł5 ń1" << 0 << false;
        QTest::newRow("Latin letters") << "0800-FIRMA" << 0 << false;
        QTest::newRow("second command") << "12;ATZ" << 0 << false;
        QTest::newRow("control character") << "12\r\nATH" << 0 << false;
        QTest::newRow("escape sequence") << "12+++" << 0 << false;
        QTest::newRow("refused by the interface") << "123" << LINEERR_INVALADDRESS << true;
    }
    void makeCall_undialableNumber_refusedInPolish()
    {
        QFETCH(QString, number);
        QFETCH(qint32, interfaceResult);
        QFETCH(bool, reachesInterface);
        LineFixture f;
        f.openLine();
        f.view->showDialing(); // left from before: the refusal closes it too
        f.line->PhoneNumber = number;
        f.api.makeCallResult = interfaceResult;
        QString shown = number;
        shown.replace(u'\r', u'?').replace(u'\n', u'?');
        QCOMPARE(f.makeCallError(), QStringLiteral("Numer %1 zawiera znaki, których nie można wybrać").arg(shown));
        QVERIFY(!f.view->shown);
        QCOMPARE(f.api.calls.count(QStringLiteral("lineMakeCall")), reachesInterface ? 1 : 0);
        QCOMPARE(f.line->makeCallRequestId(), 0);
    }

    void makeCall_bearerAndAddress()
    {
        LineFixture f;
        TTAPILine &line = f.start();
        line.PhoneNumber = QStringLiteral("0,12");
        QCOMPARE(f.makeCallError(), QStringLiteral("TAPILine: Musisz wybrać linię kompatybilną z TAPI"));
        line.setDevIdToInitialize(0);
        QCOMPARE(f.makeCallError(), QStringLiteral("TAPILine: Najpierw musisz otworzyć linię"));
        line.OpenLine();
        QVERIFY(f.api.calls.contains(QStringLiteral("lineOpen(0,v=0x10004,priv=6,media=0x10)")));
        QVERIFY(line.MakeCall());
        QCOMPARE(f.api.lastAddress, std::optional<QString>(QStringLiteral("0,12")));
        QCOMPARE(f.api.lastCallParams.bearerMode, LINEBEARERMODE_VOICE);
        QCOMPARE(f.api.lastCallParams.mediaMode, LINEMEDIAMODE_DATAMODEM);
        QCOMPARE(f.api.lastCallParams.totalSize, 176u);
        f.api.deliverReply(line.makeCallRequestId(), 0);

        line.DeviceDirectAccess = true;
        QVERIFY(line.MakeCall());
        QVERIFY(!f.api.lastAddress.has_value());
        QCOMPARE(f.api.lastCallParams.bearerMode, LINEBEARERMODE_PASSTHROUGH);
    }

    void dropCall_whileDialling()
    {
        LineFixture f;
        QVERIFY(f.dial());
        const qint32 makeCallId = f.line->makeCallRequestId();
        f.line->DropCall();
        QVERIFY(f.api.calls.contains(QStringLiteral("lineDrop")));
        QCOMPARE(f.line->callHandle(), 0u);
        QVERIFY(f.line->dropRequestId() != 0 && f.line->dropRequestId() != makeCallId);

        // A CONNECTED coming after the hang-up attaches nothing.
        f.api.calls.clear();
        f.state(LINECALLSTATE_CONNECTED);
        QVERIFY(f.api.calls.isEmpty());
        QVERIFY(!f.line->portOpen());
        QVERIFY(f.events.isEmpty());

        // The drop's reply clears both requests.
        f.api.deliverReply(f.line->dropRequestId(), 0);
        QCOMPARE(f.line->makeCallRequestId(), 0);
        QCOMPARE(f.line->dropRequestId(), 0);
        QVERIFY(!f.view->shown);
        QVERIFY(f.line->MakeCall()); // a new dial is possible again
    }

    void connected_setsPortUp()
    {
        LineFixture f;
        QVERIFY(f.connectCall());
        QVERIFY(f.api.calls.contains(QStringLiteral("lineGetID(4,comm/datamodem)")));
        QVERIFY(f.line->portOpen());
        QCOMPARE(f.api.port->timeouts.readIntervalTimeout, 250u);
        QCOMPARE(f.api.port->timeouts.readTotalTimeoutConstant, 0u);
        QCOMPARE(f.api.port->timeouts.writeTotalTimeoutConstant, 0u);
        QCOMPARE(f.api.port->mask, quint32(EV_RXCHAR));
    }

    void connected_withoutPort_data()
    {
        QTest::addColumn<bool>("getIdFails"); // otherwise the port handle is invalid
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("box");
        QTest::newRow("invalid port handle") << false << QStringList{"connection"} << QString();
        // Caught by the callback, leaving no half-open port behind.
        QTest::newRow("lineGetID fails") << true << QStringList{} << "Wystąpił wewnetrzny błąd połączeniaon.";
    }
    void connected_withoutPort()
    {
        QFETCH(bool, getIdFails);
        QFETCH(QStringList, events);
        QFETCH(QString, box);
        LineFixture f;
        if (getIdFails) {
            f.api.getIdResult = LINEERR_INVALCALLHANDLE;
        } else {
            f.api.port = nullptr;
        }
        QVERIFY(f.connectCall());
        QVERIFY(!f.line->portOpen());
        QCOMPARE(f.events, events);
        QCOMPARE(f.prompter.boxes.isEmpty() ? QString() : f.prompter.boxes.last().text, box);
        QVERIFY(!f.line->WriteString(QStringLiteral("AT")));
        QVERIFY(getIdFails || !f.view->shown);
    }

    void idleAndDisconnected_releaseCallAndPort()
    {
        LineFixture f;
        QVERIFY(f.connectCall());
        f.state(LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        QVERIFY(f.api.port->closed);
        QVERIFY(!f.line->port());
        QCOMPARE(f.events, (QStringList{"connection", "disconnect"}));
        f.state(LINECALLSTATE_IDLE);
        QVERIFY(f.api.calls.contains(QStringLiteral("lineDeallocateCall")));
        QCOMPARE(f.line->callHandle(), 0u);

        // A failing release is reported and hides the window.
        f.api.deliverReply(f.line->makeCallRequestId(), 0);
        QVERIFY(f.line->MakeCall());
        f.api.deallocateResult = LINEERR_INVALCALLHANDLE;
        f.state(LINECALLSTATE_IDLE);
        QCOMPARE(f.prompter.boxes.last().text, QStringLiteral("Nie można rozłączyć połączenia."));
        QVERIFY(!f.view->shown);
    }

    void openLine_closesLineOfEarlierDial()
    {
        LineFixture f;
        QVERIFY(f.dial());
        f.api.deliverReply(f.line->makeCallRequestId(), 0);
        f.state(LINECALLSTATE_CONNECTED);
        QVERIFY(f.line->portOpen());
        f.line->OpenLine();
        QVERIFY(!f.line->portOpen() && f.api.port->closed);
        f.line->OpenLine();
        QCOMPARE(f.api.openLines.size(), 1);
        f.line.reset(); // the end drops and closes
        QVERIFY(f.api.openLines.isEmpty());
        QCOMPARE(f.api.calls.last(), QStringLiteral("lineShutdown"));
    }

    void failedReply_showsMessage()
    {
        LineFixture f;
        QVERIFY(f.dial());
        f.api.deliverReply(f.line->makeCallRequestId(), LINEERR_OPERATIONFAILED);
        QCOMPARE(f.prompter.boxes.size(), 1);
        QCOMPARE(f.prompter.boxes.first().text, QStringLiteral("Wystąpił błąd przy próbie wybierania."));
        QVERIFY(!f.view->shown);
        QCOMPARE(f.line->makeCallRequestId(), 0);
    }

    void script_data()
    {
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QList<QByteArray>>("answers"); // one per wait
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("error"); // empty: connected
        const QStringList dial{"ATZ", "ATDT123"};
        QTest::newRow("connect at first line")
            << dial << QList<QByteArray>{"CONNECT 9600\r\n"} << QByteArray("ATZ\r\n") << QString();
        QTest::newRow("ok, then connect after silence") << dial << QList<QByteArray>{"O", "K\r\n", "", "CONNECT\r\n"}
                                                        << QByteArray("ATZ\r\nATDT123\r\n") << QString();
        QTest::newRow("last line ok keeps waiting")
            << QStringList{"ATZ"} << QList<QByteArray>{"OK\r\n", "", "CONNECT\r\n"} << QByteArray("ATZ\r\n")
            << QString();
        QTest::newRow("no carrier quotes the line")
            << dial << QList<QByteArray>{"OK\r\n", "NO CARRIER\r\n"} << QByteArray("ATZ\r\nATDT123\r\n")
            << "TAPILine: Device direct access script error: \"ATDT123\".\r\nNO CARRIER\r\n";
        QTest::newRow("error") << QStringList{"AT&F9"} << QList<QByteArray>{"error\r\n"} << QByteArray("AT&F9\r\n")
                               << "TAPILine: Device direct access script error: \"AT&F9\".\r\nerror\r\n";
    }
    void script()
    {
        QFETCH(QStringList, script);
        QFETCH(QByteArray, written);
        QFETCH(QString, error);
        LineFixture f;
        QFETCH(QList<QByteArray>, answers);
        f.arrivals = answers;
        f.runScript(script);
        QCOMPARE(f.api.port->written, written);
        QVERIFY(f.arrivals.isEmpty());
        QVERIFY(!f.view->shown);
        QCOMPARE(f.api.port->purges.last(), 0xFu);
        QCOMPARE(f.events, error.isEmpty() ? QStringList{"connection"} : QStringList{});
        QCOMPARE(f.line->lastScriptError(), error);
        QCOMPARE(f.prompter.boxes.isEmpty() ? QString() : f.prompter.boxes.first().text, error);
        QVERIFY(f.prompter.boxes.size() <= 1);
    }

    void script_logFile()
    {
        QTemporaryDir dir;
        LineFixture f;
        f.arrivals = {"OK\r\n"};
        f.start();
        // The user hangs up while the script waits after its last "OK".
        f.line->setWaitFunction([&f](int) {
            if (!f.arrivals.isEmpty()) {
                f.api.port->incoming += f.arrivals.takeFirst();
            } else {
                f.line->DropCall();
            }
        });
        f.runScript({"ATZ"}, dir.filePath(QStringLiteral("modem.log")));
        QFile log(dir.filePath(QStringLiteral("modem.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray stamp = "07.12.2026 09:05:03 - ";
        QCOMPARE(log.readAll(),
                 stamp + "TAPILine logfile: : 07.12.2026 09:05:03\r\n" + stamp
                     + "Write (send command to modem): ATZ\r\n\r\n" + stamp + "Read (command in process): OK\r\n\r\n"
                     + stamp + "Command complete (OK received): OK\r\n\r\n" + stamp + "Read (command in process)\r\n"
                     + stamp + "Dropped (user hangup)\r\n");
    }

    void bytesWaiting_limit()
    {
        LineFixture f;
        QVERIFY(f.connectCall());
        f.api.port->incoming = QByteArray(1000, 'x');
        QCOMPARE(f.line->BytesWaiting(), 1000u);
        QCOMPARE(f.line->ReadString(0).size(), 1000);
        f.api.port->incoming = QByteArray(1001, 'x');
        QCOMPARE(raised([&] {
                     f.line->ReadString(0);
                 }),
                 QStringLiteral("It seems that ClearCommError function failed.\rOr you try to get more than 1000 kB."));
        // A NUL ends the text; a second read finding nothing adds nothing.
        f.api.port->incoming = QByteArray("OK\0junk", 7);
        QCOMPARE(f.line->ReadString(0), QStringLiteral("OK"));
        QCOMPARE(f.line->ReadString(0), QString());
    }

    void portFailures_data()
    {
        QTest::addColumn<bool>("reading");
        QTest::addColumn<int>("status");
        QTest::addColumn<quint32>("errorWord");
        QTest::addColumn<QString>("text");
        // A time-out purges the port.
        const int invalid = int(CommIo::InvalidHandle), timedOut = int(CommIo::TimedOut);
        QTest::newRow("write, two flags") << false << invalid << 0x3u << "COM Error: ";
        QTest::newRow("write, break") << false << invalid << 0x10u
                                      << "COM Error: The hardware detected a break condition.";
        QTest::newRow("write time-out") << false << timedOut << 0u << "Timeout during write operation.";
        QTest::newRow("read, frame") << true << invalid << 0x8u << "Błąd COM: The hardware detected a framing error.";
        QTest::newRow("read time-out") << true << timedOut << 0u << "Błąd czasu oczkiwania przy operacji odczytu.";
    }
    void portFailures()
    {
        QFETCH(bool, reading);
        QFETCH(int, status);
        QFETCH(quint32, errorWord);
        QFETCH(QString, text);
        LineFixture f;
        QVERIFY(f.connectCall());
        f.api.port->errorWord = errorWord;
        (reading ? f.api.port->nextReadStatus : f.api.port->nextWriteStatus) = CommIo::Status(status);
        QCOMPARE(raised([&] {
                     reading ? void(f.line->ReadBytes(4)) : void(f.line->WriteString(QStringLiteral("ATZ")));
                 }),
                 text);
        QCOMPARE(f.api.port->purges,
                 CommIo::Status(status) == CommIo::TimedOut ? QList<quint32>{3u} : QList<quint32>{});
    }

    void port_closedFlagDoesNothing()
    {
        LineFixture f;
        QVERIFY(f.connectCall());
        QVERIFY(!f.line->WriteString(QString()));
        f.api.port->writeChunk = 2; // a write that goes out in parts is completed
        QVERIFY(f.line->WriteString(QStringLiteral("ATDT1")));
        f.line->DropCall();
        f.api.port->incoming = "OK";
        QVERIFY(!f.line->WriteString(QStringLiteral("AT")));
        QCOMPARE(f.line->ReadBytes(0), QByteArray());
        QCOMPARE(f.api.port->written, QByteArray("ATDT1"));
    }

    void watcher_reportsNewDataUntilHangUp()
    {
        LineFixture f;
        QList<QObject *> senders;
        f.openLine().OnNewData = [&senders](QObject *sender) {
            senders << sender;
        };
        QVERIFY(f.line->MakeCall());
        f.api.port->pendingEvents = 2;
        f.state(LINECALLSTATE_CONNECTED);
        QTRY_COMPARE(senders.size(), 2);
        QVERIFY(senders.first() == f.view->dialingObject());
        QVERIFY(f.line->watcherRunning());
        f.line->DropCall();
        QTRY_VERIFY(!f.line->watcherRunning());
        f.line->OnNewData = nullptr;
    }
};

QTEST_GUILESS_MAIN(TestTapiLine)
#include "tst_tapiline.moc"
