#include "FakeCommPort.h"

#include <QThread>

CommIo FakeCommPort::write(const QByteArray &data, int)
{
    if (closed) {
        return {CommIo::InvalidHandle, 0};
    }
    if (nextWriteStatus != CommIo::Done) {
        const CommIo io{nextWriteStatus, 0};
        nextWriteStatus = CommIo::Done;
        return io;
    }
    const QByteArray part = writeChunk > 0 ? data.left(writeChunk) : data;
    written += part;
    if (onWrite) {
        onWrite(part);
    }
    return {CommIo::Done, part.size()};
}

CommIo FakeCommPort::read(qint64 maxSize, int, QByteArray *data)
{
    if (closed) {
        return {CommIo::InvalidHandle, 0};
    }
    if (nextReadStatus != CommIo::Done) {
        const CommIo io{nextReadStatus, 0};
        nextReadStatus = CommIo::Done;
        return io;
    }
    if (incoming.isEmpty()) {
        return {CommIo::TimedOut, 0};
    }
    *data = incoming.left(maxSize);
    incoming.remove(0, data->size());
    return {CommIo::Done, data->size()};
}

bool FakeCommPort::clearError(quint32 *errors, quint32 *inQueue)
{
    if (closed) {
        return false;
    }
    *errors = errorWord;
    errorWord = 0;
    *inQueue = quint32(inQueueOverride >= 0 ? inQueueOverride : incoming.size());
    return true;
}

bool FakeCommPort::purge(quint32 flags)
{
    purges.append(flags);
    return !closed;
}

bool FakeCommPort::getTimeouts(CommTimeouts *out)
{
    *out = timeouts;
    return !closed;
}

bool FakeCommPort::setTimeouts(const CommTimeouts &in)
{
    timeouts = in;
    return !closed;
}

bool FakeCommPort::setMask(quint32 events)
{
    mask = events;
    return !closed;
}

CommPort::Wait FakeCommPort::waitForEvent(int timeoutMs)
{
    // Only the atomics are shared with the watcher thread.
    if (closed) {
        return WaitError;
    }
    if (pendingEvents.fetch_sub(1) > 0) {
        return EventOccurred;
    }
    pendingEvents = 0;
    QThread::msleep(quint64(qMin(timeoutMs, 20)));
    return closed ? WaitError : NoEvent;
}
