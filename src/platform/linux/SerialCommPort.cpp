#include "SerialCommPort.h"

#include <QElapsedTimer>

#include <sys/ioctl.h>

ModemChannel::ModemChannel(QSerialPort *port)
    : m_port(port)
{}

void ModemChannel::append(const QByteArray &bytes)
{
    if (bytes.isEmpty()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (!m_open) {
            return;
        }
        m_input.append(bytes);
        if (m_input.size() > capacity) {
            m_input.remove(0, m_input.size() - capacity);
            m_errors |= CE_RXOVER;
        }
        ++m_arrivals;
    }
    m_arrived.notify_all();
}

void ModemChannel::shut()
{
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_input.clear();
    }
    m_arrived.notify_all();
}

SerialCommPort::SerialCommPort(std::shared_ptr<ModemChannel> channel)
    : m_channel(std::move(channel))
{
    std::lock_guard lock(m_channel->m_mutex);
    m_seenArrivals = m_channel->m_arrivals;
}

QSerialPort *SerialCommPort::usablePort() const
{
    if (m_closed) {
        return nullptr;
    }
    QSerialPort *port = m_channel->port();
    return port && port->isOpen() ? port : nullptr;
}

CommIo SerialCommPort::write(const QByteArray &data, int timeoutMs)
{
    QSerialPort *port = usablePort();
    if (!port) {
        return {CommIo::InvalidHandle, 0};
    }
    if (port->write(data) != data.size()) {
        return {CommIo::Failed, 0};
    }
    QElapsedTimer clock;
    clock.start();
    while (port->bytesToWrite() > 0) {
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0) {
            return {CommIo::TimedOut, 0};
        }
        if (!port->waitForBytesWritten(left)) {
            if (!usablePort()) {
                return {CommIo::Broken, 0};
            }
            if (port->error() != QSerialPort::TimeoutError && port->error() != QSerialPort::NoError) {
                return {CommIo::TransferFailed, 0};
            }
        }
    }
    return {CommIo::Done, data.size()};
}

CommIo SerialCommPort::read(qint64 maxSize, int timeoutMs, QByteArray *data)
{
    data->clear();
    QSerialPort *port = usablePort();
    if (!port) {
        return {CommIo::InvalidHandle, 0};
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        {
            std::lock_guard lock(m_channel->m_mutex);
            if (!m_channel->m_input.isEmpty()) {
                *data = m_channel->m_input.left(maxSize);
                m_channel->m_input.remove(0, data->size());
                return {CommIo::Done, data->size()};
            }
        }
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0) {
            return {CommIo::TimedOut, 0};
        }
        // Received bytes reach the channel through the line's readyRead handler, run from inside this wait.
        port->waitForReadyRead(left);
        if (!usablePort() || port->error() == QSerialPort::ResourceError || port->error() == QSerialPort::ReadError) {
            return {CommIo::Broken, 0};
        }
    }
}

bool SerialCommPort::clearError(quint32 *errors, quint32 *inQueue)
{
    QSerialPort *port = usablePort();
    if (!port) {
        return false;
    }
    int pending = 0; // in the kernel, not yet taken in by the port object
    if (::ioctl(int(port->handle()), FIONREAD, &pending) != 0) {
        pending = 0;
    }
    std::lock_guard lock(m_channel->m_mutex);
    *errors = m_channel->m_errors;
    m_channel->m_errors = 0;
    *inQueue = quint32(m_channel->m_input.size() + port->bytesAvailable() + pending);
    return true;
}

bool SerialCommPort::purge(quint32 flags)
{
    QSerialPort *port = usablePort();
    if (!port) {
        return false;
    }
    if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) {
        port->clear(QSerialPort::Input);
        std::lock_guard lock(m_channel->m_mutex);
        m_channel->m_input.clear();
    }
    if (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) {
        port->clear(QSerialPort::Output);
    }
    return true;
}

bool SerialCommPort::getTimeouts(CommTimeouts *timeouts)
{
    if (!usablePort()) {
        return false;
    }
    *timeouts = m_timeouts;
    return true;
}

bool SerialCommPort::setTimeouts(const CommTimeouts &timeouts)
{
    if (!usablePort()) {
        return false;
    }
    m_timeouts = timeouts;
    return true;
}

bool SerialCommPort::setMask(quint32 events)
{
    if (!usablePort()) {
        return false;
    }
    m_mask = events;
    return true;
}

CommPort::Wait SerialCommPort::waitForEvent(int timeoutMs)
{
    std::unique_lock lock(m_channel->m_mutex);
    auto arrived = [this] {
        return (m_mask & EV_RXCHAR) && m_channel->m_arrivals != m_seenArrivals;
    };
    auto gone = [this] {
        return m_closed || !m_channel->m_open;
    };
    m_channel->m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return gone() || arrived();
    });
    if (gone()) {
        return WaitError;
    }
    if (arrived()) {
        m_seenArrivals = m_channel->m_arrivals;
        return EventOccurred;
    }
    return NoEvent;
}

void SerialCommPort::close()
{
    {
        // Under the mutex, so a waiter cannot miss the wake-up between its test and its wait.
        std::lock_guard lock(m_channel->m_mutex);
        m_closed = true;
    }
    m_channel->m_arrived.notify_all();
}
