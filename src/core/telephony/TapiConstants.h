#pragma once

#include <QtGlobal>

// The values of the telephony interface that the line component and its backends exchange, with the
// names and numbers of the published TAPI headers, so a backend for any system speaks the same codes.
namespace Tapi {

using HLINEAPP = quint32;
using HLINE = quint32;
using HCALL = quint32;

inline constexpr quint32 TAPI_VERSION_1_4 = 0x00010004;
inline constexpr quint32 TAPI_VERSION_2_0 = 0x00020000;

// Line messages handed to the callback.
inline constexpr quint32 LINE_CALLSTATE = 2;
inline constexpr quint32 LINE_CLOSE = 3;
inline constexpr quint32 LINE_REPLY = 12;

// Result codes: 0 or a positive request id is success, these are failures.
inline constexpr qint32 lineErr(quint32 code)
{
    return qint32(code);
}
inline constexpr qint32 LINEERR_ALLOCATED = lineErr(0x80000001);
inline constexpr qint32 LINEERR_BADDEVICEID = lineErr(0x80000002);
inline constexpr qint32 LINEERR_BEARERMODEUNAVAIL = lineErr(0x80000003);
inline constexpr qint32 LINEERR_CALLUNAVAIL = lineErr(0x80000005);
inline constexpr qint32 LINEERR_INCOMPATIBLEAPIVERSION = lineErr(0x8000000C);
inline constexpr qint32 LINEERR_INUSE = lineErr(0x8000000F);
inline constexpr qint32 LINEERR_INVALADDRESS = lineErr(0x80000010);
inline constexpr qint32 LINEERR_INVALAPPHANDLE = lineErr(0x80000014);
inline constexpr qint32 LINEERR_INVALCALLHANDLE = lineErr(0x80000018);
inline constexpr qint32 LINEERR_INVALCALLSTATE = lineErr(0x8000001C);
inline constexpr qint32 LINEERR_INVALDEVICECLASS = lineErr(0x80000023);
inline constexpr qint32 LINEERR_INVALLINEHANDLE = lineErr(0x8000002B);
inline constexpr qint32 LINEERR_INVALPARAM = lineErr(0x80000032);
inline constexpr qint32 LINEERR_INVALPOINTER = lineErr(0x80000035);
inline constexpr qint32 LINEERR_NODEVICE = lineErr(0x80000042);
inline constexpr qint32 LINEERR_NODRIVER = lineErr(0x80000043);
inline constexpr qint32 LINEERR_NOMEM = lineErr(0x80000044);
inline constexpr qint32 LINEERR_OPERATIONFAILED = lineErr(0x80000048);
inline constexpr qint32 LINEERR_OPERATIONUNAVAIL = lineErr(0x80000049);
inline constexpr qint32 LINEERR_RESOURCEUNAVAIL = lineErr(0x8000004B);
inline constexpr qint32 LINEERR_STRUCTURETOOSMALL = lineErr(0x8000004D);
inline constexpr qint32 LINEERR_UNINITIALIZED = lineErr(0x80000050);
inline constexpr qint32 LINEERR_DIALVOICEDETECT = lineErr(0x8000005C);
inline constexpr qint32 LINEERR_USERCANCELLED = lineErr(0x8000005D);

// Call states (parameter 1 of LINE_CALLSTATE).
inline constexpr quint32 LINECALLSTATE_IDLE = 0x00000001;
inline constexpr quint32 LINECALLSTATE_OFFERING = 0x00000002;
inline constexpr quint32 LINECALLSTATE_ACCEPTED = 0x00000004;
inline constexpr quint32 LINECALLSTATE_DIALTONE = 0x00000008;
inline constexpr quint32 LINECALLSTATE_DIALING = 0x00000010;
inline constexpr quint32 LINECALLSTATE_RINGBACK = 0x00000020;
inline constexpr quint32 LINECALLSTATE_BUSY = 0x00000040;
inline constexpr quint32 LINECALLSTATE_SPECIALINFO = 0x00000080;
inline constexpr quint32 LINECALLSTATE_CONNECTED = 0x00000100;
inline constexpr quint32 LINECALLSTATE_PROCEEDING = 0x00000200;
inline constexpr quint32 LINECALLSTATE_ONHOLD = 0x00000400;
inline constexpr quint32 LINECALLSTATE_CONFERENCED = 0x00000800;
inline constexpr quint32 LINECALLSTATE_ONHOLDPENDCONF = 0x00001000;
inline constexpr quint32 LINECALLSTATE_ONHOLDPENDTRANSFER = 0x00002000;
inline constexpr quint32 LINECALLSTATE_DISCONNECTED = 0x00004000;
inline constexpr quint32 LINECALLSTATE_UNKNOWN = 0x00008000;

// Details of a call state (parameter 2 of LINE_CALLSTATE).
inline constexpr quint32 LINEDIALTONEMODE_NORMAL = 0x00000001;
inline constexpr quint32 LINEDIALTONEMODE_SPECIAL = 0x00000002;
inline constexpr quint32 LINEDIALTONEMODE_INTERNAL = 0x00000004;
inline constexpr quint32 LINEDIALTONEMODE_EXTERNAL = 0x00000008;
inline constexpr quint32 LINEDIALTONEMODE_UNKNOWN = 0x00000010;
inline constexpr quint32 LINEDIALTONEMODE_UNAVAIL = 0x00000020;

inline constexpr quint32 LINEBUSYMODE_STATION = 0x00000001;
inline constexpr quint32 LINEBUSYMODE_TRUNK = 0x00000002;
inline constexpr quint32 LINEBUSYMODE_UNKNOWN = 0x00000004;
inline constexpr quint32 LINEBUSYMODE_UNAVAIL = 0x00000008;

inline constexpr quint32 LINEDISCONNECTMODE_NORMAL = 0x00000001;
inline constexpr quint32 LINEDISCONNECTMODE_UNKNOWN = 0x00000002;
inline constexpr quint32 LINEDISCONNECTMODE_REJECT = 0x00000004;
inline constexpr quint32 LINEDISCONNECTMODE_PICKUP = 0x00000008;
inline constexpr quint32 LINEDISCONNECTMODE_FORWARDED = 0x00000010;
inline constexpr quint32 LINEDISCONNECTMODE_BUSY = 0x00000020;
inline constexpr quint32 LINEDISCONNECTMODE_NOANSWER = 0x00000040;
inline constexpr quint32 LINEDISCONNECTMODE_BADADDRESS = 0x00000080;
inline constexpr quint32 LINEDISCONNECTMODE_UNREACHABLE = 0x00000100;
inline constexpr quint32 LINEDISCONNECTMODE_CONGESTION = 0x00000200;
inline constexpr quint32 LINEDISCONNECTMODE_INCOMPATIBLE = 0x00000400;
inline constexpr quint32 LINEDISCONNECTMODE_UNAVAIL = 0x00000800;
inline constexpr quint32 LINEDISCONNECTMODE_NODIALTONE = 0x00001000;

// Capabilities and call parameters.
inline constexpr quint32 LINEBEARERMODE_VOICE = 0x00000001;
inline constexpr quint32 LINEBEARERMODE_SPEECH = 0x00000002;
inline constexpr quint32 LINEBEARERMODE_DATA = 0x00000008;
inline constexpr quint32 LINEBEARERMODE_PASSTHROUGH = 0x00000040;
inline constexpr quint32 LINEMEDIAMODE_INTERACTIVEVOICE = 0x00000004;
inline constexpr quint32 LINEMEDIAMODE_DATAMODEM = 0x00000010;
inline constexpr quint32 LINEFEATURE_MAKECALL = 0x00000008;
inline constexpr quint32 LINEADDRFEATURE_MAKECALL = 0x00000002;
inline constexpr quint32 LINECALLPRIVILEGE_NONE = 0x00000001;
inline constexpr quint32 LINECALLPRIVILEGE_MONITOR = 0x00000002;
inline constexpr quint32 LINECALLPRIVILEGE_OWNER = 0x00000004;
inline constexpr quint32 LINECALLSELECT_CALL = 0x00000004;
inline constexpr quint32 STRINGFORMAT_ASCII = 0x00000001;

} // namespace Tapi
