#include "FakeModem.h"

#include "core/common/IniFile.h"
#include "core/common/Settings.h"
#include "core/telephony/CommPort.h"
#include "platform/linux/SerialLineApi.h"

#include <QTemporaryDir>
#include <QtTest>

#include <future>

using namespace Tapi;

namespace {

struct Message
{
    quint32 handle, message, param1, param2;
};

class RecordingSink final : public LineCallbackSink
{
public:
    QList<Message> messages;
    void lineCallback(quint32 handle, quint32 message, quintptr, quint32 p1, quint32 p2, quint32) override
    {
        messages.append({handle, message, p1, p2});
    }
    QList<quint32> states() const
    {
        QList<quint32> list;
        for (const Message &m : messages) {
            if (m.message == LINE_CALLSTATE) {
                list.append(m.param1);
            }
        }
        return list;
    }
    std::optional<Message> last(quint32 message, quint32 param1 = 0) const
    {
        for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
            if (it->message == message && (param1 == 0 || it->param1 == param1)) {
                return *it;
            }
        }
        return std::nullopt;
    }
    // The result of a request, once its reply came; -1 before.
    qint64 reply(qint32 request) const
    {
        const auto m = last(LINE_REPLY, quint32(request));
        return m ? qint64(qint32(m->param2)) : -1;
    }
};

FakeModem::Options slowDial()
{
    FakeModem::Options options;
    options.dialDelay = std::chrono::seconds(30);
    return options;
}

// A fake modem on a pseudo-terminal and the backend over it (or over another path), with one line device.
struct Rig
{
    explicit Rig(FakeModem::Options options = {}, QString path = {}, int answerTimeoutMs = 1000)
        : modem(std::make_unique<FakeModem>(options))
    {
        std::string error;
        ok = modem->open(&error);
        modem->start();
        port = path.isEmpty() ? QString::fromStdString(modem->portPath()) : path;
        SerialLineApi::Config config;
        config.ports = {port};
        config.answerTimeoutMs = answerTimeoutMs;
        api = std::make_unique<SerialLineApi>(config);
        api->lineInitialize(&app, &sink, QStringLiteral("Morwinek"), &devices);
    }
    qint32 open(HLINE *handle) { return api->lineOpen(app, 0, handle, TAPI_VERSION_1_4, 0, 0, 6, 0x10, nullptr); }
    // Opens the line and dials `number` on it; the request id, or 0 when the line did not open.
    qint32 dial(const QString &number = QStringLiteral("123"))
    {
        return open(&line) == 0 ? api->lineMakeCall(line, &call, &number, 0, nullptr) : 0;
    }
    bool sent(const std::string &command) const
    {
        const auto all = modem->commands();
        return std::find(all.begin(), all.end(), command) != all.end();
    }

    std::unique_ptr<FakeModem> modem;
    bool ok = false;
    QString port;
    RecordingSink sink;
    std::unique_ptr<SerialLineApi> api;
    HLINEAPP app = 0;
    quint32 devices = 0;
    HLINE line = 0;
    HCALL call = 0;
};

} // namespace

// The serial modem backend end to end against a fake Hayes modem on a pseudo-terminal.
class TestSerialLineApi : public QObject
{
    Q_OBJECT
private slots:
    void dial_reportsWhatTheModemAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<qint32>("reply");
        QTest::addColumn<quint32>("state"); // last call state, 0 = none after PROCEEDING
        QTest::addColumn<quint32>("detail");
        const quint32 disconnected = LINECALLSTATE_DISCONNECTED;
        QTest::newRow("dialled, rings on") << "OK" << false << true << 0 << LINECALLSTATE_RINGBACK << 0u;
        QTest::newRow("dialled, answer split") << "OK" << true << true << 0 << LINECALLSTATE_RINGBACK << 0u;
        QTest::newRow("data connection") << "CONNECT 9600" << false << true << 0 << LINECALLSTATE_CONNECTED << 0u;
        QTest::newRow("busy") << "BUSY" << false << false << 0 << LINECALLSTATE_BUSY << LINEBUSYMODE_UNKNOWN;
        QTest::newRow("busy, split") << "BUSY" << true << false << 0 << LINECALLSTATE_BUSY << LINEBUSYMODE_UNKNOWN;
        QTest::newRow("no dial tone") << "NO DIALTONE" << false << true << 0 << disconnected
                                      << LINEDISCONNECTMODE_NODIALTONE;
        QTest::newRow("no carrier") << "NO CARRIER" << true << true << 0 << disconnected << LINEDISCONNECTMODE_UNAVAIL;
        QTest::newRow("no answer") << "NO ANSWER" << false << true << 0 << disconnected << LINEDISCONNECTMODE_NOANSWER;
        QTest::newRow("refused") << "ERROR" << false << true << LINEERR_OPERATIONFAILED << 0u << 0u;
    }
    void dial_reportsWhatTheModemAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, split);
        QFETCH(bool, echo);
        QFETCH(qint32, reply);
        QFETCH(quint32, state);
        QFETCH(quint32, detail);
        FakeModem::Options options;
        options.dialAnswer = answer.toStdString();
        options.splitAnswers = split;
        options.echo = echo;
        options.dialDelay = std::chrono::milliseconds(100);
        Rig rig(options);
        QVERIFY(rig.ok);
        const qint32 request = rig.dial(QStringLiteral("0,22 123"));
        QVERIFY(request > 0);
        QVERIFY(rig.call != 0);
        QVERIFY(rig.sink.messages.isEmpty()); // nothing from inside the call

        QTRY_VERIFY(rig.sink.reply(request) != -1);
        QCOMPARE(rig.sink.reply(request), reply);
        QVERIFY(rig.sent("ATD0,22123;"));
        QTest::qWait(50);
        QList<quint32> expected{LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING};
        if (state != 0) {
            expected.append(state);
            QCOMPARE(rig.sink.last(LINE_CALLSTATE)->param2, detail);
            QCOMPARE(rig.sink.last(LINE_CALLSTATE)->handle, rig.call);
        }
        QCOMPARE(rig.sink.states(), expected);
    }

    void drop_afterConnected_hangsUp()
    {
        Rig rig;
        QVERIFY(rig.dial() > 0);
        QTRY_VERIFY(rig.sink.last(LINE_CALLSTATE, LINECALLSTATE_RINGBACK).has_value());
        const qint32 drop = rig.api->lineDrop(rig.call, {});
        QVERIFY(drop > 0);
        QVERIFY(rig.sent("ATH"));
        QTRY_COMPARE(rig.sink.reply(drop), 0);
        QCOMPARE(rig.sink.states().last(), LINECALLSTATE_IDLE);
        QCOMPARE(rig.api->lineDeallocateCall(rig.call), 0);
        QCOMPARE(rig.api->lineClose(rig.line), 0);
        QCOMPARE(rig.api->lineClose(rig.line), LINEERR_INVALLINEHANDLE);
    }

    void drop_whileDialing_stopsDialAndAnswersBothRequests()
    {
        Rig rig(slowDial());
        const qint32 make = rig.dial();
        QTRY_VERIFY(rig.sent("ATD123;"));
        const qint32 drop = rig.api->lineDrop(rig.call, {});
        QVERIFY(rig.sent("ATH"));
        QTRY_VERIFY(rig.sink.reply(drop) != -1);
        // Without its reply the make-call request would stay outstanding and block every later dial.
        QVERIFY(rig.sink.reply(make) != -1);
        QVERIFY(!rig.sink.states().contains(LINECALLSTATE_CONNECTED));

        // The line takes the next call.
        rig.modem->setDialAnswer("BUSY");
        const QString number = QStringLiteral("123");
        QVERIFY(rig.api->lineMakeCall(rig.line, &rig.call, &number, 0, nullptr) > 0);
    }

    void unplugged_closesLine()
    {
        Rig rig(slowDial());
        const qint32 make = rig.dial();
        QTRY_VERIFY(rig.sent("ATD123;"));
        rig.modem.reset(); // the far end of the port goes away
        QTRY_VERIFY(rig.sink.last(LINE_CLOSE).has_value());
        QCOMPARE(rig.sink.last(LINE_CLOSE)->handle, rig.line);
        QCOMPARE(rig.sink.reply(make), LINEERR_OPERATIONFAILED);
    }

    void open_portHeldByAnotherProgram_allocated()
    {
        Rig rig;
        HLINE first = 0, second = 0, line = 0;
        QCOMPARE(rig.open(&first), 0);
        QCOMPARE(rig.open(&second), 0); // this program may open its own device twice

        Rig other({}, rig.port); // another program, on the same port
        QCOMPARE(other.open(&line), LINEERR_ALLOCATED);
        QVERIFY(other.api->lastErrorHint().contains(rig.port));
        QCOMPARE(rig.api->lineClose(first), 0);
        QCOMPARE(other.open(&line), LINEERR_ALLOCATED);
        QCOMPARE(rig.api->lineClose(second), 0); // the last handle releases the port
        QCOMPARE(other.open(&line), 0);
        QVERIFY(other.api->lastErrorHint().isEmpty());
    }

    void open_failures_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<QString>("hint");
        QTest::newRow("no such port") << true << LINEERR_NODEVICE << "nie istnieje";
        QTest::newRow("modem silent") << false << LINEERR_OPERATIONFAILED << "nie odpowiada";
    }
    void open_failures()
    {
        QFETCH(bool, missing);
        QFETCH(qint32, result);
        QFETCH(QString, hint);
        FakeModem::Options silent;
        silent.silent = true;
        Rig rig(silent, missing ? QStringLiteral("/dev/ttyUSB-none") : QString(), 300);
        HLINE line = 0;
        QCOMPARE(rig.open(&line), result);
        QVERIFY2(rig.api->lastErrorHint().contains(hint) && rig.api->lastErrorHint().contains(rig.port),
                 qPrintable(rig.api->lastErrorHint()));
        QCOMPARE(rig.api->lineOpen(rig.app, 1, &line, TAPI_VERSION_1_4, 0, 0, 6, 0x10, nullptr), LINEERR_BADDEVICEID);
    }

    void open_modemAnsweringByteByByte()
    {
        // About a byte a second: the answer outlasts one asking of "AT" (a third of the time-out)
        // but comes whole within the time-out, as long as it is not thrown away by asking again.
        FakeModem::Options slow;
        slow.byteDelay = std::chrono::milliseconds(1050);
        Rig rig(slow, {}, 6000);
        QVERIFY(rig.ok);
        HLINE line = 0;
        QCOMPARE(rig.open(&line), 0);
        QCOMPARE(rig.modem->commands(), std::vector<std::string>{"AT"});
    }

    void commPort_readsWritesAndWakesTheWatcher()
    {
        Rig rig;
        QVERIFY(rig.dial() > 0);
        QTRY_VERIFY(rig.sink.last(LINE_CALLSTATE, LINECALLSTATE_RINGBACK).has_value());
        std::shared_ptr<CommPort> port;
        QCOMPARE(
            rig.api->lineGetID(rig.line, 0, rig.call, LINECALLSELECT_CALL, QStringLiteral("comm/datamodem"), &port), 0);
        QVERIFY(port && port->setMask(EV_RXCHAR));
        const auto watch = [port] {
            return std::async(std::launch::async, [port] {
                return port->waitForEvent(5000);
            });
        };
        auto watcher = watch();
        QCOMPARE(port->write("ATI3\r", 1000).status, CommIo::Done);
        QTRY_COMPARE(watcher.wait_for(std::chrono::milliseconds(0)), std::future_status::ready);
        QCOMPARE(watcher.get(), CommPort::EventOccurred);
        quint32 errors = 1, waiting = 0;
        QTRY_VERIFY(port->clearError(&errors, &waiting) && waiting >= 11); // "ATI3\r" echoed, "\r\nOK\r\n"
        QCOMPARE(errors, 0u);
        QByteArray received;
        while (received.size() < qsizetype(waiting)) {
            QByteArray part;
            QCOMPARE(port->read(waiting - received.size(), 1000, &part).status, CommIo::Done);
            received += part;
        }
        QCOMPARE(received, QByteArray("ATI3\r\r\nOK\r\n"));

        watcher = watch();
        QVERIFY(rig.api->lineDrop(rig.call, {}) > 0);
        QCOMPARE(watcher.get(), CommPort::WaitError); // the call's end wakes the watcher
        QCOMPARE(port->write("AT\r", 1000).status, CommIo::InvalidHandle);
        QByteArray none;
        QCOMPARE(port->read(10, 10, &none).status, CommIo::InvalidHandle);
    }

    void passThrough_connectsWithoutDialling()
    {
        Rig rig;
        QCOMPARE(rig.open(&rig.line), 0);
        LineCallParams params{176, LINEBEARERMODE_PASSTHROUGH, LINEMEDIAMODE_DATAMODEM};
        const qint32 request = rig.api->lineMakeCall(rig.line, &rig.call, nullptr, 0, &params);
        QTRY_VERIFY(rig.sink.last(LINE_CALLSTATE, LINECALLSTATE_CONNECTED).has_value());
        QCOMPARE(rig.sink.reply(request), 0);
        QCOMPARE(rig.modem->commands(), std::vector<std::string>{"AT"});
    }

    void dialString_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QByteArray>("dial");
        QTest::newRow("pause and blanks") << "0,22 123-45-67" << QByteArray("0,221234567");
        QTest::newRow("international") << "+48 (22) 123.45/67" << QByteArray("+48221234567");
        QTest::newRow("modifier letters") << "w9p*31#" << QByteArray("W9P*31#");
        QTest::newRow("star and hash codes") << "*31#600100200" << QByteArray("*31#600100200");
        QTest::newRow("second command") << "12;ATZ" << QByteArray();
        QTest::newRow("line break") << "12\r\nATH" << QByteArray();
        QTest::newRow("letters") << "0800-FIRMA" << QByteArray();
        QTest::newRow("Polish letters") << "22 5ł5 ń1" << QByteArray();
        QTest::newRow("tone letter") << "22 5a5" << QByteArray();
        QTest::newRow("Cyrillic letter") << "22 5д5" << QByteArray();
        QTest::newRow("Greek letter") << "22 5Α5" << QByteArray();
        QTest::newRow("full-width digit") << "22 5５5" << QByteArray();
        QTest::newRow("tab") << "22\t555" << QByteArray();
        QTest::newRow("NUL") << QString::fromUtf16(u"22\u0000555", 7) << QByteArray();
        QTest::newRow("escape sequence") << "12+++ATH" << QByteArray();
        QTest::newRow("second plus") << "+48+22" << QByteArray();
        QTest::newRow("pause first") << ",22 555" << QByteArray(",22555");
        QTest::newRow("pause after plus") << "+,48 22" << QByteArray("+,4822");
        QTest::newRow("hook flash and quiet") << "0!22@555$" << QByteArray("0!22@555$");
        QTest::newRow("wait for dial tone") << "9W0221234567" << QByteArray("9W0221234567");
        QTest::newRow("pulse from there on") << "0,22 555 P 12" << QByteArray("0,22555P12");
        QTest::newRow("tone from there on") << "t 22 555" << QByteArray("T22555");
        QTest::newRow("tones A to D") << "22 5A5 D" << QByteArray("225A5D");
        QTest::newRow("Cyrillic Te") << "22 \u0422 555" << QByteArray();
        QTest::newRow("reverse dial") << "22 555 R" << QByteArray();
        QTest::newRow("stored number") << "S=1" << QByteArray();
        QTest::newRow("separators only") << ",+" << QByteArray();
        QTest::newRow("waits only") << "W,@$" << QByteArray();
        QTest::newRow("60 to dial") << QString(60, u'1') << QByteArray(60, '1');
        QTest::newRow("61 to dial") << QString(61, u'1') << QByteArray();
        QTest::newRow("empty") << " - " << QByteArray();
        QTest::newRow("plus alone") << "+" << QByteArray();
    }
    void dialString()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, dial);
        QCOMPARE(SerialLineApi::dialString(address), dial);
        // What the modem hears of it: that dial string, or no dial command at all.
        Rig rig;
        QVERIFY(rig.ok);
        const qint32 request = rig.dial(address);
        if (dial.isEmpty()) {
            QCOMPARE(request, LINEERR_INVALADDRESS);
            QCOMPARE(rig.call, HCALL(0));
        } else {
            QVERIFY(request > 0);
            QTRY_VERIFY(rig.sent("ATD" + dial.toStdString() + ";"));
        }
        for (const std::string &command : rig.modem->commands()) {
            QVERIFY2(command.rfind("ATD", 0) != 0 || !dial.isEmpty(), command.c_str());
        }
    }

    void ports_fromSettingsOrDetected_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("ports"); // "*" stands for the ports found in the folder
        QTest::addColumn<int>("speed");
        QTest::newRow("no section") << QByteArray("[Terminy]\r\nZAKRES=3\r\n") << QStringList{"*"} << 115200;
        QTest::newRow("named, in order") << QByteArray("[Modem]\r\nPorty=/dev/ttyS1; /tmp/modem ;\r\nPredkosc=9600\r\n")
                                         << QStringList{"/dev/ttyS1", "/tmp/modem"} << 9600;
        QTest::newRow("empty key: no modem") << QByteArray("[Modem]\r\nPorty=\r\n") << QStringList{} << 115200;
        QTest::newRow("bad speed") << QByteArray("[modem]\r\nporty=/dev/ttyS0\r\nPredkosc=-5\r\n")
                                   << QStringList{"/dev/ttyS0"} << 115200;
    }
    void ports_fromSettingsOrDetected()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, ports);
        QFETCH(int, speed);
        QTemporaryDir dev;
        for (const char *name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "console", "Morwinek.ini"}) {
            QFile f(dev.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(name == QLatin1String("Morwinek.ini") ? ini : QByteArray());
        }
        if (ports == QStringList{"*"}) {
            ports = {dev.filePath("ttyACM0"), dev.filePath("ttyUSB2"), dev.filePath("ttyUSB10")};
        }
        IniFile iniFile(dev.filePath("Morwinek.ini"));
        QVERIFY(iniFile.load());
        Settings settings;
        settings.read(iniFile);
        const SerialLineApi::Config config = SerialLineApi::configFromSettings(settings, dev.path());
        QCOMPARE(config.ports, ports);
        QCOMPARE(config.speed, speed);
    }
};

QTEST_GUILESS_MAIN(TestSerialLineApi)
#include "tst_seriallineapi.moc"
