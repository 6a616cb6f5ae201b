#include "TTAPILine.h"

#include "core/common/Clock.h"
#include "core/common/Cp1250.h"
#include "core/common/Prompter.h"
#include "core/telephony/DialNumber.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

using namespace Tapi;

namespace {

TTAPILine *s_line = nullptr;
DialingView *s_dialingWindow = nullptr;

// LINEERR_ names from 0x80000001 on, in order; the published list leaves two codes unnamed.
const char *const lineErrNames[] = {
    "LINEERR_ALLOCATED",
    "LINEERR_BADDEVICEID",
    "LINEERR_BEARERMODEUNAVAIL",
    nullptr, // 0x80000004 has no name
    "LINEERR_CALLUNAVAIL",
    "LINEERR_COMPLETIONOVERRUN",
    "LINEERR_CONFERENCEFULL",
    "LINEERR_DIALBILLING",
    "LINEERR_DIALDIALTONE",
    "LINEERR_DIALPROMPT",
    "LINEERR_DIALQUIET",
    "LINEERR_INCOMPATIBLEAPIVERSION",
    "LINEERR_INCOMPATIBLEEXTVERSION",
    "LINEERR_INIFILECORRUPT",
    "LINEERR_INUSE",
    "LINEERR_INVALADDRESS",
    "LINEERR_INVALADDRESSID",
    "LINEERR_INVALADDRESSMODE",
    "LINEERR_INVALADDRESSSTATE",
    "LINEERR_INVALAPPHANDLE",
    "LINEERR_INVALAPPNAME",
    "LINEERR_INVALBEARERMODE",
    "LINEERR_INVALCALLCOMPLMODE",
    "LINEERR_INVALCALLHANDLE",
    "LINEERR_INVALCALLPARAMS",
    "LINEERR_INVALCALLPRIVILEGE",
    "LINEERR_INVALCALLSELECT",
    "LINEERR_INVALCALLSTATE",
    "LINEERR_INVALCALLSTATELIST",
    "LINEERR_INVALCARD",
    "LINEERR_INVALCOMPLETIONID",
    "LINEERR_INVALCONFCALLHANDLE",
    "LINEERR_INVALCONSULTCALLHANDLE",
    "LINEERR_INVALCOUNTRYCODE",
    "LINEERR_INVALDEVICECLASS",
    "LINEERR_INVALDEVICEHANDLE",
    "LINEERR_INVALDIALPARAMS",
    "LINEERR_INVALDIGITLIST",
    "LINEERR_INVALDIGITMODE",
    "LINEERR_INVALDIGITS",
    "LINEERR_INVALEXTVERSION",
    "LINEERR_INVALGROUPID",
    "LINEERR_INVALLINEHANDLE",
    "LINEERR_INVALLINESTATE",
    "LINEERR_INVALLOCATION",
    "LINEERR_INVALMEDIALIST",
    "LINEERR_INVALMEDIAMODE",
    "LINEERR_INVALMESSAGEID",
    nullptr, // 0x80000031 has no name
    "LINEERR_INVALPARAM",
    "LINEERR_INVALPARKID",
    "LINEERR_INVALPARKMODE",
    "LINEERR_INVALPOINTER",
    "LINEERR_INVALPRIVSELECT",
    "LINEERR_INVALRATE",
    "LINEERR_INVALREQUESTMODE",
    "LINEERR_INVALTERMINALID",
    "LINEERR_INVALTERMINALMODE",
    "LINEERR_INVALTIMEOUT",
    "LINEERR_INVALTONE",
    "LINEERR_INVALTONELIST",
    "LINEERR_INVALTONEMODE",
    "LINEERR_INVALTRANSFERMODE",
    "LINEERR_LINEMAPPERFAILED",
    "LINEERR_NOCONFERENCE",
    "LINEERR_NODEVICE",
    "LINEERR_NODRIVER",
    "LINEERR_NOMEM",
    "LINEERR_NOREQUEST",
    "LINEERR_NOTOWNER",
    "LINEERR_NOTREGISTERED",
    "LINEERR_OPERATIONFAILED",
    "LINEERR_OPERATIONUNAVAIL",
    "LINEERR_RATEUNAVAIL",
    "LINEERR_RESOURCEUNAVAIL",
    "LINEERR_REQUESTOVERRUN",
    "LINEERR_STRUCTURETOOSMALL",
    "LINEERR_TARGETNOTFOUND",
    "LINEERR_TARGETSELF",
    "LINEERR_UNINITIALIZED",
    "LINEERR_USERUSERINFOTOOBIG",
    "LINEERR_REINIT",
    "LINEERR_ADDRESSBLOCKED",
    "LINEERR_BILLINGREJECTED",
    "LINEERR_INVALFEATURE",
    "LINEERR_NOMULTIPLEINSTANCE",
    "LINEERR_INVALAGENTID",
    "LINEERR_INVALAGENTGROUP",
    "LINEERR_INVALPASSWORD",
    "LINEERR_INVALAGENTSTATE",
    "LINEERR_INVALAGENTACTIVITY",
    "LINEERR_DIALVOICEDETECT",
};

constexpr quint32 devCapsSize = 1276;
constexpr quint32 addressStatusSize = 1088;
constexpr quint32 callParamsSize = 176;

const QString mustChooseLine = QStringLiteral("TAPILine: Musisz wybrać linię kompatybilną z TAPI");

// The line a probe opened, closed whatever happens after.
class ProbeLine
{
public:
    explicit ProbeLine(LineApi &api)
        : m_api(api)
    {}
    ~ProbeLine()
    {
        if (opened) {
            m_api.lineClose(line);
        }
    }
    HLINE line = 0;
    bool opened = false;

private:
    LineApi &m_api;
};

// A telephony interface without any line device.
class NoLineApi final : public LineApi
{
public:
    qint32 lineInitialize(HLINEAPP *lineApp, LineCallbackSink *, const QString &, quint32 *numDevices) override
    {
        *lineApp = 1;
        *numDevices = 0;
        return 0;
    }
    qint32 lineShutdown(HLINEAPP) override { return 0; }
    qint32 lineNegotiateAPIVersion(HLINEAPP, quint32, quint32, quint32, quint32 *) override { return LINEERR_NODEVICE; }
    qint32 lineGetDevCaps(HLINEAPP, quint32, quint32, quint32, LineDevCaps *) override { return LINEERR_NODEVICE; }
    qint32
    lineOpen(HLINEAPP, quint32, HLINE *, quint32, quint32, quintptr, quint32, quint32, const LineCallParams *) override
    {
        return LINEERR_NODEVICE;
    }
    qint32 lineGetAddressStatus(HLINE, quint32, LineAddressStatus *) override { return LINEERR_INVALLINEHANDLE; }
    qint32 lineClose(HLINE) override { return LINEERR_INVALLINEHANDLE; }
    qint32 lineMakeCall(HLINE, HCALL *, const QString *, quint32, const LineCallParams *) override
    {
        return LINEERR_INVALLINEHANDLE;
    }
    qint32 lineAnswer(HCALL, const QByteArray &) override { return LINEERR_INVALCALLHANDLE; }
    qint32 lineDrop(HCALL, const QByteArray &) override { return LINEERR_INVALCALLHANDLE; }
    qint32 lineDeallocateCall(HCALL) override { return LINEERR_INVALCALLHANDLE; }
    qint32 lineGetID(HLINE, quint32, HCALL, quint32, const QString &, std::shared_ptr<CommPort> *) override
    {
        return LINEERR_INVALLINEHANDLE;
    }
};

NoLineApi noLineApi;

// Waits the given time while the program goes on handling its events.
void waitProcessingEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Watches the modem port for received data and posts a message to the dialling window for each event.
class TNewData final : public QThread
{
public:
    TNewData(std::shared_ptr<CommPort> port, const std::atomic<bool> &portOpen, QObject *window)
        : m_port(std::move(port))
        , m_portOpen(portOpen)
        , m_window(window)
    {}

protected:
    void run() override
    {
        while (m_portOpen && m_port) {
            const CommPort::Wait result = m_port->waitForEvent(1000);
            if (result == CommPort::EventOccurred) {
                QCoreApplication::postEvent(m_window, new QEvent(QEvent::Type(TTAPILine::newDataMessage)));
            } else if (result == CommPort::WaitError) {
                return;
            }
        }
    }

private:
    std::shared_ptr<CommPort> m_port;
    const std::atomic<bool> &m_portOpen;
    QPointer<QObject> m_window;
};

} // namespace

QString tapiResultText(qint32 result)
{
    const qint64 index = qint64(quint32(result)) - 0x80000001LL;
    if (result < 0 && index >= 0 && index < qint64(std::size(lineErrNames)) && lineErrNames[index]) {
        return QStringLiteral("TAPI Line: ") + QLatin1String(lineErrNames[index]);
    }
    return QStringLiteral("Unknown Error - ") + QString::number(result);
}

void CheckTapiResult(qint32 result)
{
    if (result < 0) {
        throw TelephonyError(tapiResultText(result));
    }
}

TTAPILine::TTAPILine(LineApi *api,
                     Prompter &prompter,
                     const Clock &clock,
                     const DialingWindowFactory &makeDialingWindow,
                     const QString &appName,
                     QObject *owner)
    : QObject(owner)
    , m_api(api ? api : &noLineApi)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_appName(appName)
    , m_wait(waitProcessingEvents)
{
    if (s_line) {
        throw TelephonyError(QStringLiteral("Komponent TAPILine dla tego procesu już istnieje."));
    }
    CheckTapiResult(m_api->lineInitialize(&m_lineApp, this, m_appName, &m_deviceCount));
    m_apiVersion = 0;
    m_devId = unsetDevice;
    WaitForCall = true;
    StatusPanel = nullptr;
    Timeout = 20;
    s_line = this;
    m_port.reset();
    if (!s_dialingWindow && makeDialingWindow) {
        m_ownedDialingWindow = makeDialingWindow();
        s_dialingWindow = m_ownedDialingWindow.get();
    }
    DeviceDirectAccess = false;
    m_script.clear();
}

TTAPILine::~TTAPILine()
{
    // Nothing may escape a destructor: a failure here only skips what depends on it.
    bool dropped = true;
    try {
        DropCall();
    } catch (const TelephonyError &) {
        dropped = false;
    }
    if (dropped) {
        try {
            CloseLine();
        } catch (const TelephonyError &) {
        }
    }
    m_portOpen = false;
    if (m_port) {
        m_port->close();
    }
    // Watcher threads read this component's flag: none may outlive it.
    m_retiredWatchers.append(m_watcher);
    for (const QPointer<QThread> &watcher : std::as_const(m_retiredWatchers)) {
        if (watcher) {
            watcher->wait();
            delete watcher.data();
        }
    }
    m_api->lineShutdown(m_lineApp);
    if (s_line == this) {
        s_line = nullptr;
    }
    if (m_ownedDialingWindow && s_dialingWindow == m_ownedDialingWindow.get()) {
        s_dialingWindow = nullptr;
    }
}

TTAPILine *TTAPILine::instance()
{
    return s_line;
}

DialingView *TTAPILine::dialingWindow()
{
    return s_dialingWindow;
}

void TTAPILine::setDirectAccessScript(const QStringList *lines)
{
    if (lines) {
        m_script = *lines;
    }
}

void TTAPILine::setStatus(const QString &text)
{
    if (StatusPanel) {
        StatusPanel(text);
    }
}

void TTAPILine::fire(const NotifyEvent &event)
{
    if (event) {
        event(this);
    }
}

void TTAPILine::showMessage(const QString &text)
{
    m_prompter.messageBox(nullptr, text, m_appName, MB_OK);
}

void TTAPILine::hideDialing()
{
    if (s_dialingWindow) {
        s_dialingWindow->hideDialing();
    }
}

void TTAPILine::closePortHandle()
{
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
}

// Choosing the device

void TTAPILine::setDevIdToInitialize(quint32 device)
{
    if (device == m_devId) {
        return;
    }
    if (VerifyUsableLine(device) == 0) {
        m_devId = device;
    }
    const quint32 version = NegotiateDeviceVersion(m_devId);
    LineDevCaps caps;
    caps.totalSize = devCapsSize;
    CheckTapiResult(m_api->lineGetDevCaps(m_lineApp, m_devId, version, 0, &caps));
    if (s_dialingWindow) {
        s_dialingWindow->setModemName(GetLineName(&caps));
    }
}

quint32 TTAPILine::NegotiateDeviceVersion(quint32 device)
{
    quint32 version = 0;
    const qint32 result =
        m_api->lineNegotiateAPIVersion(m_lineApp, device, TAPI_VERSION_1_4, TAPI_VERSION_1_4, &version);
    if (result == LINEERR_INCOMPATIBLEAPIVERSION) {
        return 0;
    }
    CheckTapiResult(result);
    return version;
}

QString TTAPILine::GetLineName(const LineDevCaps *caps)
{
    if (!caps) {
        return QStringLiteral("Modem niedostępny");
    }
    if (caps->lineNameSize == 0 || caps->lineNameOffset == 0 || caps->stringFormat != STRINGFORMAT_ASCII) {
        return QStringLiteral("Line Unnamed");
    }
    // A name that claims to reach past the structure is cut at its end.
    const qint64 available = qMax<qint64>(0, qint64(caps->bytes.size()) - qint64(caps->lineNameOffset));
    const qint64 size = qMin<qint64>(caps->lineNameSize, available);
    QByteArray name = caps->bytes.mid(qsizetype(caps->lineNameOffset), qsizetype(size));
    if (name.isEmpty()) {
        return QStringLiteral("Line Name is Empty");
    }
    name[name.size() - 1] = '\0';
    if (name.at(0) == '\0') {
        return QStringLiteral("Line Name is Empty");
    }
    return Cp1250::decode(QByteArrayView(name.constData()));
}

int TTAPILine::VerifyUsableLine(quint32 device)
{
    const quint32 version = NegotiateDeviceVersion(device);
    if (version == 0) {
        return 1;
    }
    LineDevCaps caps;
    caps.totalSize = devCapsSize;
    CheckTapiResult(m_api->lineGetDevCaps(m_lineApp, device, version, 0, &caps));
    if (!(caps.bearerModes & LINEBEARERMODE_VOICE)) {
        showMessage(QStringLiteral("VerifyUsableLine: doesn't support LINEBEARERMODE_VOICE"));
        return 2;
    }
    if (!(caps.mediaModes & LINEMEDIAMODE_DATAMODEM)) {
        showMessage(QStringLiteral("VerifyUsableLine: doesn't support LINEMEDIAMODE_DATAMODEM"));
        return 3;
    }
    if (!(caps.lineFeatures & LINEFEATURE_MAKECALL)) {
        showMessage(QStringLiteral("VerifyUsableLine: doesn't support LINEFEATURE_MAKECALL"));
        return 4;
    }
    ProbeLine probe(*m_api);
    const qint32 opened = m_api->lineOpen(
        m_lineApp, device, &probe.line, version, 0, 0, LINECALLPRIVILEGE_NONE, LINEMEDIAMODE_DATAMODEM, nullptr);
    if (opened == LINEERR_ALLOCATED) {
        showMessage(QStringLiteral("VerifyUsableLine: \r\nLine is already in use by a non-TAPI app or\r\n"
                                   "another Service Provider."));
        return 5;
    }
    checkOpenResult(opened);
    probe.opened = true;
    LineAddressStatus status;
    status.totalSize = addressStatusSize;
    CheckTapiResult(m_api->lineGetAddressStatus(probe.line, 0, &status));
    if (!(status.addressFeatures & LINEADDRFEATURE_MAKECALL)) {
        showMessage(QStringLiteral("VerifyUsableLine: \r\nLine make call feature is not available."));
        return 6;
    }
    return 0;
}

// Opening, calling, dropping, closing

void TTAPILine::checkOpenResult(qint32 result)
{
    if (result >= 0) {
        return;
    }
    QString text = tapiResultText(result);
    const QString hint = m_api->lastErrorHint();
    if (!hint.isEmpty()) {
        text += QStringLiteral("\r\n") + hint;
    }
    throw TelephonyError(text);
}

void TTAPILine::OpenLine()
{
    if (m_devId == unsetDevice) {
        throw TelephonyError(mustChooseLine);
    }
    setStatus(QStringLiteral("Próbuję otworzyć linię... (zabierze to klika sekund)"));
    // A line still open from an earlier call is closed first, with the port of that call, or every dial
    // would leave one more open line behind, holding the modem, and the next call could not attach its port.
    if (m_lineOpen && m_deviceCount != 0) {
        m_portOpen = false;
        if (m_port) {
            m_port->purge(PURGE_TXABORT | PURGE_RXABORT);
            closePortHandle();
        }
        m_api->lineClose(m_line);
        m_lineOpen = false;
    }
    m_apiVersion = 0;
    CheckTapiResult(
        m_api->lineNegotiateAPIVersion(m_lineApp, m_devId, TAPI_VERSION_1_4, TAPI_VERSION_2_0, &m_apiVersion));
    checkOpenResult(m_api->lineOpen(m_lineApp,
                                    m_devId,
                                    &m_line,
                                    m_apiVersion,
                                    0,
                                    0,
                                    LINECALLPRIVILEGE_OWNER | LINECALLPRIVILEGE_MONITOR,
                                    LINEMEDIAMODE_DATAMODEM,
                                    nullptr));
    m_lineOpen = true;
    setStatus(QStringLiteral("Line opened"));
    m_userHangUp = false;
    if (m_watcher) {
        m_retiredWatchers.append(m_watcher); // still ending; waited for at destruction
    }
    m_watcher = nullptr;
    fire(OnOpen);
}

bool TTAPILine::MakeCall()
{
    if (m_devId == unsetDevice) {
        throw TelephonyError(mustChooseLine);
    }
    if (m_line == 0) {
        throw TelephonyError(QStringLiteral("TAPILine: Najpierw musisz otworzyć linię"));
    }
    if (m_makeCallId != 0) {
        return false;
    }
    // A number the modem would dial otherwise than written (a letter as a tone, ';' ending the
    // command), with nothing to dial or too long never reaches it, and no dialling window waits
    // for a call that was not made.
    const auto refuseNumber = [this] {
        hideDialing();
        throw TelephonyError(DialNumber::refusalText(PhoneNumber));
    };
    if (!DeviceDirectAccess && DialNumber::dialString(PhoneNumber).isEmpty()) {
        refuseNumber();
    }
    if (s_dialingWindow) {
        s_dialingWindow->showDialing();
    }
    LineCallParams params;
    params.totalSize = callParamsSize;
    params.bearerMode = DeviceDirectAccess ? LINEBEARERMODE_PASSTHROUGH : LINEBEARERMODE_VOICE;
    params.mediaMode = LINEMEDIAMODE_DATAMODEM;
    m_userHangUp = false;
    const QString number = PhoneNumber;
    const qint32 result = m_api->lineMakeCall(m_line, &m_call, DeviceDirectAccess ? nullptr : &number, 0, &params);
    // A request refused at once gets no reply, so it must not stay outstanding.
    m_makeCallId = result < 0 ? 0 : result;
    if (result == LINEERR_INVALADDRESS) {
        refuseNumber(); // the telephony interface found what the check above let through
    }
    CheckTapiResult(result);
    return true;
}

void TTAPILine::DropCall()
{
    m_portOpen = false;
    m_userHangUp = true;
    if (m_call != 0) {
        m_dropId = m_api->lineDrop(m_call, QByteArray());
        m_call = 0;
    }
    fire(OnDropCall);
}

void TTAPILine::CloseLine()
{
    setStatus(QStringLiteral("Try to close line... (takes several seconds)"));
    QCoreApplication::processEvents();
    m_portOpen = false;
    if (m_port) {
        m_port->purge(PURGE_TXABORT | PURGE_RXABORT);
        closePortHandle();
    }
    if (m_deviceCount != 0) {
        m_api->lineClose(m_line);
        m_lineOpen = false;
    }
    fire(OnClose);
}

// Messages of the telephony interface

void TTAPILine::lineCallback(
    quint32 device, quint32 message, quintptr /*instance*/, quint32 param1, quint32 param2, quint32 /*param3*/)
{
    QString status;
    try {
        switch (message) {
        case LINE_CALLSTATE: {
            bool ended = false;
            status = CallStateDetail(param1, param2);
            handleCallState(device, param1, param2, &status, &ended);
            if (ended) {
                return;
            }
            break;
        }
        case LINE_CLOSE:
            status = QStringLiteral("Linia została nieoczekiwanie zamknięta");
            fire(OnUnexpectedClose);
            break;
        case LINE_REPLY:
            try {
                HandleReply(param1, qint32(param2));
            } catch (const TelephonyError &) {
                showMessage(QStringLiteral("Wystąpił błąd przy próbie wybierania."));
                hideDialing();
                return;
            }
            break;
        default:
            return;
        }
    } catch (const TelephonyError &error) {
        // A failure in one of the events' handlers must not escape into the event loop either.
        showMessage(error.text());
        hideDialing();
        return;
    }
    if (StatusPanel && !status.isEmpty()) {
        StatusPanel(status);
    }
}

void TTAPILine::handleCallState(quint32 device, quint32 state, quint32 /*detail*/, QString *status, bool *ended)
{
    switch (state) {
    case LINECALLSTATE_IDLE:
        if (m_call != 0) {
            try {
                CheckTapiResult(m_api->lineDeallocateCall(m_call));
            } catch (const TelephonyError &) {
                showMessage(QStringLiteral("Nie można rozłączyć połączenia."));
                hideDialing();
                *ended = true;
                return;
            }
        }
        m_call = 0;
        closePortHandle();
        break;
    case LINECALLSTATE_OFFERING:
        if (m_portOpen) {
            break;
        }
        m_call = device;
        fire(OnCallOffering);
        if (WaitForCall) {
            if (s_dialingWindow) {
                s_dialingWindow->showDialing();
            }
            const qint32 result = m_api->lineAnswer(m_call, QByteArray());
            m_answerId = result < 0 ? 0 : result;
            try {
                CheckTapiResult(result);
            } catch (const TelephonyError &) {
                showMessage(QStringLiteral("Nie moża odebrać połączenia."));
                hideDialing();
                *ended = true;
                return;
            }
        }
        break;
    case LINECALLSTATE_BUSY:
        fire(OnBusy);
        hideDialing();
        showMessage(QStringLiteral("Numer zajęty"));
        break;
    case LINECALLSTATE_CONNECTED:
        if (m_userHangUp || m_devId == unsetDevice || m_portOpen) {
            break;
        }
        try {
            AttachPort();
        } catch (const TelephonyError &) {
            showMessage(QStringLiteral("Wystąpił wewnetrzny błąd połączeniaon."));
            hideDialing();
            *ended = true;
            return;
        }
        if (DeviceDirectAccess && !m_script.isEmpty()) {
            try {
                RunDirectAccessScript();
            } catch (const TelephonyError &) {
                showMessage(m_lastScriptError);
                hideDialing();
                *ended = true;
                return;
            }
        }
        hideDialing();
        fire(OnConnection);
        break;
    case LINECALLSTATE_DISCONNECTED:
        closePortHandle();
        fire(OnDisconnect);
        hideDialing();
        break;
    default:
        *status = CallStateName(state);
        break;
    }
}

void TTAPILine::HandleReply(quint32 requestId, qint32 result)
{
    const qint32 id = qint32(requestId);
    if (id == m_answerId) {
        m_answerId = 0;
        CheckTapiResult(result);
        fire(OnCallAnswering);
    }
    if (id == m_makeCallId) {
        m_makeCallId = 0;
        CheckTapiResult(result);
    }
    if (id == m_dropId) {
        m_answerId = 0;
        m_makeCallId = 0;
        m_dropId = 0;
        hideDialing();
        CheckTapiResult(result);
    }
}

// Status texts

QString TTAPILine::CallStateName(quint32 state)
{
    static const char *const names[] = {"IDLE",
                                        "OFFERING",
                                        "ACCEPTED",
                                        "DIALTONE",
                                        "DIALING",
                                        "RINGBACK",
                                        "BUSY",
                                        "SPECIALINFO",
                                        "CONNECTED",
                                        "PROCEEDING",
                                        "ONHOLD",
                                        "CONFERENCED",
                                        "ONHOLDPENDCONF",
                                        "ONHOLDPENDTRANSFER",
                                        "DISCONNECTED",
                                        "UNKNOWN"};
    for (int bit = 0; bit < 16; ++bit) {
        if (state == (1u << bit)) {
            return QLatin1String(names[bit]);
        }
    }
    return QStringLiteral("Unknown (%1)").arg(state);
}

QString TTAPILine::CallStateDetail(quint32 state, quint32 detail)
{
    static const char *const dialTone[] = {"Dialtone normal", "SPECIAL", "INTERNAL", "EXTERNAL", "UNKNOWN", "UNAVAIL"};
    static const char *const busy[] = {"STATION", "TRUNK", "UNKNOWN", "UNAVAIL"};
    static const char *const disconnect[] = {"NORMAL",
                                             "UNKNOWN",
                                             "REJECT",
                                             "PICKUP",
                                             "FORWARDED",
                                             "BUSY",
                                             "NOANSWER",
                                             "BADADDRESS",
                                             "UNREACHABLE",
                                             "CONGESTION",
                                             "INCOMPATIBLE",
                                             "UNAVAIL",
                                             "NODIALTONE"};
    if (detail == 0) {
        return QStringLiteral("Command complete");
    }
    const auto lookUp = [detail](const char *const *names, int count) -> QString {
        for (int bit = 0; bit < count; ++bit) {
            if (detail == (1u << bit)) {
                return QLatin1String(names[bit]);
            }
        }
        return {};
    };
    QString text;
    if (state == LINECALLSTATE_DIALTONE) {
        text = lookUp(dialTone, int(std::size(dialTone)));
    } else if (state == LINECALLSTATE_BUSY) {
        text = lookUp(busy, int(std::size(busy)));
    } else if (state == LINECALLSTATE_DISCONNECTED) {
        text = lookUp(disconnect, int(std::size(disconnect)));
    }
    if (text.isEmpty()) {
        text = QStringLiteral("Undefined (%1)").arg(detail);
    }
    return text;
}

// The modem port

void TTAPILine::AttachPort()
{
    m_portOpen = true;
    m_port.reset();
    std::shared_ptr<CommPort> port;
    const qint32 result =
        m_api->lineGetID(m_line, 0, m_call, LINECALLSELECT_CALL, QStringLiteral("comm/datamodem"), &port);
    if (result < 0) {
        m_portOpen = false;
        CheckTapiResult(result);
    }
    m_port = std::move(port);
    if (!m_port) {
        m_portOpen = false;
        return;
    }
    CommTimeouts timeouts;
    m_port->getTimeouts(&timeouts);
    timeouts.readIntervalTimeout = 250;
    timeouts.readTotalTimeoutMultiplier = 0;
    timeouts.readTotalTimeoutConstant = 0;
    timeouts.writeTotalTimeoutMultiplier = 0;
    timeouts.writeTotalTimeoutConstant = 0;
    m_port->setTimeouts(timeouts);
    m_port->setMask(EV_RXCHAR);
    if (OnNewData) {
        StartWatcher();
    }
}

QString TTAPILine::CommErrorText(quint32 errors)
{
    switch (errors) {
    case CE_RXOVER:
        return QStringLiteral("An input buffer overflow has occurred. There is either no room in the input buffer, "
                              "or a character was received after the end-of-file (EOF) character.");
    case CE_OVERRUN:
        return QStringLiteral("A character-buffer overrun has occurred. The next character is lost.");
    case CE_RXPARITY:
        return QStringLiteral("The hardware detected a parity error.");
    case CE_FRAME:
        return QStringLiteral("The hardware detected a framing error.");
    case CE_BREAK:
        return QStringLiteral("The hardware detected a break condition.");
    case CE_TXFULL:
        return QStringLiteral("The application tried to transmit a character, but the output buffer was full.");
    case CE_PTO:
        return QStringLiteral("Windows 95 only: A time-out occurred on a parallel device.");
    case CE_IOE:
        return QStringLiteral("An I/O error occurred during communications with the device.");
    case CE_DNS:
        return QStringLiteral("Windows 95 only: A parallel device is not selected.");
    case CE_OOP:
        return QStringLiteral("Windows 95 only: A parallel device signaled that it is out of paper.");
    case CE_MODE:
        return QStringLiteral("The requested mode is not supported, or the hFile parameter is invalid. "
                              "If this value is specified, it is the only valid error.");
    default:
        return {};
    }
}

namespace {

// The texts of the ways one transfer can fail, for writing and for reading.
struct IoTexts
{
    const char *comError;
    const char *failed;
    const char *timedOut;
    const char *waitFailed;
    const char *broken;
    const char *transferFailed;
};

const IoTexts writeTexts = {"COM Error: ",
                            "Error to writing to com port.",
                            "Timeout during write operation.",
                            "Unexpected Wait return value ",
                            "Connection has been broken during write.",
                            "Error writing to com port while waiting"};
const IoTexts readTexts = {"Błąd COM: ",
                           "Błąd czytania z portu com.",
                           "Błąd czasu oczkiwania przy operacji odczytu.",
                           "Nieoczekiwana wartość zwrócona przez Wait",
                           "Połączenie zerwane podczas czytania.",
                           "Błąd odczytu z portu com podczas oczekiwania."};

[[noreturn]] void raiseIoFailure(CommIo::Status status, CommPort *port, const IoTexts &texts)
{
    switch (status) {
    case CommIo::InvalidHandle: {
        quint32 errors = 0;
        quint32 inQueue = 0;
        if (port) {
            port->clearError(&errors, &inQueue);
        }
        throw TelephonyError(QString::fromUtf8(texts.comError) + TTAPILine::CommErrorText(errors));
    }
    case CommIo::TimedOut:
        if (port) {
            port->purge(PURGE_TXABORT | PURGE_RXABORT);
        }
        throw TelephonyError(QString::fromUtf8(texts.timedOut));
    case CommIo::WaitFailed:
        throw TelephonyError(QString::fromUtf8(texts.waitFailed));
    case CommIo::Broken:
        throw TelephonyError(QString::fromUtf8(texts.broken));
    case CommIo::TransferFailed:
        throw TelephonyError(QString::fromUtf8(texts.transferFailed));
    case CommIo::Failed:
    case CommIo::Done:
        break;
    }
    throw TelephonyError(QString::fromUtf8(texts.failed));
}

} // namespace

bool TTAPILine::WriteBytes(const QByteArray &data)
{
    if (!m_portOpen) {
        return false;
    }
    qint64 written = 0;
    while (written < data.size()) {
        // Keep the port alive through the call even if a nested event closes the handle.
        const std::shared_ptr<CommPort> port = m_port;
        const CommIo io = port ? port->write(data.mid(written), int(Timeout * 1000)) : CommIo{CommIo::InvalidHandle, 0};
        if (io.status != CommIo::Done || io.count <= 0) {
            raiseIoFailure(io.status, port.get(), writeTexts);
        }
        written += io.count;
    }
    return true;
}

bool TTAPILine::WriteString(const QString &text)
{
    if (text.isEmpty()) {
        return false;
    }
    return WriteBytes(Cp1250::encode(text));
}

quint32 TTAPILine::BytesWaiting()
{
    quint32 errors = 0;
    quint32 inQueue = 0;
    if (!m_port || !m_port->clearError(&errors, &inQueue)) {
        inQueue = 0;
    }
    if (inQueue > 1000) {
        throw TelephonyError(QStringLiteral("It seems that ClearCommError function failed.\r"
                                            "Or you try to get more than 1000 kB."));
    }
    return inQueue;
}

QByteArray TTAPILine::ReadBytes(qint64 count)
{
    if (!m_portOpen) {
        return {};
    }
    if (count == 0) {
        count = BytesWaiting();
        if (count == 0) {
            return {};
        }
    }
    QByteArray data;
    while (data.size() < count) {
        const std::shared_ptr<CommPort> port = m_port;
        QByteArray chunk;
        const CommIo io =
            port ? port->read(count - data.size(), int(Timeout * 1000), &chunk) : CommIo{CommIo::InvalidHandle, 0};
        if (io.status != CommIo::Done || chunk.isEmpty()) {
            raiseIoFailure(io.status == CommIo::Done ? CommIo::Failed : io.status, port.get(), readTexts);
        }
        data += chunk.left(count - data.size());
    }
    return data;
}

QString TTAPILine::ReadString(qint64 count)
{
    if (count == 0) {
        count = m_portOpen ? BytesWaiting() : 0;
        if (count == 0) {
            return {};
        }
    }
    QByteArray data = ReadBytes(count);
    const qsizetype nul = data.indexOf('\0');
    if (nul >= 0) {
        data.truncate(nul);
    }
    return Cp1250::decode(data.left(count));
}

void TTAPILine::saveLog(std::unique_ptr<TLogFile> &log)
{
    if (!log) {
        return;
    }
    QString error;
    const bool saved = log->SaveTo(DirectAccessLogFile, &error);
    log.reset();
    if (!saved) {
        throw TelephonyError(error);
    }
}

void TTAPILine::RunDirectAccessScript()
{
    if (m_devId == unsetDevice) {
        throw TelephonyError(QStringLiteral("TAPILine: You must select TAPI compatible line"));
    }
    std::unique_ptr<TLogFile> log;
    const auto addEntry = [this, &log](const QString &event, const QString &data) {
        if (log) {
            log->AddEntry(m_clock.now(), event, data);
        }
    };
    if (!DirectAccessLogFile.isEmpty()) {
        log = std::make_unique<TLogFile>();
        addEntry(QStringLiteral("TAPILine logfile: "), TLogFile::dateTimeText(m_clock.now()));
    }
    const QString crlf = QStringLiteral("\r\n");
    QString response;
    const QStringList script = m_script;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QString &line = script.at(i);
        const bool last = i == script.size() - 1;
        addEntry(QStringLiteral("Write (send command to modem)"), line + crlf);
        WriteString(line + crlf);
        bool next = false;
        while (!m_userHangUp && !next) {
            m_wait(1000);
            response += ReadString(0);
            addEntry(QStringLiteral("Read (command in process)"), response);
            const QString upper = response.toUpper();
            if (upper.contains(QLatin1String("OK"))) {
                addEntry(QStringLiteral("Command complete (OK received)"), response);
                response.clear();
                next = !last;
            } else if (upper.contains(QLatin1String("CONNECT"))) {
                addEntry(QStringLiteral("Connected! (conection esteblished)"), response);
                saveLog(log);
                if (m_port) {
                    m_port->purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
                }
                return;
            } else if (upper.contains(QLatin1String("ERROR")) || upper.contains(QLatin1String("NO "))) {
                addEntry(QStringLiteral("Error (modem return bad response)"), response);
                if (m_port) {
                    m_port->purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
                }
                m_lastScriptError = QStringLiteral("TAPILine: Device direct access script error: \"") + line
                                    + QStringLiteral("\".") + crlf + response;
                saveLog(log);
                throw TelephonyError(m_lastScriptError);
            } else {
                QCoreApplication::processEvents();
            }
        }
    }
    if (m_userHangUp) {
        addEntry(QStringLiteral("Dropped (user hangup)"), response);
    }
    saveLog(log);
}

// The received-data watcher

void TTAPILine::StartWatcher()
{
    if (m_portOpen && !m_watcher && s_dialingWindow) {
        QCoreApplication::postEvent(s_dialingWindow->dialingObject(), new QEvent(QEvent::Type(startWatcherMessage)));
    }
}

void TTAPILine::startWatcherThread()
{
    if (m_watcher || !s_dialingWindow) {
        return;
    }
    auto *thread = new TNewData(m_port, m_portOpen, s_dialingWindow->dialingObject());
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_watcher = thread;
    thread->start();
}

bool TTAPILine::dialingWindowEvent(QEvent *event)
{
    if (event->type() == QEvent::Type(startWatcherMessage)) {
        startWatcherThread();
        return true;
    }
    if (event->type() == QEvent::Type(newDataMessage)) {
        if (OnNewData && s_dialingWindow) {
            OnNewData(s_dialingWindow->dialingObject());
        }
        return true;
    }
    return false;
}
