#include "FakeLineApi.h"

using namespace Tapi;

const FakeLineApi::Device *FakeLineApi::device(quint32 id) const
{
    return id < quint32(devices.size()) ? &devices.at(qsizetype(id)) : nullptr;
}

qint32 FakeLineApi::request(qint32 scripted)
{
    if (scripted < 0) {
        return scripted;
    }
    lastRequestId = scripted > 0 ? scripted : nextRequestId++;
    return lastRequestId;
}

void FakeLineApi::deliverCallState(HCALL call, quint32 state, quint32 detail)
{
    if (sink) {
        sink->lineCallback(call, LINE_CALLSTATE, 0, state, detail, 0);
    }
}

void FakeLineApi::deliverReply(qint32 requestId, qint32 result)
{
    if (sink) {
        sink->lineCallback(0, LINE_REPLY, 0, quint32(requestId), quint32(result), 0);
    }
}

void FakeLineApi::deliverClose(HLINE line)
{
    if (sink) {
        sink->lineCallback(line, LINE_CLOSE, 0, 0, 0, 0);
    }
}

qint32 FakeLineApi::lineInitialize(HLINEAPP *lineApp,
                                   LineCallbackSink *callbackSink,
                                   const QString &appName,
                                   quint32 *numDevices)
{
    calls.append(QStringLiteral("lineInitialize(%1)").arg(appName));
    if (initializeResult < 0) {
        return initializeResult;
    }
    sink = callbackSink;
    *lineApp = 0x42;
    *numDevices = quint32(devices.size());
    return 0;
}

qint32 FakeLineApi::lineShutdown(HLINEAPP)
{
    calls.append(QStringLiteral("lineShutdown"));
    sink = nullptr;
    return 0;
}

qint32 FakeLineApi::lineNegotiateAPIVersion(HLINEAPP, quint32 deviceId, quint32 low, quint32 high, quint32 *apiVersion)
{
    calls.append(
        QStringLiteral("lineNegotiateAPIVersion(%1,0x%2,0x%3)").arg(qint32(deviceId)).arg(low, 0, 16).arg(high, 0, 16));
    const Device *d = device(deviceId);
    if (!d) {
        return LINEERR_BADDEVICEID;
    }
    if (d->negotiateResult < 0) {
        return d->negotiateResult;
    }
    if (d->version < low || d->version > high) {
        return LINEERR_INCOMPATIBLEAPIVERSION;
    }
    *apiVersion = d->version;
    return 0;
}

qint32 FakeLineApi::lineGetDevCaps(HLINEAPP, quint32 deviceId, quint32, quint32, LineDevCaps *caps)
{
    calls.append(QStringLiteral("lineGetDevCaps(%1,size=%2)").arg(qint32(deviceId)).arg(caps->totalSize));
    const Device *d = device(deviceId);
    if (!d) {
        return LINEERR_BADDEVICEID;
    }
    if (d->devCapsResult < 0) {
        return d->devCapsResult;
    }
    caps->bearerModes = d->bearerModes;
    caps->mediaModes = d->mediaModes;
    caps->lineFeatures = d->lineFeatures;
    caps->numAddresses = 1;
    caps->setLineName(d->name);
    return 0;
}

qint32 FakeLineApi::lineOpen(HLINEAPP,
                             quint32 deviceId,
                             HLINE *line,
                             quint32 apiVersion,
                             quint32,
                             quintptr,
                             quint32 privileges,
                             quint32 mediaModes,
                             const LineCallParams *)
{
    calls.append(QStringLiteral("lineOpen(%1,v=0x%2,priv=%3,media=0x%4)")
                     .arg(qint32(deviceId))
                     .arg(apiVersion, 0, 16)
                     .arg(privileges)
                     .arg(mediaModes, 0, 16));
    const Device *d = device(deviceId);
    if (!d) {
        return LINEERR_BADDEVICEID;
    }
    if (d->allocatedToOthers) {
        return LINEERR_ALLOCATED;
    }
    if (d->openResult < 0) {
        return d->openResult;
    }
    *line = m_nextLine++;
    openLines.insert(*line, deviceId);
    return 0;
}

qint32 FakeLineApi::lineGetAddressStatus(HLINE line, quint32, LineAddressStatus *status)
{
    calls.append(QStringLiteral("lineGetAddressStatus(size=%1)").arg(status->totalSize));
    if (!openLines.contains(line)) {
        return LINEERR_INVALLINEHANDLE;
    }
    const Device *d = device(openLines.value(line));
    status->addressFeatures = d ? d->addressFeatures : 0;
    return 0;
}

qint32 FakeLineApi::lineClose(HLINE line)
{
    calls.append(QStringLiteral("lineClose"));
    return openLines.remove(line) > 0 ? 0 : LINEERR_INVALLINEHANDLE;
}

qint32
FakeLineApi::lineMakeCall(HLINE line, HCALL *call, const QString *destAddress, quint32, const LineCallParams *params)
{
    calls.append(QStringLiteral("lineMakeCall"));
    lastAddress = destAddress ? std::optional<QString>(*destAddress) : std::nullopt;
    lastCallParams = params ? *params : LineCallParams{};
    if (!openLines.contains(line)) {
        return LINEERR_INVALLINEHANDLE;
    }
    if (makeCallResult >= 0) {
        *call = nextCall;
    }
    return request(makeCallResult);
}

qint32 FakeLineApi::lineAnswer(HCALL, const QByteArray &)
{
    calls.append(QStringLiteral("lineAnswer"));
    return request(answerResult);
}

qint32 FakeLineApi::lineDrop(HCALL, const QByteArray &)
{
    calls.append(QStringLiteral("lineDrop"));
    return request(dropResult);
}

qint32 FakeLineApi::lineDeallocateCall(HCALL)
{
    calls.append(QStringLiteral("lineDeallocateCall"));
    return deallocateResult;
}

qint32 FakeLineApi::lineGetID(
    HLINE, quint32, HCALL, quint32 select, const QString &deviceClass, std::shared_ptr<CommPort> *out)
{
    calls.append(QStringLiteral("lineGetID(%1,%2)").arg(select).arg(deviceClass));
    if (getIdResult < 0) {
        return getIdResult;
    }
    *out = port;
    return 0;
}
