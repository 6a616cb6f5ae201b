#pragma once

#include "core/telephony/CommPort.h"

#include <QList>

#include <atomic>
#include <functional>

// A modem port driven by a test: bytes the modem has sent wait in `incoming`, what the program
// writes collects in `written`, and each failure can be scripted once.
class FakeCommPort final : public CommPort
{
public:
    QByteArray incoming;
    QByteArray written;
    QList<quint32> purges;
    CommTimeouts timeouts{1, 2, 3, 4, 5};
    quint32 mask = 0;
    quint32 errorWord = 0;
    std::atomic<bool> closed = false;
    // Events the watcher will see, one per wait.
    std::atomic<int> pendingEvents = 0;
    // When set, the next transfer ends so instead of going through.
    CommIo::Status nextWriteStatus = CommIo::Done;
    CommIo::Status nextReadStatus = CommIo::Done;
    // Bytes a write may take at once (0 = all), to see partial writes continue.
    qint64 writeChunk = 0;
    // Answers to what is written: called with each write's bytes.
    std::function<void(const QByteArray &)> onWrite;
    // Replaces the input-queue count ClearCommError reports, when not negative.
    qint64 inQueueOverride = -1;

    CommIo write(const QByteArray &data, int timeoutMs) override;
    CommIo read(qint64 maxSize, int timeoutMs, QByteArray *data) override;
    bool clearError(quint32 *errors, quint32 *inQueue) override;
    bool purge(quint32 flags) override;
    bool getTimeouts(CommTimeouts *out) override;
    bool setTimeouts(const CommTimeouts &in) override;
    bool setMask(quint32 events) override;
    Wait waitForEvent(int timeoutMs) override;
    void close() override { closed = true; }
};
