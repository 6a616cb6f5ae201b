#pragma once

#include "TapiConstants.h"

#include <QByteArray>
#include <QString>

#include <memory>

class CommPort;

// Receives the line messages of the telephony interface, as a TAPI 1.4 line callback does.
// For LINE_CALLSTATE the device is the call handle, parameter 1 the call state and parameter 2 its
// detail; for LINE_REPLY parameter 1 is the request id and parameter 2 the result (a qint32 code).
class LineCallbackSink
{
public:
    virtual ~LineCallbackSink() = default;
    virtual void lineCallback(
        quint32 device, quint32 message, quintptr instance, quint32 param1, quint32 param2, quint32 param3) = 0;
};

// LINEDEVCAPS: the fixed fields the program reads, and the structure's bytes, in which the line name
// lies at lineNameOffset (counted from the start of the structure) for lineNameSize bytes.
struct LineDevCaps
{
    // Where a backend puts the line name when it uses setLineName.
    static constexpr quint32 fixedSize = 236;

    quint32 totalSize = 0; // set by the caller: the size of its buffer
    quint32 neededSize = 0;
    quint32 usedSize = 0;
    quint32 stringFormat = 0;
    quint32 lineNameSize = 0;
    quint32 lineNameOffset = 0;
    quint32 bearerModes = 0;
    quint32 mediaModes = 0;
    quint32 lineFeatures = 0;
    quint32 numAddresses = 0;
    QByteArray bytes; // totalSize bytes once filled

    // Puts an ASCII name with its terminating NUL behind the fixed part, when the buffer is large enough.
    void setLineName(const QByteArray &name)
    {
        const quint32 size = quint32(name.size()) + 1;
        neededSize = fixedSize + size;
        bytes = QByteArray(int(totalSize), '\0');
        if (neededSize > totalSize) {
            usedSize = fixedSize;
            lineNameSize = 0;
            lineNameOffset = 0;
            return;
        }
        bytes.replace(int(fixedSize), int(name.size()), name);
        usedSize = neededSize;
        stringFormat = Tapi::STRINGFORMAT_ASCII;
        lineNameSize = size;
        lineNameOffset = fixedSize;
    }
};

// LINEADDRESSSTATUS: only the address features are used.
struct LineAddressStatus
{
    quint32 totalSize = 0;
    quint32 numInUse = 0;
    quint32 numActiveCalls = 0;
    quint32 addressFeatures = 0;
};

// LINECALLPARAMS: the fields lineMakeCall is given; everything else is zero.
struct LineCallParams
{
    quint32 totalSize = 0;
    quint32 bearerMode = 0;
    quint32 mediaMode = 0;
};

// The operations of the telephony interface (TAPI line functions, version 1.4 to 2.0) that the line
// component calls, with TAPI's arguments and result codes: 0 is success, a negative value one of the
// LINEERR_ codes, and the asynchronous functions (lineMakeCall, lineAnswer, lineDrop) answer a positive
// request id that a later LINE_REPLY with the same id completes.
//
// Delivery: every message reaches the sink given to lineInitialize later, through the event loop of the
// thread that called lineInitialize; never from inside the call that caused it, never from another thread.
class LineApi
{
public:
    virtual ~LineApi() = default;

    // Registers the program; numDevices receives the number of line devices (0 when there is no modem).
    virtual qint32
    lineInitialize(Tapi::HLINEAPP *lineApp, LineCallbackSink *sink, const QString &appName, quint32 *numDevices) = 0;
    // Ends the registration; no message reaches the sink after it.
    virtual qint32 lineShutdown(Tapi::HLINEAPP lineApp) = 0;

    virtual qint32 lineNegotiateAPIVersion(Tapi::HLINEAPP lineApp,
                                           quint32 deviceId,
                                           quint32 apiLowVersion,
                                           quint32 apiHighVersion,
                                           quint32 *apiVersion) = 0;
    // caps->totalSize is set by the caller; too small a size is no failure (neededSize tells).
    virtual qint32 lineGetDevCaps(
        Tapi::HLINEAPP lineApp, quint32 deviceId, quint32 apiVersion, quint32 extVersion, LineDevCaps *caps) = 0;
    // LINEERR_ALLOCATED when another program holds the device. callParams may be null.
    virtual qint32 lineOpen(Tapi::HLINEAPP lineApp,
                            quint32 deviceId,
                            Tapi::HLINE *line,
                            quint32 apiVersion,
                            quint32 extVersion,
                            quintptr callbackInstance,
                            quint32 privileges,
                            quint32 mediaModes,
                            const LineCallParams *callParams) = 0;
    virtual qint32 lineGetAddressStatus(Tapi::HLINE line, quint32 addressId, LineAddressStatus *status) = 0;
    // Closes the line and drops any call on it.
    virtual qint32 lineClose(Tapi::HLINE line) = 0;

    // Asynchronous. The call handle is written before the function returns; call states follow as
    // LINE_CALLSTATE. destAddress null means no address (the call is placed without dialling).
    virtual qint32 lineMakeCall(Tapi::HLINE line,
                                Tapi::HCALL *call,
                                const QString *destAddress,
                                quint32 countryCode,
                                const LineCallParams *callParams) = 0;
    // Asynchronous.
    virtual qint32 lineAnswer(Tapi::HCALL call, const QByteArray &userUserInfo) = 0;
    // Asynchronous; the call goes to IDLE.
    virtual qint32 lineDrop(Tapi::HCALL call, const QByteArray &userUserInfo) = 0;
    // Releases a call handle; no message about the call follows.
    virtual qint32 lineDeallocateCall(Tapi::HCALL call) = 0;

    // For deviceClass "comm/datamodem": the port of the call, or null when the call has none (an invalid
    // handle). The port is the caller's: destroying or closing it releases only this handle, not the line.
    virtual qint32 lineGetID(Tapi::HLINE line,
                             quint32 addressId,
                             Tapi::HCALL call,
                             quint32 select,
                             const QString &deviceClass,
                             std::shared_ptr<CommPort> *port) = 0;

    // Why the last failed call failed, in words for the user (may be empty): what to do about it.
    // The line component shows it on a line of its own under the TAPI error of a failed lineOpen.
    virtual QString lastErrorHint() const { return {}; }
};
