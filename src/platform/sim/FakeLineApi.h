#pragma once

#include "FakeCommPort.h"

#include "core/telephony/LineApi.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <memory>
#include <optional>

// A telephony interface driven by a test: its devices and their capabilities, the result of each
// function, and messages the test sends to the program's callback when it chooses (deliver*).
// Every call is recorded as a line of `calls`, such as "lineOpen(0,v=0x10004,priv=6)".
class FakeLineApi final : public LineApi
{
public:
    struct Device
    {
        QByteArray name = "Fake Modem";
        quint32 version = Tapi::TAPI_VERSION_1_4;
        qint32 negotiateResult = 0;
        qint32 devCapsResult = 0;
        quint32 bearerModes = Tapi::LINEBEARERMODE_VOICE | Tapi::LINEBEARERMODE_PASSTHROUGH;
        quint32 mediaModes = Tapi::LINEMEDIAMODE_DATAMODEM;
        quint32 lineFeatures = Tapi::LINEFEATURE_MAKECALL;
        quint32 addressFeatures = Tapi::LINEADDRFEATURE_MAKECALL;
        qint32 openResult = 0; // lineOpen with any privilege
        bool allocatedToOthers = false;
    };
    QList<Device> devices;
    qint32 initializeResult = 0;
    // The results of the asynchronous functions; 0 gives the next request id.
    qint32 makeCallResult = 0;
    qint32 answerResult = 0;
    qint32 dropResult = 0;
    qint32 deallocateResult = 0;
    qint32 getIdResult = 0;
    // What lineGetID hands out; null is an invalid handle.
    std::shared_ptr<FakeCommPort> port = std::make_shared<FakeCommPort>();

    // What lastErrorHint answers.
    QString errorHint;

    QStringList calls;
    std::optional<QString> lastAddress; // the destination of the last lineMakeCall; nullopt = none given
    LineCallParams lastCallParams;
    QMap<Tapi::HLINE, quint32> openLines; // line handle -> device
    Tapi::HCALL nextCall = 0x500;
    qint32 nextRequestId = 1;
    qint32 lastRequestId = 0;
    LineCallbackSink *sink = nullptr;

    // Messages to the program, as the telephony interface would send them.
    void deliverCallState(Tapi::HCALL call, quint32 state, quint32 detail = 0);
    void deliverReply(qint32 requestId, qint32 result);
    void deliverClose(Tapi::HLINE line);

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
    QString lastErrorHint() const override { return errorHint; }

private:
    const Device *device(quint32 id) const;
    qint32 request(qint32 scripted);
    Tapi::HLINE m_nextLine = 0x100;
};
