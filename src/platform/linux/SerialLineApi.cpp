#include "SerialLineApi.h"

#include "SerialCommPort.h"

#include "core/common/Cp1250.h"
#include "core/common/Settings.h"
#include "core/telephony/DialNumber.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSerialPortInfo>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Tapi;

namespace {

constexpr qint32 LINEERR_INVALADDRESSID = lineErr(0x80000011);

QString userName()
{
    const passwd *entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
}

QString groupOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    const group *entry = ::getgrgid(info.st_gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(info.st_gid);
}

// "8N1" and the like; anything unreadable keeps the port's 8N1.
void applyFormat(QSerialPort &port, const QString &format)
{
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    const QString f = format.trimmed().toUpper();
    if (f.size() != 3 || f[0] < u'5' || f[0] > u'8' || !QStringLiteral("NEOMS").contains(f[1])
        || (f[2] != u'1' && f[2] != u'2')) {
        return;
    }
    port.setDataBits(QSerialPort::DataBits(f[0].unicode() - u'0'));
    const QSerialPort::Parity parities[] = {QSerialPort::NoParity,
                                            QSerialPort::EvenParity,
                                            QSerialPort::OddParity,
                                            QSerialPort::MarkParity,
                                            QSerialPort::SpaceParity};
    port.setParity(parities[QStringLiteral("NEOMS").indexOf(f[1])]);
    port.setStopBits(f[2] == u'2' ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

QString lineName(const QString &path)
{
    // Matched by the device itself, so a link such as /dev/serial/by-id/… finds its port too.
    const QString device = QFileInfo(path).canonicalFilePath();
    QString description;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (!device.isEmpty() && QFileInfo(info.systemLocation()).canonicalFilePath() == device) {
            description = info.description();
        }
    }
    return description.isEmpty() ? path : description + QStringLiteral(" (") + path + u')';
}

} // namespace

SerialLineApi::SerialLineApi(Config config, QObject *parent)
    : QObject(parent)
    , m_config(std::move(config))
{
    for (const QString &path : std::as_const(m_config.ports)) {
        auto device = std::make_unique<Device>();
        device->path = path;
        device->name = lineName(path);
        device->dialTimer = new QTimer(this);
        device->dialTimer->setSingleShot(true);
        Device *d = device.get();
        connect(device->dialTimer, &QTimer::timeout, this, [this, d] {
            if (d->state != CallState::Dialing) {
                return;
            }
            send(*d, "\r"); // any character stops a modem that is still dialling
            finishMakeCall(*d, 0);
            endCall(*d, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        });
        m_devices.push_back(std::move(device));
    }
}

SerialLineApi::~SerialLineApi()
{
    m_sink = nullptr;
    for (auto &device : m_devices) {
        if (device->port && (device->state == CallState::Dialing || device->state == CallState::Connected)) {
            hangUp(*device);
        }
        closePort(*device);
    }
}

SerialLineApi::Config SerialLineApi::configFromSettings(const Settings &settings, const QString &devDir)
{
    Config config;
    config.ports = settings.modemPorts ? *settings.modemPorts : detectedPorts(devDir);
    config.speed = settings.modemSpeed > 0 ? settings.modemSpeed : 115200;
    config.format = settings.modemFormat;
    return config;
}

QStringList SerialLineApi::detectedPorts(const QString &devDir)
{
    QStringList ports;
    for (const QString &pattern : {QStringLiteral("ttyACM*"), QStringLiteral("ttyUSB*")}) {
        QStringList names = QDir(devDir).entryList({pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        // ttyUSB2 before ttyUSB10: by the number after the six-letter stem.
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return std::pair(a.mid(6).toInt(), a) < std::pair(b.mid(6).toInt(), b);
        });
        for (const QString &name : std::as_const(names)) {
            ports.append(QDir(devDir).filePath(name));
        }
    }
    return ports;
}

QByteArray SerialLineApi::dialString(const QString &address)
{
    return DialNumber::dialString(address);
}

SerialLineApi::Device *SerialLineApi::deviceOfLine(HLINE line)
{
    for (auto &device : m_devices) {
        if (line != 0 && device->lines.contains(line)) {
            return device.get();
        }
    }
    return nullptr;
}

SerialLineApi::Device *SerialLineApi::deviceOfCall(HCALL call)
{
    const auto it = m_calls.constFind(call);
    return it == m_calls.cend() ? nullptr : m_devices[size_t(*it)].get();
}

void SerialLineApi::post(quint32 handle, quint32 message, quint32 param1, quint32 param2)
{
    const HLINEAPP app = m_app;
    QMetaObject::invokeMethod(
        this,
        [this, app, handle, message, param1, param2] {
            if (m_sink && app != 0 && m_app == app) {
                m_sink->lineCallback(handle, message, 0, param1, param2, 0);
            }
        },
        Qt::QueuedConnection);
}

qint32 SerialLineApi::lineInitialize(HLINEAPP *lineApp, LineCallbackSink *sink, const QString &, quint32 *numDevices)
{
    if (!lineApp || !sink || !numDevices) {
        return LINEERR_INVALPOINTER;
    }
    m_app = m_nextHandle++;
    m_sink = sink;
    *lineApp = m_app;
    *numDevices = quint32(m_devices.size());
    return 0;
}

qint32 SerialLineApi::lineShutdown(HLINEAPP lineApp)
{
    if (lineApp == 0 || lineApp != m_app) {
        return LINEERR_INVALAPPHANDLE;
    }
    for (auto &device : m_devices) {
        for (const HLINE line : QList<HLINE>(device->lines)) {
            lineClose(line);
        }
    }
    m_sink = nullptr;
    m_app = 0;
    return 0;
}

qint32 SerialLineApi::lineNegotiateAPIVersion(
    HLINEAPP lineApp, quint32 deviceId, quint32 apiLowVersion, quint32 apiHighVersion, quint32 *apiVersion)
{
    if (lineApp == 0 || lineApp != m_app) {
        return LINEERR_INVALAPPHANDLE;
    }
    if (deviceId >= m_devices.size()) {
        return LINEERR_BADDEVICEID;
    }
    if (!apiVersion) {
        return LINEERR_INVALPOINTER;
    }
    if (apiHighVersion < TAPI_VERSION_1_4 || apiLowVersion > TAPI_VERSION_2_0 || apiLowVersion > apiHighVersion) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    *apiVersion = std::min(apiHighVersion, TAPI_VERSION_2_0);
    return 0;
}

qint32 SerialLineApi::lineGetDevCaps(HLINEAPP lineApp, quint32 deviceId, quint32, quint32, LineDevCaps *caps)
{
    if (lineApp == 0 || lineApp != m_app) {
        return LINEERR_INVALAPPHANDLE;
    }
    if (deviceId >= m_devices.size()) {
        return LINEERR_BADDEVICEID;
    }
    if (!caps) {
        return LINEERR_INVALPOINTER;
    }
    if (caps->totalSize < LineDevCaps::fixedSize) {
        return LINEERR_STRUCTURETOOSMALL;
    }
    caps->bearerModes = LINEBEARERMODE_VOICE | LINEBEARERMODE_PASSTHROUGH;
    caps->mediaModes = LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_INTERACTIVEVOICE;
    caps->lineFeatures = LINEFEATURE_MAKECALL;
    caps->numAddresses = 1;
    caps->setLineName(Cp1250::encode(m_devices[deviceId]->name));
    return 0;
}

qint32 SerialLineApi::lineOpen(HLINEAPP lineApp,
                               quint32 deviceId,
                               HLINE *line,
                               quint32,
                               quint32,
                               quintptr,
                               quint32,
                               quint32,
                               const LineCallParams *)
{
    if (lineApp == 0 || lineApp != m_app) {
        return LINEERR_INVALAPPHANDLE;
    }
    if (deviceId >= m_devices.size()) {
        return LINEERR_BADDEVICEID;
    }
    if (!line) {
        return LINEERR_INVALPOINTER;
    }
    Device &device = *m_devices[deviceId];
    if (!device.port) {
        const qint32 result = openPort(device);
        if (result < 0) {
            return result;
        }
    }
    m_lastHint.clear();
    *line = m_nextHandle++;
    device.lines.append(*line);
    return 0;
}

qint32 SerialLineApi::openPort(Device &device)
{
    const QString &path = device.path;
    if (!QFileInfo::exists(path)) {
        m_lastHint = QStringLiteral("Port %1 nie istnieje. Podłącz modem albo wpisz właściwy port w pliku "
                                    "Morwinek.ini (sekcja [Modem], klucz Porty).")
                         .arg(path);
        return LINEERR_NODEVICE;
    }
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        const QString group = groupOf(path);
        m_lastHint = QStringLiteral("Brak uprawnień do portu %1. Dodaj swoje konto do grupy %2 "
                                    "(sudo usermod -aG %2 %3), wyloguj się i zaloguj ponownie.")
                         .arg(path, group, userName());
        return LINEERR_RESOURCEUNAVAIL;
    }
    auto *port = new QSerialPort(this);
    port->setPortName(QFileInfo(path).isAbsolute() ? path : QDir(QStringLiteral("/dev")).filePath(path));
    port->setBaudRate(m_config.speed);
    applyFormat(*port, m_config.format);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port->error();
        const QString text = port->errorString();
        delete port;
        if (error == QSerialPort::PermissionError) {
            // Readable and writable for us, so the lock of another program stands in the way.
            m_lastHint = QStringLiteral("Port %1 jest zajęty przez inny program. Zamknij ten program "
                                        "i spróbuj ponownie.")
                             .arg(path);
            return LINEERR_ALLOCATED;
        }
        m_lastHint = QStringLiteral("Nie można otworzyć portu %1: %2").arg(path, text);
        return error == QSerialPort::DeviceNotFoundError ? LINEERR_NODEVICE : LINEERR_RESOURCEUNAVAIL;
    }
    device.port = port;
    connect(port, &QSerialPort::readyRead, this, [this, &device] {
        onReadyRead(device);
    });
    // Queued, so a vanished port is closed outside the waits that noticed it.
    connect(
        port,
        &QSerialPort::errorOccurred,
        this,
        [this, &device, which = QPointer<QSerialPort>(port)](QSerialPort::SerialPortError error) {
            if (which && device.port == which) {
                onPortError(device, error);
            }
        },
        Qt::QueuedConnection);
    port->setDataTerminalReady(true);
    port->clear();
    device.reader.clear();
    // Asked up to three times: a modem that resets when DTR drops at the previous close needs a moment.
    // An answer still arriving is read on to the time-out instead: asking again would throw it away,
    // and a slow modem would never get a whole answer through.
    std::optional<At::Result> answer;
    QElapsedTimer clock;
    clock.start();
    const int quiet = m_config.answerTimeoutMs / 3;
    for (int attempt = 0; attempt < 3 && answer != At::Result::Ok && clock.elapsed() < m_config.answerTimeoutMs;
         ++attempt) {
        send(device, "AT\r");
        answer = waitForAnswer(device, quiet);
        while (!answer && device.heard && clock.elapsed() < m_config.answerTimeoutMs) {
            device.heard = false;
            answer = waitForAnswer(device, int(qMin<qint64>(quiet, m_config.answerTimeoutMs - clock.elapsed())));
        }
    }
    if (answer != At::Result::Ok) {
        closePort(device);
        m_lastHint = QStringLiteral("Modem na porcie %1 nie odpowiada. Sprawdź, czy jest podłączony i włączony, "
                                    "i prędkość portu (sekcja [Modem], klucz Predkosc: teraz %2).")
                         .arg(path)
                         .arg(m_config.speed);
        return LINEERR_OPERATIONFAILED;
    }
    return 0;
}

void SerialLineApi::closePort(Device &device)
{
    device.dialTimer->stop();
    if (device.channel) {
        device.channel->shut();
        device.channel.reset();
    }
    if (device.port) {
        device.port->disconnect(this);
        device.port->close();
        device.port->deleteLater();
        device.port = nullptr;
    }
    device.state = CallState::None;
    device.reader.clear();
}

void SerialLineApi::send(Device &device, const QByteArray &command)
{
    device.reader.clear();
    device.heard = false;
    if (device.port) {
        device.port->write(command);
        device.port->flush();
    }
}

std::optional<At::Result> SerialLineApi::waitForAnswer(Device &device, int timeoutMs)
{
    device.awaited.reset();
    device.awaiting = true;
    QElapsedTimer clock;
    clock.start();
    while (!device.awaited && device.port && device.port->isOpen() && device.port->error() != QSerialPort::ResourceError
           && device.port->error() != QSerialPort::ReadError) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0) {
            break;
        }
        device.port->waitForReadyRead(int(left)); // the answer arrives through onReadyRead
    }
    device.awaiting = false;
    return device.awaited;
}

void SerialLineApi::onReadyRead(Device &device)
{
    if (!device.port) {
        return;
    }
    const QByteArray bytes = device.port->readAll();
    device.heard = device.heard || !bytes.isEmpty();
    if (device.channel && device.state == CallState::Connected) {
        device.channel->append(bytes);
        if (device.passThrough && !device.awaiting) {
            return; // the program speaks to the modem itself
        }
    }
    for (const QByteArray &line : device.reader.feed(bytes)) {
        const At::Result result = At::classify(line);
        if (At::isFinal(result)) {
            onAnswer(device, result);
        }
    }
}

void SerialLineApi::onAnswer(Device &device, At::Result result)
{
    if (device.awaiting) {
        if (!device.awaited) {
            device.awaited = result;
        }
        return;
    }
    if (device.state == CallState::Connected && !device.passThrough && result == At::Result::NoCarrier) {
        endCall(device, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
        return;
    }
    if (device.state != CallState::Dialing) {
        return;
    }
    device.dialTimer->stop();
    switch (result) {
    case At::Result::Ok:
    case At::Result::Connect:
        // A voice modem answers OK once the number is dialled and cannot hear the other side pick up: the call
        // rings until the user takes the handset and hangs the modem up. Only a data CONNECT is a connection.
        finishMakeCall(device, 0);
        device.state = CallState::Connected;
        device.channel = std::make_shared<ModemChannel>(device.port);
        post(device.call,
             LINE_CALLSTATE,
             result == At::Result::Connect ? LINECALLSTATE_CONNECTED : LINECALLSTATE_RINGBACK,
             0);
        break;
    case At::Result::Busy:
        finishMakeCall(device, 0);
        endCall(device, LINECALLSTATE_BUSY, LINEBUSYMODE_UNKNOWN);
        break;
    case At::Result::NoDialtone:
        finishMakeCall(device, 0);
        endCall(device, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NODIALTONE);
        break;
    case At::Result::NoCarrier:
        finishMakeCall(device, 0);
        endCall(device, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL);
        break;
    case At::Result::NoAnswer:
        finishMakeCall(device, 0);
        endCall(device, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        break;
    default: // ERROR: the modem refused the number or voice dialling
        finishMakeCall(device, LINEERR_OPERATIONFAILED);
        device.state = CallState::None;
        break;
    }
}

void SerialLineApi::onPortError(Device &device, QSerialPort::SerialPortError error)
{
    // A USB modem pulled out gives ResourceError; a hung-up terminal reads end of file, which comes as
    // ReadError and would come again at every turn of the event loop. Either way the port is gone.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !device.port) {
        return;
    }
    if (device.state == CallState::Dialing) {
        finishMakeCall(device, LINEERR_OPERATIONFAILED);
    }
    closePort(device);
    for (const HLINE line : std::as_const(device.lines)) {
        post(line, LINE_CLOSE, 0);
    }
}

void SerialLineApi::endCall(Device &device, quint32 state, quint32 detail)
{
    device.state = CallState::Ended;
    if (device.channel) {
        device.channel->shut();
        device.channel.reset();
    }
    post(device.call, LINE_CALLSTATE, state, detail);
}

void SerialLineApi::finishMakeCall(Device &device, qint32 result)
{
    if (device.makeCallRequest != 0) {
        post(0, LINE_REPLY, device.makeCallRequest, quint32(result));
        device.makeCallRequest = 0;
    }
}

bool SerialLineApi::hangUp(Device &device)
{
    if (!device.port) {
        return false;
    }
    if (device.state == CallState::Dialing) {
        device.dialTimer->stop();
        send(device, "\r"); // stops the dialling; the modem answers that first
        waitForAnswer(device, m_config.answerTimeoutMs);
    }
    if (device.passThrough) {
        // A modem that went on line for the program ignores commands; dropping DTR puts it on hook.
        device.port->setDataTerminalReady(false);
        QThread::msleep(200);
        device.port->setDataTerminalReady(true);
    }
    send(device, "ATH\r");
    return waitForAnswer(device, m_config.answerTimeoutMs) == At::Result::Ok;
}

qint32 SerialLineApi::lineGetAddressStatus(HLINE line, quint32 addressId, LineAddressStatus *status)
{
    Device *device = deviceOfLine(line);
    if (!device) {
        return LINEERR_INVALLINEHANDLE;
    }
    if (addressId != 0) {
        return LINEERR_INVALADDRESSID;
    }
    if (!status) {
        return LINEERR_INVALPOINTER;
    }
    const bool busy = device->state == CallState::Dialing || device->state == CallState::Connected;
    status->numInUse = 1;
    status->numActiveCalls = busy ? 1 : 0;
    status->addressFeatures = busy || !device->port ? 0 : LINEADDRFEATURE_MAKECALL;
    return 0;
}

qint32 SerialLineApi::lineClose(HLINE line)
{
    Device *device = deviceOfLine(line);
    if (!device) {
        return LINEERR_INVALLINEHANDLE;
    }
    device->lines.removeOne(line);
    if (device->callLine == line && (device->state == CallState::Dialing || device->state == CallState::Connected)) {
        if (device->channel) {
            device->channel->shut();
            device->channel.reset();
        }
        hangUp(*device);
        device->state = CallState::None;
    }
    if (device->callLine == line) {
        finishMakeCall(*device, 0); // the request is answered even when the line goes first
    }
    if (device->lines.isEmpty()) {
        closePort(*device);
    }
    return 0;
}

qint32 SerialLineApi::lineMakeCall(
    HLINE line, HCALL *call, const QString *destAddress, quint32, const LineCallParams *callParams)
{
    Device *device = deviceOfLine(line);
    if (!device) {
        return LINEERR_INVALLINEHANDLE;
    }
    if (!call) {
        return LINEERR_INVALPOINTER;
    }
    if (!device->port) {
        return LINEERR_OPERATIONFAILED;
    }
    if (device->state == CallState::Dialing || device->state == CallState::Connected) {
        return LINEERR_CALLUNAVAIL;
    }
    const bool passThrough = !destAddress || (callParams && callParams->bearerMode == LINEBEARERMODE_PASSTHROUGH);
    QByteArray dial;
    if (!passThrough) {
        dial = dialString(*destAddress);
        if (dial.isEmpty()) {
            return LINEERR_INVALADDRESS;
        }
    }
    const HCALL handle = m_nextHandle++;
    const quint32 request = m_nextHandle++;
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].get() == device) {
            m_calls.insert(handle, int(i));
        }
    }
    device->call = handle;
    device->callLine = line;
    device->passThrough = passThrough;
    device->makeCallRequest = request;
    *call = handle;
    if (passThrough) {
        // The program dials itself over the port: the call is up as soon as it has the port.
        finishMakeCall(*device, 0);
        device->state = CallState::Connected;
        device->channel = std::make_shared<ModemChannel>(device->port);
        post(handle, LINE_CALLSTATE, LINECALLSTATE_CONNECTED, 0);
        return qint32(request);
    }
    device->state = CallState::Dialing;
    send(*device, "ATD" + dial + ";\r");
    post(handle, LINE_CALLSTATE, LINECALLSTATE_DIALING, 0);
    post(handle, LINE_CALLSTATE, LINECALLSTATE_PROCEEDING, 0);
    device->dialTimer->start(m_config.dialTimeoutMs);
    return qint32(request);
}

qint32 SerialLineApi::lineAnswer(HCALL call, const QByteArray &)
{
    return deviceOfCall(call) ? LINEERR_OPERATIONUNAVAIL : LINEERR_INVALCALLHANDLE;
}

qint32 SerialLineApi::lineDrop(HCALL call, const QByteArray &)
{
    Device *device = deviceOfCall(call);
    if (!device) {
        return LINEERR_INVALCALLHANDLE;
    }
    const quint32 request = m_nextHandle++;
    bool onHook = true;
    if (device->call == call) {
        if (device->channel) {
            device->channel->shut();
            device->channel.reset();
        }
        if (device->state == CallState::Dialing || device->state == CallState::Connected) {
            onHook = hangUp(*device);
        }
        finishMakeCall(*device, 0);
        device->state = CallState::None;
    }
    post(call, LINE_CALLSTATE, LINECALLSTATE_IDLE, 0);
    post(0, LINE_REPLY, request, quint32(onHook ? 0 : LINEERR_OPERATIONFAILED));
    return qint32(request);
}

qint32 SerialLineApi::lineDeallocateCall(HCALL call)
{
    Device *device = deviceOfCall(call);
    if (!device) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (device->call == call) {
        if (device->state == CallState::Dialing || device->state == CallState::Connected) {
            return LINEERR_INVALCALLSTATE;
        }
        device->call = 0;
        device->state = CallState::None;
    }
    m_calls.remove(call);
    return 0;
}

qint32 SerialLineApi::lineGetID(
    HLINE line, quint32, HCALL call, quint32 select, const QString &deviceClass, std::shared_ptr<CommPort> *port)
{
    if (deviceClass.compare(QStringLiteral("comm/datamodem"), Qt::CaseInsensitive) != 0) {
        return LINEERR_INVALDEVICECLASS;
    }
    if (!port) {
        return LINEERR_INVALPOINTER;
    }
    Device *device = select == LINECALLSELECT_CALL ? deviceOfCall(call) : deviceOfLine(line);
    if (!device) {
        return select == LINECALLSELECT_CALL ? LINEERR_INVALCALLHANDLE : LINEERR_INVALLINEHANDLE;
    }
    port->reset();
    const bool current = select != LINECALLSELECT_CALL || device->call == call;
    if (current && device->state == CallState::Connected && device->channel) {
        *port = std::make_shared<SerialCommPort>(device->channel);
    }
    return 0;
}
