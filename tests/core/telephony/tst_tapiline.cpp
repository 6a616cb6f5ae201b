#include "core/telephony/TTAPILine.h"
#include "platform/sim/FakeClock.h"
#include "platform/sim/FakeDialingView.h"
#include "platform/sim/FakeLineApi.h"
#include "platform/sim/FakePrompter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tapi;

namespace {

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
        line->setWaitFunction([this](int) {
            if (!arrivals.isEmpty() && api.port) {
                api.port->incoming += arrivals.takeFirst();
            }
        });
        line->OnConnection = [this](QObject *) {
            events << QStringLiteral("connection");
        };
        line->OnDisconnect = [this](QObject *) {
            events << QStringLiteral("disconnect");
        };
        line->OnBusy = [this](QObject *) {
            events << QStringLiteral("busy");
        };
        return *line;
    }
    TTAPILine &openLine()
    {
        start();
        line->setDevIdToInitialize(0);
        line->OpenLine();
        return *line;
    }
    QString raised(const std::function<void()> &action)
    {
        try {
            action();
        } catch (const TelephonyError &error) {
            return error.text();
        }
        return QStringLiteral("(nothing raised)");
    }
};

} // namespace

class TestTapiLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void checkTapiResult_data();
    void checkTapiResult();
    void secondComponent_raises();
    void deviceCheck_data();
    void deviceCheck();
    void sameDevice_runsNoCheck();
    void lineName_data();
    void lineName();
    void makeCall_outstandingRefused();
    void makeCall_failedAtOnceIsNotOutstanding();
    void makeCall_bearerAndAddress();
    void connected_afterHangUp_attachesNothing();
    void dropReply_clearsAllRequests();
    void connected_invalidPortStillConnects();
    void connected_setsPortUp();
    void idleAndDisconnected_releaseCallAndPort();
    void openLine_closesLineOfEarlierDial();
    void failedReply_showsMessage();
    void script_data();
    void script();
    void script_logFile();
    void bytesWaiting_limit();
    void portFailures_data();
    void portFailures();
    void port_closedFlagDoesNothing();
    void watcher_reportsNewDataUntilHangUp();
};

void TestTapiLine::checkTapiResult_data()
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

void TestTapiLine::checkTapiResult()
{
    QFETCH(quint32, code);
    QFETCH(QString, text);
    QString got;
    try {
        CheckTapiResult(qint32(code));
    } catch (const TelephonyError &error) {
        got = error.text();
    }
    QCOMPARE(got, text);
}

void TestTapiLine::secondComponent_raises()
{
    LineFixture f;
    f.start();
    FakeLineApi other;
    const QString text = f.raised([&] {
        TTAPILine second(&other, f.prompter, f.clock, {});
    });
    QCOMPARE(text, QStringLiteral("Komponent TAPILine dla tego procesu już istnieje."));
}

void TestTapiLine::deviceCheck_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("usable") << 0 << 0 << QString();
    QTest::newRow("old version") << 1 << 1 << QString();
    QTest::newRow("no voice") << 2 << 2 << "VerifyUsableLine: doesn't support LINEBEARERMODE_VOICE";
    QTest::newRow("no data modem") << 3 << 3 << "VerifyUsableLine: doesn't support LINEMEDIAMODE_DATAMODEM";
    QTest::newRow("no make call") << 4 << 4 << "VerifyUsableLine: doesn't support LINEFEATURE_MAKECALL";
    QTest::newRow("in use") << 5 << 5
                            << "VerifyUsableLine: \r\nLine is already in use by a non-TAPI app or\r\nanother Service "
                               "Provider.";
    QTest::newRow("no address make call") << 6 << 6 << "VerifyUsableLine: \r\nLine make call feature is not available.";
}

void TestTapiLine::deviceCheck()
{
    QFETCH(int, fault);
    QFETCH(int, code);
    QFETCH(QString, message);
    LineFixture f;
    FakeLineApi::Device &d = f.api.devices[0];
    d.name = "USB Modem";
    switch (fault) {
    case 1:
        d.version = 0x00010003;
        break;
    case 2:
        d.bearerModes = LINEBEARERMODE_DATA;
        break;
    case 3:
        d.mediaModes = LINEMEDIAMODE_INTERACTIVEVOICE;
        break;
    case 4:
        d.lineFeatures = 0;
        break;
    case 5:
        d.allocatedToOthers = true;
        break;
    case 6:
        d.addressFeatures = 0;
        break;
    }
    TTAPILine &line = f.start();
    QCOMPARE(line.VerifyUsableLine(0), code);
    QCOMPARE(f.prompter.boxes.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(f.prompter.boxes.first().text, message);
        QCOMPARE(f.prompter.boxes.first().caption, QStringLiteral("Morwinek"));
    }
    QVERIFY(f.api.openLines.isEmpty()); // the probe line is closed whatever the outcome

    // Choosing the device: taken only when usable; a failure while none is chosen asks about the unset one.
    f.prompter.clear();
    const QString text = f.raised([&] {
        line.setDevIdToInitialize(0);
    });
    if (code == 0) {
        QCOMPARE(text, QStringLiteral("(nothing raised)"));
        QCOMPARE(line.DevIdToInitialize(), 0u);
        QCOMPARE(f.view->modemName, QStringLiteral("USB Modem"));
    } else {
        QCOMPARE(text, QStringLiteral("TAPI Line: LINEERR_BADDEVICEID"));
        QCOMPARE(line.DevIdToInitialize(), TTAPILine::unsetDevice);
        QCOMPARE(f.view->modemNameCount, 0);
    }
}

void TestTapiLine::sameDevice_runsNoCheck()
{
    LineFixture f;
    f.api.devices.resize(2);
    f.api.devices[1].name = "Second";
    TTAPILine &line = f.start();
    line.setDevIdToInitialize(0);
    QCOMPARE(f.view->modemNameCount, 1);
    f.api.calls.clear();
    line.setDevIdToInitialize(0);
    QVERIFY(f.api.calls.isEmpty());
    QCOMPARE(f.view->modemNameCount, 1);

    // A failing device keeps the chosen one, whose name is shown again.
    f.api.devices[1].lineFeatures = 0;
    line.setDevIdToInitialize(1);
    QCOMPARE(line.DevIdToInitialize(), 0u);
    QCOMPARE(f.view->modemNameCount, 2);
    QCOMPARE(f.view->modemName, QStringLiteral("Fake Modem"));
}

void TestTapiLine::lineName_data()
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

void TestTapiLine::lineName()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, offset);
    QFETCH(quint32, size);
    QFETCH(quint32, format);
    QFETCH(QString, name);
    LineDevCaps caps;
    caps.bytes = bytes;
    caps.lineNameOffset = offset;
    caps.lineNameSize = size;
    caps.stringFormat = format;
    QCOMPARE(TTAPILine::GetLineName(&caps), name);
    QCOMPARE(TTAPILine::GetLineName(nullptr), QStringLiteral("Modem niedostępny"));
}

void TestTapiLine::makeCall_outstandingRefused()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    QCOMPARE(f.view->showCount, 1);
    f.view->hideDialing();
    QVERIFY(!line.MakeCall());
    QCOMPARE(f.view->showCount, 1);
    QCOMPARE(f.api.calls.count(QStringLiteral("lineMakeCall")), 1);
    f.api.deliverReply(line.makeCallRequestId(), 0);
    QCOMPARE(line.makeCallRequestId(), 0);
    QVERIFY(line.MakeCall());
}

void TestTapiLine::makeCall_failedAtOnceIsNotOutstanding()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    f.api.makeCallResult = LINEERR_INVALADDRESS;
    QCOMPARE(f.raised([&] {
        line.MakeCall();
    }),
             QStringLiteral("TAPI Line: LINEERR_INVALADDRESS"));
    QVERIFY(f.view->shown); // stays up until the user presses its button
    QCOMPARE(line.makeCallRequestId(), 0);
    f.api.makeCallResult = 0;
    QVERIFY(line.MakeCall());
}

void TestTapiLine::makeCall_bearerAndAddress()
{
    LineFixture f;
    TTAPILine &line = f.start();
    line.PhoneNumber = QStringLiteral("0,12");
    QCOMPARE(f.raised([&] {
        line.MakeCall();
    }),
             QStringLiteral("TAPILine: Musisz wybrać linię kompatybilną z TAPI"));
    line.setDevIdToInitialize(0);
    QCOMPARE(f.raised([&] {
        line.MakeCall();
    }),
             QStringLiteral("TAPILine: Najpierw musisz otworzyć linię"));
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

void TestTapiLine::connected_afterHangUp_attachesNothing()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    line.DropCall();
    QVERIFY(f.api.calls.contains(QStringLiteral("lineDrop")));
    QCOMPARE(line.callHandle(), 0u);
    f.api.calls.clear();
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QVERIFY(f.api.calls.isEmpty());
    QVERIFY(!line.portOpen());
    QVERIFY(f.events.isEmpty());
}

void TestTapiLine::dropReply_clearsAllRequests()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    const qint32 makeCallId = line.makeCallRequestId();
    line.DropCall();
    QVERIFY(line.dropRequestId() != 0 && line.dropRequestId() != makeCallId);
    f.api.deliverReply(line.dropRequestId(), 0);
    QCOMPARE(line.makeCallRequestId(), 0);
    QCOMPARE(line.dropRequestId(), 0);
    QVERIFY(!f.view->shown);
    QVERIFY(line.MakeCall()); // a new dial is possible again
}

void TestTapiLine::connected_invalidPortStillConnects()
{
    LineFixture f;
    f.api.port = nullptr;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QVERIFY(!line.portOpen());
    QCOMPARE(f.events, QStringList{QStringLiteral("connection")});
    QVERIFY(!f.view->shown);
    QVERIFY(!line.WriteString(QStringLiteral("AT")));
}

void TestTapiLine::connected_setsPortUp()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QVERIFY(f.api.calls.contains(QStringLiteral("lineGetID(4,comm/datamodem)")));
    QVERIFY(line.portOpen());
    QCOMPARE(f.api.port->timeouts.readIntervalTimeout, 250u);
    QCOMPARE(f.api.port->timeouts.readTotalTimeoutConstant, 0u);
    QCOMPARE(f.api.port->timeouts.writeTotalTimeoutConstant, 0u);
    QCOMPARE(f.api.port->mask, quint32(EV_RXCHAR));

    // A failing lineGetID is caught by the callback and leaves no half-open port behind.
    LineFixture g;
    f.line.reset();
    g.api.getIdResult = LINEERR_INVALCALLHANDLE;
    TTAPILine &other = g.openLine();
    QVERIFY(other.MakeCall());
    g.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QCOMPARE(g.prompter.boxes.last().text, QStringLiteral("Wystąpił wewnetrzny błąd połączeniaon."));
    QVERIFY(!other.portOpen());
    QVERIFY(g.events.isEmpty());
}

void TestTapiLine::idleAndDisconnected_releaseCallAndPort()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    f.api.deliverCallState(0x500, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
    QVERIFY(f.api.port->closed);
    QVERIFY(!line.port());
    QCOMPARE(f.events, (QStringList{QStringLiteral("connection"), QStringLiteral("disconnect")}));
    f.api.deliverCallState(0x500, LINECALLSTATE_IDLE);
    QVERIFY(f.api.calls.contains(QStringLiteral("lineDeallocateCall")));
    QCOMPARE(line.callHandle(), 0u);

    // A failing release is reported and hides the window.
    f.api.deliverReply(line.makeCallRequestId(), 0);
    QVERIFY(line.MakeCall());
    f.api.deallocateResult = LINEERR_INVALCALLHANDLE;
    f.api.deliverCallState(0x500, LINECALLSTATE_IDLE);
    QCOMPARE(f.prompter.boxes.last().text, QStringLiteral("Nie można rozłączyć połączenia."));
    QVERIFY(!f.view->shown);
}

void TestTapiLine::openLine_closesLineOfEarlierDial()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverReply(line.makeCallRequestId(), 0);
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QVERIFY(line.portOpen());
    line.OpenLine();
    QVERIFY(!line.portOpen() && f.api.port->closed);
    line.OpenLine();
    QCOMPARE(f.api.openLines.size(), 1);
    f.line.reset(); // the end drops and closes
    QVERIFY(f.api.openLines.isEmpty());
    QCOMPARE(f.api.calls.last(), QStringLiteral("lineShutdown"));
}

void TestTapiLine::failedReply_showsMessage()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverReply(line.makeCallRequestId(), LINEERR_OPERATIONFAILED);
    QCOMPARE(f.prompter.boxes.size(), 1);
    QCOMPARE(f.prompter.boxes.first().text, QStringLiteral("Wystąpił błąd przy próbie wybierania."));
    QVERIFY(!f.view->shown);
    QCOMPARE(line.makeCallRequestId(), 0);
}

void TestTapiLine::script_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QList<QByteArray>>("answers"); // one per wait
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("error"); // empty: connected
    QTest::newRow("connect at first line")
        << QStringList{"ATZ", "ATDT123"} << QList<QByteArray>{"CONNECT 9600\r\n"} << QByteArray("ATZ\r\n") << QString();
    QTest::newRow("ok, then connect after silence")
        << QStringList{"ATZ", "ATDT123"} << QList<QByteArray>{"O", "K\r\n", "", "CONNECT\r\n"}
        << QByteArray("ATZ\r\nATDT123\r\n") << QString();
    QTest::newRow("last line ok keeps waiting")
        << QStringList{"ATZ"} << QList<QByteArray>{"OK\r\n", "", "CONNECT\r\n"} << QByteArray("ATZ\r\n") << QString();
    QTest::newRow("no carrier quotes the line")
        << QStringList{"ATZ", "ATDT123"} << QList<QByteArray>{"OK\r\n", "NO CARRIER\r\n"}
        << QByteArray("ATZ\r\nATDT123\r\n")
        << "TAPILine: Device direct access script error: \"ATDT123\".\r\nNO CARRIER\r\n";
    QTest::newRow("error") << QStringList{"AT&F9"} << QList<QByteArray>{"error\r\n"} << QByteArray("AT&F9\r\n")
                           << "TAPILine: Device direct access script error: \"AT&F9\".\r\nerror\r\n";
}

void TestTapiLine::script()
{
    QFETCH(QStringList, script);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QByteArray, written);
    QFETCH(QString, error);
    LineFixture f;
    f.arrivals = answers;
    TTAPILine &line = f.openLine();
    line.DeviceDirectAccess = true;
    line.setDirectAccessScript(&script);
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QCOMPARE(f.api.port->written, written);
    QVERIFY(f.arrivals.isEmpty());
    QVERIFY(!f.view->shown);
    QCOMPARE(f.api.port->purges.last(), 0xFu);
    if (error.isEmpty()) {
        QCOMPARE(f.events, QStringList{QStringLiteral("connection")});
        QVERIFY(f.prompter.boxes.isEmpty());
    } else {
        QVERIFY(f.events.isEmpty());
        QCOMPARE(line.lastScriptError(), error);
        QCOMPARE(f.prompter.boxes.size(), 1);
        QCOMPARE(f.prompter.boxes.first().text, error);
    }
}

void TestTapiLine::script_logFile()
{
    QTemporaryDir dir;
    LineFixture f;
    f.arrivals = {"OK\r\n"};
    TTAPILine &line = f.openLine();
    line.DeviceDirectAccess = true;
    line.DirectAccessLogFile = dir.filePath(QStringLiteral("modem.log"));
    const QStringList script{QStringLiteral("ATZ")};
    line.setDirectAccessScript(&script);
    QVERIFY(line.MakeCall());
    // The user hangs up while the script waits after its last "OK".
    line.setWaitFunction([&f, &line](int) {
        if (!f.arrivals.isEmpty()) {
            f.api.port->incoming += f.arrivals.takeFirst();
        } else {
            line.DropCall();
        }
    });
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QFile log(line.DirectAccessLogFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray stamp = "07.12.2026 09:05:03 - ";
    QCOMPARE(log.readAll(),
             stamp + "TAPILine logfile: : 07.12.2026 09:05:03\r\n" + stamp
                 + "Write (send command to modem): ATZ\r\n\r\n" + stamp + "Read (command in process): OK\r\n\r\n"
                 + stamp + "Command complete (OK received): OK\r\n\r\n" + stamp + "Read (command in process)\r\n"
                 + stamp + "Dropped (user hangup)\r\n");
}

void TestTapiLine::bytesWaiting_limit()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    f.api.port->incoming = QByteArray(1000, 'x');
    QCOMPARE(line.BytesWaiting(), 1000u);
    QCOMPARE(line.ReadString(0).size(), 1000);
    f.api.port->incoming = QByteArray(1001, 'x');
    QCOMPARE(f.raised([&] {
        line.ReadString(0);
    }),
             QStringLiteral("It seems that ClearCommError function failed.\rOr you try to get more than 1000 kB."));
    // A NUL ends the text; a second read finding nothing adds nothing.
    f.api.port->incoming = QByteArray("OK\0junk", 7);
    QCOMPARE(line.ReadString(0), QStringLiteral("OK"));
    QCOMPARE(line.ReadString(0), QString());
}

void TestTapiLine::portFailures_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<int>("status");
    QTest::addColumn<quint32>("errorWord");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("purged");
    QTest::newRow("write, two flags") << false << int(CommIo::InvalidHandle) << 0x3u << "COM Error: " << false;
    QTest::newRow("write, break") << false << int(CommIo::InvalidHandle) << 0x10u
                                  << "COM Error: The hardware detected a break condition." << false;
    QTest::newRow("write time-out") << false << int(CommIo::TimedOut) << 0u << "Timeout during write operation."
                                    << true;
    QTest::newRow("read, frame") << true << int(CommIo::InvalidHandle) << 0x8u
                                 << "Błąd COM: The hardware detected a framing error." << false;
    QTest::newRow("read time-out") << true << int(CommIo::TimedOut) << 0u
                                   << "Błąd czasu oczkiwania przy operacji odczytu." << true;
}

void TestTapiLine::portFailures()
{
    QFETCH(bool, reading);
    QFETCH(int, status);
    QFETCH(quint32, errorWord);
    QFETCH(QString, text);
    QFETCH(bool, purged);
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    f.api.port->errorWord = errorWord;
    if (reading) {
        f.api.port->nextReadStatus = CommIo::Status(status);
        QCOMPARE(f.raised([&] {
            line.ReadBytes(4);
        }),
                 text);
    } else {
        f.api.port->nextWriteStatus = CommIo::Status(status);
        QCOMPARE(f.raised([&] {
            line.WriteString(QStringLiteral("ATZ"));
        }),
                 text);
    }
    QCOMPARE(f.api.port->purges, purged ? QList<quint32>{3u} : QList<quint32>{});
}

void TestTapiLine::port_closedFlagDoesNothing()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QVERIFY(line.MakeCall());
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QVERIFY(!line.WriteString(QString()));
    f.api.port->writeChunk = 2; // a write that goes out in parts is completed
    QVERIFY(line.WriteString(QStringLiteral("ATDT1")));
    QCOMPARE(f.api.port->written, QByteArray("ATDT1"));
    line.DropCall();
    f.api.port->incoming = "OK";
    QVERIFY(!line.WriteString(QStringLiteral("AT")));
    QCOMPARE(line.ReadBytes(0), QByteArray());
    QCOMPARE(f.api.port->written, QByteArray("ATDT1"));
}

void TestTapiLine::watcher_reportsNewDataUntilHangUp()
{
    LineFixture f;
    TTAPILine &line = f.openLine();
    QList<QObject *> senders;
    line.OnNewData = [&senders](QObject *sender) {
        senders << sender;
    };
    QVERIFY(line.MakeCall());
    f.api.port->pendingEvents = 2;
    f.api.deliverCallState(0x500, LINECALLSTATE_CONNECTED);
    QTRY_COMPARE(senders.size(), 2);
    QVERIFY(senders.first() == f.view->dialingObject());
    QVERIFY(line.watcherRunning());
    line.DropCall();
    QTRY_VERIFY(!line.watcherRunning());
    line.OnNewData = nullptr;
}

QTEST_GUILESS_MAIN(TestTapiLine)
#include "tst_tapiline.moc"
