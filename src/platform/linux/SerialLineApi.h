#pragma once

#include "AtProtocol.h"

#include "core/telephony/LineApi.h"

#include <QHash>
#include <QObject>
#include <QSerialPort>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class ModemChannel;
class QTimer;
struct Settings;

// The telephony line interface over Hayes-compatible modems on serial ports: one line device per port,
// voice calls dialled with ATD…; and hung up with ATH. Opening a line opens its port exclusively and
// checks that the modem answers "AT"; opening and hanging up wait for the modem (a few seconds at most),
// dialling does not. Every message reaches the sink later, through the event loop.
class SerialLineApi final : public QObject, public LineApi
{
    Q_OBJECT
public:
    struct Config
    {
        QStringList ports;                      // the line devices, device 0 first
        qint32 speed = 115200;                  // bit/s
        QString format = QStringLiteral("8N1"); // data bits 5-8, parity N/E/O/M/S, stop bits 1 or 2
        int answerTimeoutMs = 3000;             // for "AT" when opening, and for hanging up
        int dialTimeoutMs = 90000;              // a modem that says nothing this long after ATD is given up
    };

    explicit SerialLineApi(Config config, QObject *parent = nullptr);
    ~SerialLineApi() override;

    // The ports named in the settings ("Modem"/"Porty"), or those found in devDir when none are named.
    static Config configFromSettings(const Settings &settings, const QString &devDir = QStringLiteral("/dev"));
    // Every ttyACM* port, then every ttyUSB* port, each in the order of its number.
    static QStringList detectedPorts(const QString &devDir);

    // Why the last failed lineOpen failed and what the user can do, in Polish; empty after a success.
    QString lastErrorHint() const override { return m_lastHint; }

    qint32 lineInitialize(Tapi::HLINEAPP *lineApp,
                          LineCallbackSink *sink,
                          const QString &appName,
                          quint32 *numDevices) override;
    qint32 lineShutdown(Tapi::HLINEAPP lineApp) override;
    qint32 lineNegotiateAPIVersion(Tapi::HLINEAPP lineApp,
                                   quint32 deviceId,
                                   quint32 apiLowVersion,
                                   quint32 apiHighVersion,
                                   quint32 *apiVersion) override;
    qint32 lineGetDevCaps(
        Tapi::HLINEAPP lineApp, quint32 deviceId, quint32 apiVersion, quint32 extVersion, LineDevCaps *caps) override;
    qint32 lineOpen(Tapi::HLINEAPP lineApp,
                    quint32 deviceId,
                    Tapi::HLINE *line,
                    quint32 apiVersion,
                    quint32 extVersion,
                    quintptr callbackInstance,
                    quint32 privileges,
                    quint32 mediaModes,
                    const LineCallParams *callParams) override;
    qint32 lineGetAddressStatus(Tapi::HLINE line, quint32 addressId, LineAddressStatus *status) override;
    qint32 lineClose(Tapi::HLINE line) override;
    qint32 lineMakeCall(Tapi::HLINE line,
                        Tapi::HCALL *call,
                        const QString *destAddress,
                        quint32 countryCode,
                        const LineCallParams *callParams) override;
    qint32 lineAnswer(Tapi::HCALL call, const QByteArray &userUserInfo) override;
    qint32 lineDrop(Tapi::HCALL call, const QByteArray &userUserInfo) override;
    qint32 lineDeallocateCall(Tapi::HCALL call) override;
    qint32 lineGetID(Tapi::HLINE line,
                     quint32 addressId,
                     Tapi::HCALL call,
                     quint32 select,
                     const QString &deviceClass,
                     std::shared_ptr<CommPort> *port) override;

    // The dial string for a dialable address (DialNumber::dialString): digits, * #, a leading +
    // and pauses; no letter or modifier reaches the modem. Empty when anything else is in it.
    static QByteArray dialString(const QString &address);

private:
    enum class CallState
    {
        None,
        Dialing,   // ATD sent, no final answer yet
        Connected, // the number was dialled (voice) or the port handed over (pass-through)
        Ended,     // busy, no dial tone, no carrier…: the modem is on hook, the handle not yet dropped
    };
    struct Device
    {
        QString path;
        QString name;
        QSerialPort *port = nullptr; // while a line handle is open
        QList<Tapi::HLINE> lines;
        At::LineReader reader;
        std::optional<At::Result> awaited; // the final answer a blocking wait collects
        bool awaiting = false;
        bool heard = false; // bytes came since the last command or the last look
        Tapi::HCALL call = 0;
        Tapi::HLINE callLine = 0;
        CallState state = CallState::None;
        bool passThrough = false;
        quint32 makeCallRequest = 0; // its reply still to be sent
        QTimer *dialTimer = nullptr;
        std::shared_ptr<ModemChannel> channel;
    };

    Device *deviceOfLine(Tapi::HLINE line);
    Device *deviceOfCall(Tapi::HCALL call);
    qint32 openPort(Device &device);
    void closePort(Device &device);
    void onReadyRead(Device &device);
    void onPortError(Device &device, QSerialPort::SerialPortError error);
    void onAnswer(Device &device, At::Result result);
    void send(Device &device, const QByteArray &command);
    // Blocks until the modem gives a final answer; none within the time-out gives nothing.
    std::optional<At::Result> waitForAnswer(Device &device, int timeoutMs);
    // Puts the modem on hook; false when it did not confirm.
    bool hangUp(Device &device);
    void endCall(Device &device, quint32 state, quint32 detail);
    void finishMakeCall(Device &device, qint32 result);
    void post(quint32 handle, quint32 message, quint32 param1, quint32 param2 = 0);

    Config m_config;
    std::vector<std::unique_ptr<Device>> m_devices;
    LineCallbackSink *m_sink = nullptr;
    Tapi::HLINEAPP m_app = 0;
    quint32 m_nextHandle = 1;
    QHash<Tapi::HCALL, int> m_calls; // allocated call handles and their device
    QString m_lastHint;
};
