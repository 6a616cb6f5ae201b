#pragma once

#include "core/telephony/CommPort.h"

#include <QByteArray>
#include <QPointer>
#include <QSerialPort>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

// What a connected call's port handles share with the line that owns the serial port: the bytes received
// and not yet read, and whether the call still has its port. The line appends on the user-interface
// thread; the watcher thread only waits for arrivals.
class ModemChannel
{
public:
    // More unread bytes than this are dropped, oldest first, and reported as an input overflow.
    static constexpr qsizetype capacity = 64 * 1024;

    explicit ModemChannel(QSerialPort *port);

    // User-interface thread.
    void append(const QByteArray &bytes);
    void shut(); // the call ended or the line closed: every handle becomes invalid
    QSerialPort *port() const { return m_open ? m_port.data() : nullptr; }

private:
    friend class SerialCommPort;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    QByteArray m_input;
    quint64 m_arrivals = 0;
    quint32 m_errors = 0;
    bool m_open = true;
    QPointer<QSerialPort> m_port;
};

// One communications handle on the modem port of a connected call.
class SerialCommPort final : public CommPort
{
public:
    explicit SerialCommPort(std::shared_ptr<ModemChannel> channel);

    CommIo write(const QByteArray &data, int timeoutMs) override;
    CommIo read(qint64 maxSize, int timeoutMs, QByteArray *data) override;
    bool clearError(quint32 *errors, quint32 *inQueue) override;
    bool purge(quint32 flags) override;
    bool getTimeouts(CommTimeouts *timeouts) override;
    bool setTimeouts(const CommTimeouts &timeouts) override;
    bool setMask(quint32 events) override;
    Wait waitForEvent(int timeoutMs) override;
    void close() override;

private:
    // The serial port while this handle and the call are both valid; user-interface thread only.
    QSerialPort *usablePort() const;

    std::shared_ptr<ModemChannel> m_channel;
    std::atomic<bool> m_closed = false;
    std::atomic<quint32> m_mask = 0;
    quint64 m_seenArrivals = 0; // guarded by the channel's mutex
    CommTimeouts m_timeouts;
};
