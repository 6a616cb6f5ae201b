#pragma once

#include <QByteArray>
#include <QtGlobal>

// Error word flags of ClearCommError.
enum : quint32
{
    CE_RXOVER = 0x0001,
    CE_OVERRUN = 0x0002,
    CE_RXPARITY = 0x0004,
    CE_FRAME = 0x0008,
    CE_BREAK = 0x0010,
    CE_TXFULL = 0x0100,
    CE_PTO = 0x0200,
    CE_IOE = 0x0400,
    CE_DNS = 0x0800,
    CE_OOP = 0x1000,
    CE_MODE = 0x8000,
};

// Purge flags of PurgeComm.
enum : quint32
{
    PURGE_TXABORT = 0x1,
    PURGE_RXABORT = 0x2,
    PURGE_TXCLEAR = 0x4,
    PURGE_RXCLEAR = 0x8,
};

// Event mask flag: a character was received.
enum : quint32
{
    EV_RXCHAR = 0x1,
};

// COMMTIMEOUTS, in milliseconds.
struct CommTimeouts
{
    quint32 readIntervalTimeout = 0;
    quint32 readTotalTimeoutMultiplier = 0;
    quint32 readTotalTimeoutConstant = 0;
    quint32 writeTotalTimeoutMultiplier = 0;
    quint32 writeTotalTimeoutConstant = 0;
};

// How one overlapped read or write ended, in the terms of the Windows communications functions.
struct CommIo
{
    enum Status
    {
        Done,           // count bytes were transferred (a read may bring fewer than asked, never none)
        InvalidHandle,  // the transfer could not start: the handle is invalid (ERROR_INVALID_HANDLE)
        Failed,         // the transfer could not start for another reason
        TimedOut,       // it did not complete within the time-out; it is still pending until a purge
        WaitFailed,     // waiting for completion went wrong
        Broken,         // it ended while waiting because the handle became invalid (connection broken)
        TransferFailed, // it ended while waiting with another failure
    };
    Status status = Done;
    qint64 count = 0;
};

// The communications handle of a connected call's modem port. All calls but waitForEvent come from the
// user-interface thread; waitForEvent comes from the watcher thread, while the user-interface thread may
// read, write or close the port, and must be safe for that.
class CommPort
{
public:
    virtual ~CommPort() = default;

    // Writes data, waiting up to timeoutMs for the transfer; Done tells how many bytes went out.
    virtual CommIo write(const QByteArray &data, int timeoutMs) = 0;
    // Reads at most maxSize bytes into *data, waiting up to timeoutMs for the first of them.
    virtual CommIo read(qint64 maxSize, int timeoutMs, QByteArray *data) = 0;
    // ClearCommError: the error word (CE_ flags, cleared by the call) and the bytes in the input queue.
    virtual bool clearError(quint32 *errors, quint32 *inQueue) = 0;
    // PurgeComm with PURGE_ flags.
    virtual bool purge(quint32 flags) = 0;
    virtual bool getTimeouts(CommTimeouts *timeouts) = 0;
    virtual bool setTimeouts(const CommTimeouts &timeouts) = 0;
    // SetCommMask with EV_ flags.
    virtual bool setMask(quint32 events) = 0;

    enum Wait
    {
        EventOccurred, // an event of the mask happened (data arrived)
        NoEvent,       // nothing within timeoutMs; the caller may wait again
        WaitError,     // the handle is closed or broken; waiting again is pointless
    };
    // WaitCommEvent with its overlapped wait: blocks the calling thread up to timeoutMs.
    virtual Wait waitForEvent(int timeoutMs) = 0;

    // CloseHandle: releases this handle; every later call fails as with an invalid handle, and a
    // waitForEvent in progress returns WaitError soon.
    virtual void close() = 0;
};
